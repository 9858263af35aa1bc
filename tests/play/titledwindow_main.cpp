// Test helper: shows one plain window titled by its argument on the X display
// and ends when the window is closed (exit 0), or after a minute (exit 3).

#include <QGuiApplication>
#include <QRasterWindow>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QRasterWindow window;
    window.setTitle(app.arguments().value(1));
    window.resize(320, 200);
    window.show();
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(3); });
    std::puts("shown");
    std::fflush(stdout);
    return app.exec();
}
