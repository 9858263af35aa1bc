// The real cinevue program on real X servers: the window covers the screen
// with a window manager and without one (Cinevue as the whole X session), and
// follows a change of resolution.

#include "tests/xserverfixture.h"
#include "tools/mmtreegen.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

const QString kWindowManager = u"matchbox-window-manager"_qs;

// The geometry of the top-level window named "Cinevue" on `display`, in root
// coordinates, as the X server reports it.
std::optional<QRect> cinevueWindow(const QString &display)
{
    QProcess p;
    p.start(u"xwininfo"_qs, {u"-display"_qs, display, u"-name"_qs, u"Cinevue"_qs});
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const auto field = [&out](const QString &name) -> std::optional<int> {
        const QRegularExpressionMatch m =
            QRegularExpression(u"^\\s*"_qs + QRegularExpression::escape(name) + u":\\s*(-?\\d+)"_qs,
                               QRegularExpression::MultilineOption)
                .match(out);
        if (!m.hasMatch())
            return std::nullopt;
        return m.captured(1).toInt();
    };
    const auto x = field(u"Absolute upper-left X"_qs), y = field(u"Absolute upper-left Y"_qs);
    const auto w = field(u"Width"_qs), h = field(u"Height"_qs);
    if (!x || !y || !w || !h)
        return std::nullopt;
    return QRect(*x, *y, *w, *h);
}

QString describe(const std::optional<QRect> &r)
{
    if (!r)
        return u"no window"_qs;
    return u"%1x%2+%3+%4"_qs.arg(r->width()).arg(r->height()).arg(r->x()).arg(r->y());
}

} // namespace

class TestTvSession : public QObject
{
    Q_OBJECT

    QString m_cinevue;
    QTemporaryDir m_collection;
    std::unique_ptr<QTemporaryDir> m_home;

    void requirePrograms(const QStringList &programs)
    {
        for (const QString &program : programs) {
            if (QStandardPaths::findExecutable(program).isEmpty())
                QSKIP(qPrintable(program + u" is not installed (scripts/deps installs it)"_qs));
        }
    }

    // Cinevue on `display` with its own program folder monitoring the small
    // collection. The session bus of the user running the test is left alone.
    void startCinevue(XClientProcess &cinevue, const QString &display)
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        QFile config(m_home->filePath(u"Cinevue.cfg"_qs));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write((u"[Cinevue Configuration Settings v.1]\r\nScanFolder="_qs + m_collection.path()
                      + u"/\r\nAutoScan=True\r\n"_qs).toUtf8());
        config.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        env.insert(u"CINEVUE_HOME"_qs, m_home->path());
        env.insert(u"HOME"_qs, m_home->path());
        env.insert(u"XDG_RUNTIME_DIR"_qs, m_home->path());
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_qs, u"unix:path="_qs + m_home->filePath(u"no-bus"_qs));
        QString error;
        QVERIFY2(cinevue.start(m_cinevue, {}, env, display, &error), qPrintable(error));
    }

    // Waits until the window is `expected`, then compares.
    void waitForWindow(const QString &display, const QRect &expected, XClientProcess &cinevue)
    {
        std::optional<QRect> got;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000) {
            got = cinevueWindow(display);
            if (got == expected || !cinevue.isRunning())
                break;
            QTest::qWait(200);
        }
        QVERIFY2(cinevue.isRunning(), qPrintable(u"cinevue ended: "_qs + cinevue.output()));
        QVERIFY2(got == expected, qPrintable(u"window %1, screen %2"_qs.arg(describe(got), describe(expected))));
    }

private slots:
    void initTestCase()
    {
        const QString buildDir = qEnvironmentVariable("CINEVUE_BUILD_DIR");
        QVERIFY2(!buildDir.isEmpty(), "CINEVUE_BUILD_DIR is not set (run the test through ctest)");
        m_cinevue = buildDir + u"/cinevue"_qs;
        QVERIFY2(QFileInfo(m_cinevue).isExecutable(), qPrintable(m_cinevue));
        QVERIFY(m_collection.isValid());
        MMTreeOptions gen;
        gen.root = m_collection.path();
        gen.titles = 4;
        gen.seed = 11;
        const MMTreeResult tree = GenerateMyMoviesTree(gen);
        QVERIFY2(tree.ok, qPrintable(tree.error));
    }

    void coversTheScreen_data()
    {
        QTest::addColumn<bool>("windowManager");
        QTest::addColumn<QSize>("screen");
        QTest::newRow("no window manager, design size") << false << QSize(1920, 1080);
        QTest::newRow("no window manager, 720p") << false << QSize(1280, 720);
        QTest::newRow("window manager, design size") << true << QSize(1920, 1080);
        QTest::newRow("window manager, 1366x768") << true << QSize(1366, 768);
    }
    void coversTheScreen()
    {
        QFETCH(bool, windowManager);
        QFETCH(QSize, screen);
        requirePrograms({u"Xvfb"_qs, u"xwininfo"_qs});
        if (windowManager)
            requirePrograms({kWindowManager});

        XServerProcess x;
        QString error;
        QVERIFY2(x.startXvfb(screen.width(), screen.height(), &error), qPrintable(error));
        XClientProcess wm;
        if (windowManager) {
            QVERIFY2(wm.start(kWindowManager, {u"-use_titlebar"_qs, u"no"_qs}, QProcessEnvironment::systemEnvironment(),
                              x.display(), &error),
                     qPrintable(error));
            QTest::qWait(300); // the manager selects its events before Cinevue maps its window
        }
        XClientProcess cinevue;
        startCinevue(cinevue, x.display());
        if (QTest::currentTestFailed())
            return;
        waitForWindow(x.display(), QRect(QPoint(0, 0), screen), cinevue);
        if (windowManager)
            QVERIFY2(wm.isRunning(), qPrintable(wm.output()));
    }

    // Xvfb cannot change its resolution; Xephyr (nested in an Xvfb) takes
    // RandR size changes as a real screen does.
    void followsResolutionChange_data()
    {
        QTest::addColumn<bool>("windowManager");
        QTest::newRow("no window manager") << false;
        QTest::newRow("window manager") << true;
    }
    void followsResolutionChange()
    {
        QFETCH(bool, windowManager);
        requirePrograms({u"Xvfb"_qs, u"Xephyr"_qs, u"xrandr"_qs, u"xwininfo"_qs});
        if (windowManager)
            requirePrograms({kWindowManager});

        XServerProcess host;
        QString error;
        QVERIFY2(host.startXvfb(1920, 1200, &error), qPrintable(error));
        XServerProcess x;
        QVERIFY2(x.startXephyr(host.display(), 1920, 1080, &error), qPrintable(error));
        XClientProcess wm;
        if (windowManager) {
            QVERIFY2(wm.start(kWindowManager, {u"-use_titlebar"_qs, u"no"_qs}, QProcessEnvironment::systemEnvironment(),
                              x.display(), &error),
                     qPrintable(error));
            QTest::qWait(300);
        }
        XClientProcess cinevue;
        startCinevue(cinevue, x.display());
        if (QTest::currentTestFailed())
            return;
        waitForWindow(x.display(), QRect(0, 0, 1920, 1080), cinevue);
        if (QTest::currentTestFailed())
            return;

        for (const QSize size : {QSize(1280, 1024), QSize(800, 600)}) {
            QProcess xrandr;
            xrandr.start(u"xrandr"_qs, {u"-display"_qs, x.display(), u"-s"_qs,
                                        u"%1x%2"_qs.arg(size.width()).arg(size.height())});
            QVERIFY(xrandr.waitForFinished(10000));
            QVERIFY2(xrandr.exitCode() == 0, xrandr.readAllStandardError().constData());
            waitForWindow(x.display(), QRect(QPoint(0, 0), size), cinevue);
            if (QTest::currentTestFailed())
                return;
        }
    }
};

QTEST_GUILESS_MAIN(TestTvSession)
#include "tst_tvsession.moc"
