#include "platform/windowsystem.h"

#include <QGuiApplication>
#include <QWidget>

void BringWindowToFront(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized() || !window->isVisible()) {
        if (window->windowState() & Qt::WindowFullScreen)
            window->showFullScreen();
        else
            window->showMaximized();
    } else if (!(window->windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized))) {
        window->showMaximized();
    }
    window->raise();
    window->activateWindow();
    window->setFocus(Qt::OtherFocusReason);
}

bool HasOpenGLViewport()
{
    if (qEnvironmentVariableIsSet("CINEVUE_NO_OPENGL"))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform == u"xcb"_qs || platform == u"wayland"_qs || platform == u"eglfs"_qs
           || platform == u"windows"_qs || platform == u"cocoa"_qs;
}
