#include "app/tform1.h"
#include "platform/screenblanking.h"
#include "platform/windowsystem.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TForm1 form;
    if (form.AnotherInstance)
        return 0; // the running instance has been brought to the front
    ShowCoveringScreen(&form);
    // The fan-art screensaver, not the desktop's blanking, is the idle picture.
    ScreenBlanking blanking;
    blanking.followApplicationState();
    return app.exec();
}
