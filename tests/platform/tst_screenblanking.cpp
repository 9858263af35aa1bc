// Screen blanking inhibition against a private session bus with a stand-in
// for the desktop's org.freedesktop.ScreenSaver service, and against a real
// X server whose screensaver comes on after one second of idleness.

#include "platform/screenblanking.h"
#include "tests/xserverfixture.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <memory>

namespace {

const QString kServiceName = u"org.freedesktop.ScreenSaver"_qs;
const QString kObjectPath = u"/org/freedesktop/ScreenSaver"_qs;

// The desktop side. Lives on its own thread so that a blocking call from the
// code under test (the release at destruction) is answered.
class FakeScreenSaver : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    bool refuse = false;

    QStringList calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    QSet<uint> active() const
    {
        QMutexLocker lock(&m_mutex);
        return m_active;
    }

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        QMutexLocker lock(&m_mutex);
        if (refuse) {
            sendErrorReply(QDBusError::NotSupported, u"inhibiting is switched off"_qs);
            return 0;
        }
        const uint cookie = ++m_lastCookie;
        m_calls << u"Inhibit %1 (%2) -> %3"_qs.arg(application, reason).arg(cookie);
        m_active.insert(cookie);
        return cookie;
    }
    void UnInhibit(uint cookie)
    {
        QMutexLocker lock(&m_mutex);
        m_calls << u"UnInhibit %1"_qs.arg(cookie);
        m_active.remove(cookie);
    }

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
    QSet<uint> m_active;
    uint m_lastCookie = 40;
};

// A session bus of the test's own, with no service but the ones it registers.
class PrivateBus
{
public:
    bool start(const QString &folder, QString *error)
    {
        const QString config = folder + u"/bus.conf"_qs;
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                    "<busconfig><type>session</type><listen>unix:dir="
                    + QFile::encodeName(folder)
                    + "</listen><auth>EXTERNAL</auth>"
                      "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                      "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n"));
        file.close();
        const QString program = QStandardPaths::findExecutable(u"dbus-daemon"_qs);
        if (program.isEmpty()) {
            *error = u"dbus-daemon is not installed (scripts/deps installs it)"_qs;
            return false;
        }
        m_daemon.start(program, {u"--config-file="_qs + config, u"--nofork"_qs, u"--print-address=1"_qs});
        QByteArray out;
        QElapsedTimer clock;
        clock.start();
        while (!out.contains('\n') && clock.elapsed() < 10000 && m_daemon.state() != QProcess::NotRunning) {
            m_daemon.waitForReadyRead(200);
            out += m_daemon.readAllStandardOutput();
        }
        m_address = QString::fromUtf8(out.trimmed());
        if (m_address.isEmpty()) {
            *error = u"dbus-daemon gave no address: "_qs + QString::fromLocal8Bit(m_daemon.readAllStandardError());
            return false;
        }
        return true;
    }
    ~PrivateBus()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

// The X server's own screensaver state, on or off.
bool screenSaverOn(xcb_connection_t *c)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_screensaver_query_info_reply_t *info =
        xcb_screensaver_query_info_reply(c, xcb_screensaver_query_info(c, screen->root), nullptr);
    const bool on = info && info->state == XCB_SCREENSAVER_STATE_ON;
    free(info);
    return on;
}

} // namespace

class TestScreenBlanking : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    PrivateBus m_bus;
    QThread m_serviceThread;
    FakeScreenSaver *m_fake = nullptr; // on m_serviceThread
    QString m_serviceConnection;
    int m_connections = 0;

    // A new client connection to the private bus.
    QDBusConnection clientBus()
    {
        return QDBusConnection::connectToBus(m_bus.address(), u"client-%1"_qs.arg(++m_connections));
    }

    // Puts the stand-in service on the bus.
    void offerService(bool refuse)
    {
        m_serviceConnection = u"service-%1"_qs.arg(++m_connections);
        QDBusConnection service = QDBusConnection::connectToBus(m_bus.address(), m_serviceConnection);
        QVERIFY2(service.isConnected(), qPrintable(service.lastError().message()));
        m_fake = new FakeScreenSaver;
        m_fake->refuse = refuse;
        m_fake->moveToThread(&m_serviceThread);
        QVERIFY(service.registerObject(kObjectPath, m_fake, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(kServiceName));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        QString error;
        if (!m_bus.start(m_tmp.path(), &error))
            QSKIP(qPrintable(error));
        m_serviceThread.start();
    }
    void cleanupTestCase()
    {
        m_serviceThread.quit();
        m_serviceThread.wait();
    }
    void cleanup()
    {
        // Each test offers the service anew on a new connection; the old one goes.
        if (!m_serviceConnection.isEmpty()) {
            QDBusConnection service(m_serviceConnection);
            service.unregisterService(kServiceName);
            service.unregisterObject(kObjectPath);
            QDBusConnection::disconnectFromBus(m_serviceConnection);
            m_serviceConnection.clear();
        }
        if (m_fake) {
            QMetaObject::invokeMethod(m_fake, &QObject::deleteLater);
            m_fake = nullptr;
        }
    }

    void inhibitsThroughTheSession()
    {
        offerService(false);
        auto blanking = std::make_unique<ScreenBlanking>(clientBus(), nullptr, 200);
        blanking->inhibit();
        QTRY_COMPARE(blanking->method(), ScreenBlanking::Method::SessionInterface);
        QCOMPARE(m_fake->calls(), QStringList{u"Inhibit Cinevue (Showing the movie collection) -> 41"_qs});

        blanking->release();
        QCOMPARE(blanking->method(), ScreenBlanking::Method::None);
        QTRY_COMPARE(m_fake->active(), QSet<uint>());
        QCOMPARE(m_fake->calls().last(), u"UnInhibit 41"_qs);

        // Inhibited again, then ended: the release reaches the session before
        // the destructor returns, so an exit right after it leaks nothing.
        blanking->inhibit();
        QTRY_COMPARE(m_fake->active(), QSet<uint>{42});
        QTRY_COMPARE(blanking->method(), ScreenBlanking::Method::SessionInterface);
        blanking.reset();
        QCOMPARE(m_fake->active(), QSet<uint>());
        QCOMPARE(m_fake->calls().last(), u"UnInhibit 42"_qs);
    }

    void releaseBeforeTheAnswerLeaksNothing()
    {
        offerService(false);
        ScreenBlanking blanking(clientBus(), nullptr, 200);
        blanking.inhibit();
        blanking.release(); // the answer to Inhibit has not been read yet
        QTRY_COMPARE(m_fake->calls().size(), qsizetype(2));
        QCOMPARE(m_fake->calls().last(), u"UnInhibit 41"_qs);
        QCOMPARE(m_fake->active(), QSet<uint>());
        QCOMPARE(blanking.method(), ScreenBlanking::Method::None);
    }

    void followsApplicationState_data()
    {
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<bool>("inhibited");
        QTest::newRow("active") << QList<int>{Qt::ApplicationActive} << true;
        QTest::newRow("another program in front") << QList<int>{Qt::ApplicationActive, Qt::ApplicationInactive}
                                                   << false;
        QTest::newRow("hidden") << QList<int>{Qt::ApplicationActive, Qt::ApplicationHidden} << false;
        QTest::newRow("back in front") << QList<int>{Qt::ApplicationActive, Qt::ApplicationInactive,
                                                     Qt::ApplicationActive}
                                       << true;
        QTest::newRow("never active") << QList<int>{Qt::ApplicationInactive} << false;
    }
    void followsApplicationState()
    {
        QFETCH(QList<int>, states);
        QFETCH(bool, inhibited);
        offerService(false);
        ScreenBlanking blanking(clientBus(), nullptr, 200);
        for (int state : states) {
            blanking.applicationStateChanged(Qt::ApplicationState(state));
            QTest::qWait(50);
        }
        QCOMPARE(blanking.isWanted(), inhibited);
        QTRY_COMPARE(m_fake->active().size(), qsizetype(inhibited ? 1 : 0));
        QTRY_COMPARE(blanking.method(),
                     inhibited ? ScreenBlanking::Method::SessionInterface : ScreenBlanking::Method::None);
    }

    void withoutTheSessionTheXScreenSaverIsReset_data()
    {
        QTest::addColumn<QString>("session");
        QTest::addColumn<bool>("x11");
        QTest::addColumn<ScreenBlanking::Method>("method");
        QTest::newRow("no session bus") << u"none"_qs << true << ScreenBlanking::Method::ScreenSaverReset;
        QTest::newRow("bus without the interface") << u"bus"_qs << true << ScreenBlanking::Method::ScreenSaverReset;
        QTest::newRow("interface refuses") << u"refusing"_qs << true << ScreenBlanking::Method::ScreenSaverReset;
        QTest::newRow("no session bus, no X server") << u"none"_qs << false << ScreenBlanking::Method::None;
    }
    void withoutTheSessionTheXScreenSaverIsReset()
    {
        QFETCH(QString, session);
        QFETCH(bool, x11);
        QFETCH(ScreenBlanking::Method, method);

        XServerProcess x;
        xcb_connection_t *c = nullptr;
        const auto closeX = qScopeGuard([&c] {
            if (c)
                xcb_disconnect(c);
        });
        if (x11) {
            QString error;
            if (!x.startXvfb(640, 480, &error))
                QSKIP(qPrintable(error));
            c = xcb_connect(qPrintable(x.display()), nullptr);
            QVERIFY(!xcb_connection_has_error(c));
            // Blank after one second without input.
            xcb_set_screen_saver(c, 1, 0, XCB_BLANKING_PREFERRED, XCB_EXPOSURES_ALLOWED);
            xcb_force_screen_saver(c, XCB_SCREEN_SAVER_RESET);
            xcb_flush(c);
        }
        if (session != u"none"_qs)
            QVERIFY(clientBus().isConnected());
        if (session == u"refusing"_qs)
            offerService(true);

        const QDBusConnection bus = session == u"none"_qs ? QDBusConnection(u"not-connected"_qs) : clientBus();
        ScreenBlanking blanking(bus, c, 200);
        blanking.inhibit();
        QTRY_COMPARE(blanking.method(), method);
        if (!x11)
            return;

        QTest::qWait(2500);
        QVERIFY2(!screenSaverOn(c), "the X screensaver came on while inhibited");
        blanking.release();
        QCOMPARE(blanking.method(), ScreenBlanking::Method::None);
        QTRY_VERIFY_WITH_TIMEOUT(screenSaverOn(c), 5000);
    }
};

QTEST_GUILESS_MAIN(TestScreenBlanking)
#include "tst_screenblanking.moc"
