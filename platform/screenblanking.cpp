#include "platform/screenblanking.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

#include <xcb/xcb.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kApplication = QStringLiteral("Cinevue");
const QString kReason = QStringLiteral("Showing the movie collection");
// Long enough for a slow session at shutdown, short enough not to be noticed.
constexpr int kReleaseTimeoutMs = 1000;

xcb_connection_t *applicationX11Connection()
{
#if QT_CONFIG(xcb)
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return x11->connection();
#endif
    return nullptr;
}

} // namespace

ScreenBlanking::ScreenBlanking(QObject *parent)
    : ScreenBlanking(QDBusConnection::sessionBus(), applicationX11Connection(), kDefaultResetIntervalMs, parent)
{
}

ScreenBlanking::ScreenBlanking(const QDBusConnection &bus, xcb_connection_t *x11, int resetIntervalMs, QObject *parent)
    : QObject(parent), m_bus(bus), m_x11(x11)
{
    m_sessionUnusable = !m_bus.isConnected();
    m_resetTimer.setInterval(resetIntervalMs);
    connect(&m_resetTimer, &QTimer::timeout, this, &ScreenBlanking::resetScreenSaver);
}

ScreenBlanking::~ScreenBlanking()
{
    m_wanted = false;
    m_resetTimer.stop();
    releaseSession(true);
}

void ScreenBlanking::followApplicationState()
{
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, &ScreenBlanking::applicationStateChanged,
            Qt::UniqueConnection);
    applicationStateChanged(QGuiApplication::applicationState());
}

void ScreenBlanking::applicationStateChanged(Qt::ApplicationState state)
{
    if (state == Qt::ApplicationActive)
        inhibit();
    else
        release();
}

void ScreenBlanking::inhibit()
{
    if (m_wanted)
        return;
    m_wanted = true;
    if (m_cookie || m_requestPending)
        return;
    if (m_sessionUnusable)
        startResets();
    else
        requestSessionInhibit();
}

void ScreenBlanking::release()
{
    if (!m_wanted)
        return;
    m_wanted = false;
    m_resetTimer.stop();
    // A request still on its way is released when its answer comes.
    releaseSession(false);
    report();
}

ScreenBlanking::Method ScreenBlanking::method() const
{
    if (m_cookie)
        return Method::SessionInterface;
    if (m_resetTimer.isActive())
        return Method::ScreenSaverReset;
    return Method::None;
}

void ScreenBlanking::requestSessionInhibit()
{
    // Asynchronous: the session may take its time, and the window must not
    // wait for it at start-up.
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << kApplication << kReason;
    m_requestPending = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<quint32> reply = *w;
        if (reply.isError())
            sessionAnswered(std::nullopt, reply.error().name() + u": "_qs + reply.error().message());
        else
            sessionAnswered(reply.value(), QString());
    });
}

void ScreenBlanking::sessionAnswered(std::optional<quint32> cookie, const QString &error)
{
    m_requestPending = false;
    if (!cookie) {
        // No desktop that offers the interface (a bare X session): from now
        // on the X server's screensaver is reset instead.
        m_sessionUnusable = true;
        qInfo("Cinevue: the session cannot inhibit screen blanking (%s); resetting the X screensaver instead",
              qPrintable(error));
        if (m_wanted)
            startResets();
        return;
    }
    m_cookie = cookie;
    if (!m_wanted)
        releaseSession(false);
    report();
}

void ScreenBlanking::releaseSession(bool wait)
{
    if (!m_cookie)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("UnInhibit"));
    call << *m_cookie;
    m_cookie.reset();
    if (wait)
        m_bus.call(call, QDBus::Block, kReleaseTimeoutMs);
    else
        m_bus.asyncCall(call);
}

void ScreenBlanking::startResets()
{
    if (!m_x11 || xcb_connection_has_error(m_x11)) {
        report();
        return;
    }
    resetScreenSaver();
    m_resetTimer.start();
    report();
}

void ScreenBlanking::resetScreenSaver()
{
    if (!m_x11 || xcb_connection_has_error(m_x11)) {
        m_resetTimer.stop();
        report();
        return;
    }
    xcb_force_screen_saver(m_x11, XCB_SCREEN_SAVER_RESET);
    xcb_flush(m_x11);
}

void ScreenBlanking::report()
{
    const Method now = method();
    if (now == m_reported)
        return;
    m_reported = now;
    emit methodChanged(now);
}
