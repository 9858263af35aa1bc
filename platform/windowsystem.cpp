#include "platform/windowsystem.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

// Follows the screen of a covering window: a new resolution of that screen,
// or the window being moved to another one (a screen replaced when an output
// is switched), sets the window's geometry again.
class ScreenCover : public QObject
{
public:
    explicit ScreenCover(QWidget *window)
        : QObject(window), m_window(window)
    {
        setObjectName(kName);
        connect(window->windowHandle(), &QWindow::screenChanged, this, &ScreenCover::follow);
        follow(window->windowHandle()->screen());
    }

    static constexpr const char *kName = "CinevueScreenCover";

private:
    void follow(QScreen *screen)
    {
        if (m_screen)
            m_screen->disconnect(this);
        m_screen = screen;
        if (!screen)
            return;
        connect(screen, &QScreen::geometryChanged, this, [this] { CoverScreen(m_window); });
        connect(screen, &QScreen::virtualGeometryChanged, this, [this] { CoverScreen(m_window); });
        CoverScreen(m_window);
    }

    QWidget *m_window;
    QPointer<QScreen> m_screen;
};

bool isCovering(const QWidget *window)
{
    return window->findChild<QObject *>(QLatin1String(ScreenCover::kName), Qt::FindDirectChildrenOnly) != nullptr;
}

} // namespace

void CoverScreen(QWidget *window)
{
    if (!window || !window->screen())
        return;
    const QRect area = window->screen()->geometry();
    if (window->geometry() != area)
        window->setGeometry(area);
}

void ShowCoveringScreen(QWidget *window)
{
    if (!window)
        return;
    window->winId(); // the native window and its QWindow, whose screen is followed
    if (!isCovering(window))
        new ScreenCover(window);
    CoverScreen(window);
    window->showFullScreen();
}

void BringWindowToFront(QWidget *window)
{
    if (!window)
        return;
    if (isCovering(window)) {
        CoverScreen(window);
        if (window->isMinimized() || !window->isVisible() || !(window->windowState() & Qt::WindowFullScreen))
            window->showFullScreen();
    } else if (window->isMinimized() || !window->isVisible()) {
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
