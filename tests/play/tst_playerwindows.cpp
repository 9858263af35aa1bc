// Closing player windows on a real X server (Xvfb): without a window manager
// a real window is asked to close itself and its program ends; with an EWMH
// window manager (played here by the test, which takes the root's redirect)
// every matching window is minimised and then closed, topmost first.

#include "platform/playerwindows.h"
#include "tests/xserverfixture.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdlib>
#include <cstring>

namespace {

QString buildDir() { return qEnvironmentVariable("CINEVUE_BUILD_DIR"); }

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

} // namespace

class TestPlayerWindows : public QObject
{
    Q_OBJECT

    XServerProcess m_server;

private slots:
    void initTestCase()
    {
        QString error;
        if (!m_server.startXvfb(800, 600, &error))
            QSKIP(qPrintable(error));
    }

    void withoutWindowManager();
    void playerWindowClosesKeepingThePosition();
    void windowManagerRequests_data();
    void windowManagerRequests();
    void nothingToDo();
};

void TestPlayerWindows::withoutWindowManager()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
    const QString helper = buildDir() + u"/tests/cv_titledwindow"_qs;
    XClientProcess player;
    XClientProcess other;
    QString error;
    QVERIFY2(player.start(helper, {u"Alien (1979) - Cinevue Player (PowerDVD)"_qs}, env, m_server.display(), &error),
             qPrintable(error));
    QVERIFY2(other.start(helper, {u"Notes"_qs}, env, m_server.display(), &error), qPrintable(error));

    const QByteArray display = m_server.display().toLatin1();
    // The window appears when its program is up: ask until it is found.
    int asked = 0;
    QTRY_VERIFY_WITH_TIMEOUT(asked > 0 || (asked = ClosePlayerWindows(u"powerdvd"_qs, display)) > 0, 20000);
    QCOMPARE(asked, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!player.isRunning(), 10000);
    QTest::qWait(300);
    QVERIFY(other.isRunning());
    QCOMPARE(ClosePlayerWindows(u"PowerDVD"_qs, display), 0);
}

void TestPlayerWindows::playerWindowClosesKeepingThePosition()
{
    // cinevue-play's window carries the name the start-up shutdown looks for;
    // closing it ends playback the way the Stop key does.
    for (const char *tool : {"ffmpeg", "mpv"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QString::fromLatin1(tool) + u" is not installed (scripts/deps installs it)"_qs));
    }
    QTemporaryDir dir;
    const QString movie = dir.filePath(u"Long Movie.mkv"_qs);
    QProcess ffmpeg;
    ffmpeg.start(u"ffmpeg"_qs, {u"-v"_qs, u"error"_qs, u"-y"_qs, u"-f"_qs, u"lavfi"_qs, u"-i"_qs,
                                u"testsrc=duration=30:size=160x120:rate=25"_qs, u"-c:v"_qs, u"mpeg4"_qs, movie});
    QVERIFY(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);

    QProcess player;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_qs, m_server.display());
    env.insert(u"CINEVUE_HOME"_qs, dir.path());
    env.insert(u"HOME"_qs, dir.path());
    env.remove(u"WAYLAND_DISPLAY"_qs);
    player.setProcessEnvironment(env);
    player.start(buildDir() + u"/cinevue-play"_qs, {movie, u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs});
    QVERIFY(player.waitForStarted(10000));

    const QByteArray display = m_server.display().toLatin1();
    int asked = 0;
    QTRY_VERIFY_WITH_TIMEOUT(asked > 0 || (asked = ClosePlayerWindows(u"PowerDVD"_qs, display)) > 0, 20000);
    QCOMPARE(asked, 1);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), QProcess::NotRunning, 15000);
    QCOMPARE(player.exitCode(), 0);
    QCOMPARE(QDir(dir.filePath(u"Cache/watch_later"_qs)).entryList(QDir::Files).size(), 1);
}

void TestPlayerWindows::windowManagerRequests_data()
{
    QTest::addColumn<QStringList>("titles"); // bottom to top
    QTest::addColumn<QString>("progName");
    QTest::addColumn<QList<int>>("closed");  // indices into titles, in request order

    QTest::newRow("PowerDVD, any letter case, topmost first")
        << QStringList{u"Alien - PowerDVD 18"_qs, u"Notes"_qs, u"powerdvd cinema"_qs} << u"PowerDVD"_qs
        << QList<int>{2, 0};
    QTest::newRow("Movies & TV") << QStringList{u"Movies & TV"_qs, u"Films & TV"_qs} << u"Movies & TV"_qs
                                 << QList<int>{0};
    QTest::newRow("non-Latin title") << QStringList{u"Amélie – PowerDVD"_qs} << u"POWERDVD"_qs << QList<int>{0};
    QTest::newRow("nothing matches") << QStringList{u"Terminal"_qs, u"Browser"_qs} << u"PowerDVD"_qs << QList<int>();
}

void TestPlayerWindows::windowManagerRequests()
{
    QFETCH(QStringList, titles);
    QFETCH(QString, progName);
    QFETCH(QList<int>, closed);

    const QByteArray display = m_server.display().toLatin1();
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(display.constData(), &screenNumber);
    QVERIFY(!xcb_connection_has_error(c));
    const auto disconnect = qScopeGuard([c] { xcb_disconnect(c); });
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_ewmh_connection_t ewmh;
    QVERIFY(xcb_ewmh_init_atoms_replies(&ewmh, xcb_ewmh_init_atoms(c, &ewmh), nullptr));
    const auto wipe = qScopeGuard([&ewmh] { xcb_ewmh_connection_wipe(&ewmh); });

    // Act as the window manager: take the root's redirect and announce support.
    const uint32_t redirect = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_generic_error_t *taken = xcb_request_check(
        c, xcb_change_window_attributes_checked(c, screen->root, XCB_CW_EVENT_MASK, &redirect));
    QVERIFY2(!taken, "another client manages the windows");
    xcb_atom_t supported[] = {ewmh._NET_CLOSE_WINDOW, ewmh._NET_CLIENT_LIST_STACKING};
    xcb_ewmh_set_supported(&ewmh, screenNumber, 2, supported);

    QList<xcb_window_t> windows;
    for (const QString &title : titles) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 100, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        const QByteArray utf8 = title.toUtf8();
        xcb_ewmh_set_wm_name(&ewmh, w, uint32_t(utf8.size()), utf8.constData());
        windows.append(w);
    }
    xcb_ewmh_set_client_list_stacking(&ewmh, screenNumber, uint32_t(windows.size()), windows.data());
    xcb_flush(c);

    QCOMPARE(ClosePlayerWindows(progName, display), int(closed.size()));

    // Every closed window gets an iconify request and then a close request.
    QList<std::pair<xcb_window_t, QString>> expected;
    for (const int i : closed)
        expected << std::pair{windows.at(i), u"iconify"_qs} << std::pair{windows.at(i), u"close"_qs};
    const xcb_atom_t changeState = atom(c, "WM_CHANGE_STATE");
    QList<std::pair<xcb_window_t, QString>> received;
    QElapsedTimer clock;
    clock.start();
    while (received.size() < expected.size() && clock.elapsed() < 5000) {
        xcb_generic_event_t *event = xcb_poll_for_event(c);
        if (!event) {
            QTest::qWait(10);
            continue;
        }
        if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
            const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
            if (message->type == changeState && message->data.data32[0] == 3)
                received << std::pair{message->window, u"iconify"_qs};
            else if (message->type == ewmh._NET_CLOSE_WINDOW)
                received << std::pair{message->window, u"close"_qs};
            else
                received << std::pair{message->window, u"other"_qs};
        }
        std::free(event);
    }
    QTest::qWait(100); // nothing more arrives
    while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
        if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE)
            received << std::pair{reinterpret_cast<xcb_client_message_event_t *>(event)->window, u"late"_qs};
        std::free(event);
    }
    QCOMPARE(received, expected);

    for (const xcb_window_t w : windows)
        xcb_destroy_window(c, w);
    const uint32_t none = 0;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &none);
    xcb_delete_property(c, screen->root, ewmh._NET_SUPPORTED);
    xcb_delete_property(c, screen->root, ewmh._NET_CLIENT_LIST_STACKING);
    xcb_flush(c);
}

void TestPlayerWindows::nothingToDo()
{
    const QByteArray display = m_server.display().toLatin1();
    QCOMPARE(ClosePlayerWindows(QString(), display), 0);            // an empty name matches every title
    QCOMPARE(ClosePlayerWindows(u"PowerDVD"_qs, QByteArrayLiteral(":4999")), 0); // no such server
    const QByteArray saved = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    QCOMPARE(ClosePDVD(u"PowerDVD"_qs), 0);
    if (!saved.isEmpty())
        qputenv("DISPLAY", saved);
}

QTEST_GUILESS_MAIN(TestPlayerWindows)
#include "tst_playerwindows.moc"
