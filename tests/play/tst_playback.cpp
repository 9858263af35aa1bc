// Real playback with cinevue-play and mpv, headless: an MKV file, a DVD
// folder, and an ISO image of it mounted with cinevue-mount, each generated
// here with ffmpeg, dvdauthor and genisoimage and started with the command
// line Cinevue builds. Each plays to its end, and the "watched" line reaches a
// local server listening under the name a running Cinevue would use.

#include "platform/processes.h"
#include "play/commandlines.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString buildDir() { return qEnvironmentVariable("CINEVUE_BUILD_DIR"); }

// The single-instance socket name of a program folder, as Cinevue derives it.
QString instanceName(const QString &appPath)
{
    const QString folder = QDir::cleanPath(QDir(appPath).absolutePath());
    return u"Cinevue-"_qs
           + QString::fromLatin1(QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

// A stand-in for the running Cinevue: collects the lines its clients write.
class InstanceServer : public QObject
{
public:
    explicit InstanceServer(const QString &name)
    {
        QLocalServer::removeServer(name);
        m_server.listen(name);
        connect(&m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QLocalSocket::readyRead, this, [this, socket] { take(socket); });
                connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                take(socket);
            }
        });
    }
    bool isListening() const { return m_server.isListening(); }
    QStringList lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    void take(QLocalSocket *socket)
    {
        m_pending += socket->readAll();
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            const qsizetype blank = line.indexOf(' ');
            m_lines << (blank < 0 ? QString::fromUtf8(line)
                                  : QString::fromUtf8(line.left(blank + 1) + QByteArray::fromPercentEncoding(line.mid(blank + 1))));
        }
    }

    QLocalServer m_server;
    QByteArray m_pending;
    QStringList m_lines;
};

struct Run {
    bool finished = false;
    int exitCode = -1;
    QString err;
};

} // namespace

class TestPlayback : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_media;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<InstanceServer> m_cinevue;
    QString m_mkv, m_dvd, m_iso, m_broken;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"CINEVUE_HOME"_qs, m_home->path());
        env.insert(u"HOME"_qs, m_home->path()); // mpv's own settings stay out of the real home
        env.remove(u"DISPLAY"_qs);
        env.remove(u"WAYLAND_DISPLAY"_qs);
        return env;
    }

    // Runs `program` with the command line's argument text split as
    // RunProgram splits it, keeping the event loop (and the server) going.
    Run run(const QString &program, const QString &arguments, const QProcessEnvironment &env, int timeoutMs = 60000)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, QProcess::splitCommand(arguments));
        Run r;
        if (!p.waitForStarted(10000))
            return r;
        QElapsedTimer clock;
        clock.start();
        while (p.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs)
            QTest::qWait(50);
        r.finished = p.state() == QProcess::NotRunning;
        if (!r.finished) {
            p.kill();
            p.waitForFinished();
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    bool generate(const QString &program, const QStringList &arguments, QString *error,
                  const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_media->path());
        p.start(program, arguments);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            *error = program + u' ' + arguments.join(u' ') + u": "_qs + QString::fromLocal8Bit(p.readAllStandardError());
            return false;
        }
        return true;
    }

    tPDVD pdvd(bool autoPlay) const
    {
        tPDVD p;
        p.Filepath = buildDir() + u"/cinevue-play"_qs;
        p.AutoPlay = autoPlay;
        return p; // OtherOptions keep their default, "/fullscreen_mode_on"
    }

private slots:
    void initTestCase();
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        m_cinevue = std::make_unique<InstanceServer>(instanceName(m_home->path()));
        QVERIFY(m_cinevue->isListening());
    }
    void playsToTheEnd_data();
    void playsToTheEnd();
    void stopKeepsThePosition();
    void failures_data();
    void failures();
};

void TestPlayback::initTestCase()
{
    for (const char *tool : {"ffmpeg", "dvdauthor", "genisoimage", "mpv"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QString::fromLatin1(tool) + u" is not installed (scripts/deps installs it)"_qs));
    }
    QVERIFY(QFileInfo(buildDir() + u"/cinevue-play"_qs).isExecutable());
    QVERIFY(QFileInfo(buildDir() + u"/cinevue-mount"_qs).isExecutable());
    m_media = std::make_unique<QTemporaryDir>();
    QVERIFY(m_media->isValid());

    // Names with blanks, quotes and shell characters travel the real command line.
    m_mkv = m_media->filePath(u"Heat & \"Co\" $(touch x).mkv"_qs);
    const QString mpeg = m_media->filePath(u"title.mpg"_qs);
    m_dvd = m_media->filePath(u"Alien's DVD"_qs);
    m_iso = m_media->filePath(u"Alien; DVD.iso"_qs);
    m_broken = m_media->filePath(u"broken.mkv"_qs);
    QString error;
    const QStringList sources{u"-f"_qs, u"lavfi"_qs, u"-i"_qs, u"testsrc=duration=%1:size=%2:rate=25"_qs,
                              u"-f"_qs, u"lavfi"_qs, u"-i"_qs, u"sine=duration=%1:sample_rate=48000"_qs};
    const auto lavfi = [&](int seconds, const QString &size) {
        QStringList args{u"-v"_qs, u"error"_qs, u"-y"_qs};
        for (const QString &s : sources)
            args << QString(s).replace(u"%1"_qs, QString::number(seconds)).replace(u"%2"_qs, size);
        return args;
    };
    QVERIFY2(generate(u"ffmpeg"_qs,
                      lavfi(3, u"320x240"_qs) + QStringList{u"-c:v"_qs, u"mpeg4"_qs, u"-c:a"_qs, u"aac"_qs,
                                                            u"-shortest"_qs, m_mkv},
                      &error),
             qPrintable(error));
    // dvdauthor wants MPEG-2 in a DVD program stream; two seconds keep the run short.
    QVERIFY2(generate(u"ffmpeg"_qs, lavfi(2, u"720x576"_qs) + QStringList{u"-target"_qs, u"pal-dvd"_qs, u"-shortest"_qs, mpeg},
                      &error),
             qPrintable(error));
    QProcessEnvironment pal = QProcessEnvironment::systemEnvironment();
    pal.insert(u"VIDEO_FORMAT"_qs, u"PAL"_qs);
    QVERIFY2(generate(u"dvdauthor"_qs, {u"-o"_qs, m_dvd, u"-t"_qs, mpeg}, &error, pal), qPrintable(error));
    QVERIFY2(generate(u"dvdauthor"_qs, {u"-o"_qs, m_dvd, u"-T"_qs}, &error, pal), qPrintable(error));
    QVERIFY2(generate(u"genisoimage"_qs, {u"-quiet"_qs, u"-dvd-video"_qs, u"-V"_qs, u"ALIEN"_qs, u"-o"_qs, m_iso, m_dvd},
                      &error),
             qPrintable(error));
    QFile broken(m_broken);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(4096, 'x'));
}

void TestPlayback::playsToTheEnd_data()
{
    QTest::addColumn<QString>("what"); // "mkv", "dvd", "iso autoplay", "iso"
    QTest::newRow("MKV file") << u"mkv"_qs;
    QTest::newRow("DVD folder") << u"dvd"_qs;
    QTest::newRow("ISO on the virtual drive, AutoPlay DVD") << u"iso autoplay"_qs;
    QTest::newRow("ISO on the virtual drive, kind guessed") << u"iso"_qs;
}

void TestPlayback::playsToTheEnd()
{
    QFETCH(QString, what);
    QString loc;
    tCommandLine command;
    if (what == u"mkv") {
        loc = m_mkv;
        command = PowerDVDPathCommand(pdvd(true), loc);
    } else if (what == u"dvd") {
        loc = m_dvd;
        command = PowerDVDPathCommand(pdvd(true), loc);
    } else {
        loc = m_iso;
        const tCommandLine mount = MountCommand(buildDir() + u"/cinevue-mount"_qs, u"v"_qs, m_iso);
        QCOMPARE(run(mount.Program, mount.Arguments, environment()).exitCode, 0);
        command = PowerDVDDriveCommand(pdvd(what == u"iso autoplay"), dtDVD, u"V"_qs);
    }
    const Run r = run(command.Program, command.Arguments, environment());
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QTRY_COMPARE(m_cinevue->lines(), (QStringList{u"watched "_qs + loc, u"activate"_qs}));
    QVERIFY(!QFile::exists(m_home->filePath(u"Logs/PlayerError.txt"_qs)));
    QVERIFY(!QFile::exists(m_media->filePath(u"x"_qs))); // the file name ran nothing
}

void TestPlayback::stopKeepsThePosition()
{
    QProcess player;
    player.setProcessEnvironment(environment());
    const tCommandLine command = PowerDVDPathCommand(pdvd(true), m_mkv);
    player.start(command.Program, QProcess::splitCommand(command.Arguments));
    QVERIFY(player.waitForStarted(10000));
    QTest::qWait(1500);
    QCOMPARE(player.state(), QProcess::Running);
    player.terminate(); // as a closed window or a stopped session ends it
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), QProcess::NotRunning, 15000);
    QCOMPARE(player.exitCode(), 0);
    QTRY_COMPARE(m_cinevue->lines(), QStringList{u"activate"_qs}); // not watched
    const QDir watchLater(m_home->filePath(u"Cache/watch_later"_qs));
    const QStringList saved = watchLater.entryList(QDir::Files);
    QCOMPARE(saved.size(), 1);
    QFile f(watchLater.filePath(saved.first()));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("start="));
}

void TestPlayback::failures_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("message");
    QTest::newRow("not a media file") << u"broken"_qs << u"The player could not play \"broken\""_qs;
    QTest::newRow("missing file") << u"missing"_qs << u"does not exist"_qs;
    QTest::newRow("empty virtual drive") << u"drive"_qs << u"No disc in the virtual drive"_qs;
    QTest::newRow("mpv missing") << u"no mpv"_qs << u"the player mpv is not installed"_qs;
}

void TestPlayback::failures()
{
    QFETCH(QString, what);
    QFETCH(QString, message);
    QProcessEnvironment env = environment();
    tCommandLine command = PowerDVDPathCommand(pdvd(true), m_broken);
    if (what == u"missing")
        command = PowerDVDPathCommand(pdvd(true), m_media->filePath(u"gone.mkv"_qs));
    else if (what == u"drive")
        command = PowerDVDDriveCommand(pdvd(false), dtDVD, u"V"_qs);
    else if (what == u"no mpv") {
        command = PowerDVDPathCommand(pdvd(true), m_mkv);
        env.insert(u"CINEVUE_MPV"_qs, m_media->filePath(u"no-such-mpv"_qs));
    }
    const Run r = run(command.Program, command.Arguments, env);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    // One line on standard error, the same in the error file and to Cinevue.
    QVERIFY2(r.err.startsWith(u"cinevue-play: "_qs) && r.err.count(u'\n') == 1 && r.err.contains(message),
             qPrintable(r.err));
    const QString line = r.err.mid(14).trimmed();
    QFile file(m_home->filePath(u"Logs/PlayerError.txt"_qs));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()).trimmed(), line);
    QTRY_COMPARE(m_cinevue->lines(), (QStringList{u"error "_qs + line, u"activate"_qs}));
}

QTEST_GUILESS_MAIN(TestPlayback)
#include "tst_playback.moc"
