#pragma once
// Keeps the desktop's own screen blanking away while Cinevue is in front: a
// TV user expects the fan-art screensaver as the idle picture, not a black
// screen. The session's inhibit interface (org.freedesktop.ScreenSaver on
// the session bus) is used where a desktop offers one; otherwise, on X11 (a
// bare X session has no such service), the X server's screensaver is reset
// at short intervals, as a key press would. Released when the window goes
// behind another program, and when this object is destroyed.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

struct xcb_connection_t;

class ScreenBlanking : public QObject
{
    Q_OBJECT
public:
    enum class Method {
        None,             // not inhibited, or no way to inhibit on this system
        SessionInterface, // an inhibit cookie of the session's interface is held
        ScreenSaverReset, // the X server's screensaver is reset periodically
    };
    Q_ENUM(Method)

    static constexpr int kDefaultResetIntervalMs = 10000;

    // The session bus and the application's own X connection (none on other
    // platforms than xcb).
    explicit ScreenBlanking(QObject *parent = nullptr);
    // An explicit bus (an unconnected one stands for no session bus) and X
    // connection (nullptr: none); the caller keeps `x11` open.
    ScreenBlanking(const QDBusConnection &bus, xcb_connection_t *x11, int resetIntervalMs,
                   QObject *parent = nullptr);
    // Releases, and waits (briefly) until the session has the release.
    ~ScreenBlanking() override;

    // Inhibits while the application is the active one and releases when it
    // is not; applies the current state at once.
    void followApplicationState();
    void applicationStateChanged(Qt::ApplicationState state);

    void inhibit();
    void release();

    bool isWanted() const { return m_wanted; }
    Method method() const;

signals:
    void methodChanged(ScreenBlanking::Method method);

private:
    void requestSessionInhibit();
    void sessionAnswered(std::optional<quint32> cookie, const QString &error);
    void releaseSession(bool wait);
    void startResets();
    void resetScreenSaver();
    void report();

    QDBusConnection m_bus;
    xcb_connection_t *m_x11 = nullptr;
    QTimer m_resetTimer;
    bool m_wanted = false;
    bool m_requestPending = false;
    bool m_sessionUnusable = false; // no bus, no service, or it refused: reset instead
    std::optional<quint32> m_cookie;
    Method m_reported = Method::None;
};
