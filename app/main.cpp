#include "app/tform1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TForm1 form;
    if (form.AnotherInstance)
        return 0; // the running instance has been brought to the front
    form.showFullScreen();
    return app.exec();
}
