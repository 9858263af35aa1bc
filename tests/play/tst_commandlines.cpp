// The players' and the mount tool's command lines: the argument texts
// character for character, and what a started program really receives after
// RunProgram's split (a recorder program stands in for the players). File
// names with shell and quoting characters must arrive as one argument each
// and run nothing.

#include "platform/processes.h"
#include "play/commandlines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString recorderPath() { return qEnvironmentVariable("CINEVUE_BUILD_DIR") + u"/tests/cv_argrecorder"_qs; }

tPDVD pdvd(bool autoPlay, tPDVDLP lp, const QString &otherOptions)
{
    tPDVD p;
    p.Filepath = recorderPath();
    p.AutoPlay = autoPlay;
    p.LaunchProgram = lp;
    p.OtherOptions = otherOptions;
    return p;
}

} // namespace

class TestCommandLines : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_cwd;

    // Runs the recorder with `arguments` in the scratch folder, waiting, and
    // returns what it received.
    QStringList receivedBy(const QString &arguments)
    {
        const QString out = m_dir->filePath(u"received.txt"_qs);
        QFile::remove(out);
        qputenv("CINEVUE_RECORDER_OUT", QFile::encodeName(out));
        const RunProgramResult r = RunProgram(recorderPath(), arguments, true, true);
        if (!r.started || r.exitCode != 0)
            return {u"<recorder did not run: "_qs + r.messages().join(u"; "_qs) + u'>'};
        QFile f(out);
        if (!f.open(QIODevice::ReadOnly))
            return {u"<nothing recorded>"_qs};
        QStringList received;
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            received << QString::fromLocal8Bit(QByteArray::fromPercentEncoding(lines.at(i)));
        return received;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(recorderPath()).isExecutable(), qPrintable(recorderPath()));
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_cwd = QDir::currentPath();
        QDir::setCurrent(m_dir->path()); // a command that ran would leave its file here
    }
    void cleanupTestCase() { QDir::setCurrent(m_cwd); }

    void powerDvdLines_data();
    void powerDvdLines();
    void mountLines_data();
    void mountLines();
    void moviesAndTv();
    void hostileNames_data();
    void hostileNames();
    void detachedStartGetsTheSameArguments();
};

void TestCommandLines::powerDvdLines_data()
{
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<QString>("loc");
    QTest::addColumn<int>("discType");
    QTest::addColumn<bool>("autoPlay");
    QTest::addColumn<int>("lp");
    QTest::addColumn<QString>("otherOptions");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QStringList>("received");

    const QString folder = u"/movies/Alien (1979)"_qs;
    QTest::newRow("folder, default options")
        << false << folder << int(dtDVD) << true << int(PowerDVDCinema) << u"/fullscreen_mode_on"_qs
        << u" \"/movies/Alien (1979)\" /LaunchProgram PowerDVDCinema /fullscreen_mode_on"_qs
        << QStringList{folder, u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs, u"/fullscreen_mode_on"_qs};
    QTest::newRow("folder, no other options")
        << false << folder << int(dtBluray) << false << int(PowerDVD) << QString()
        << u" \"/movies/Alien (1979)\" /LaunchProgram PowerDVD"_qs
        << QStringList{folder, u"/LaunchProgram"_qs, u"PowerDVD"_qs};
    QTest::newRow("mp4, AutoPlay has no effect")
        << false << u"/movies/Up/Up.mp4"_qs << int(dtDVD) << true << int(PowerCinema) << QString()
        << u" \"/movies/Up/Up.mp4\" /LaunchProgram PowerCinema"_qs
        << QStringList{u"/movies/Up/Up.mp4"_qs, u"/LaunchProgram"_qs, u"PowerCinema"_qs};
    QTest::newRow("mkv, two other options")
        << false << u"/movies/Heat/Heat.mkv"_qs << int(dt4KUltraHD) << false << int(PowerDVDCinema)
        << u"/fullscreen_mode_on /x"_qs << u" \"/movies/Heat/Heat.mkv\" /LaunchProgram PowerDVDCinema /fullscreen_mode_on /x"_qs
        << QStringList{u"/movies/Heat/Heat.mkv"_qs, u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs,
                       u"/fullscreen_mode_on"_qs, u"/x"_qs};
    QTest::newRow("iso, AutoPlay, DVD")
        << true << QString() << int(dtDVD) << true << int(PowerDVDCinema) << QString()
        << u" AUTOPLAY DVD V:\\ /LaunchProgram PowerDVDCinema"_qs
        << QStringList{u"AUTOPLAY"_qs, u"DVD"_qs, u"V:\\"_qs, u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs};
    QTest::newRow("iso, AutoPlay, Blu-ray, other options")
        << true << QString() << int(dtBluray) << true << int(PowerDVD) << u"/fullscreen_mode_on"_qs
        << u" AUTOPLAY BR V:\\ /LaunchProgram PowerDVD /fullscreen_mode_on"_qs
        << QStringList{u"AUTOPLAY"_qs, u"BR"_qs, u"V:\\"_qs, u"/LaunchProgram"_qs, u"PowerDVD"_qs,
                       u"/fullscreen_mode_on"_qs};
    QTest::newRow("iso, AutoPlay, HD DVD: two blanks, no KIND argument")
        << true << QString() << int(dtHDDVD) << true << int(PowerDVDCinema) << QString()
        << u" AUTOPLAY  V:\\ /LaunchProgram PowerDVDCinema"_qs
        << QStringList{u"AUTOPLAY"_qs, u"V:\\"_qs, u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs};
    QTest::newRow("iso, AutoPlay, 4K Ultra HD, other options")
        << true << QString() << int(dt4KUltraHD) << true << int(PowerCinema) << u"/fullscreen_mode_on"_qs
        << u" AUTOPLAY  V:\\ /LaunchProgram PowerCinema /fullscreen_mode_on"_qs
        << QStringList{u"AUTOPLAY"_qs, u"V:\\"_qs, u"/LaunchProgram"_qs, u"PowerCinema"_qs, u"/fullscreen_mode_on"_qs};
    QTest::newRow("iso, no AutoPlay")
        << true << QString() << int(dtBluray) << false << int(PowerDVDCinema) << QString()
        << u" /LaunchProgram PowerDVDCinema"_qs << QStringList{u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs};
    QTest::newRow("iso, no AutoPlay, other options")
        << true << QString() << int(dtDVD) << false << int(PowerDVD) << u"/fullscreen_mode_on"_qs
        << u" /LaunchProgram PowerDVD /fullscreen_mode_on"_qs
        << QStringList{u"/LaunchProgram"_qs, u"PowerDVD"_qs, u"/fullscreen_mode_on"_qs};
}

void TestCommandLines::powerDvdLines()
{
    QFETCH(bool, mounted);
    QFETCH(QString, loc);
    QFETCH(int, discType);
    QFETCH(bool, autoPlay);
    QFETCH(int, lp);
    QFETCH(QString, otherOptions);
    QFETCH(QString, arguments);
    QFETCH(QStringList, received);

    const tPDVD settings = pdvd(autoPlay, tPDVDLP(lp), otherOptions);
    const tCommandLine command = mounted ? PowerDVDDriveCommand(settings, tDiscTypes(discType), u"V"_qs)
                                         : PowerDVDPathCommand(settings, loc);
    QCOMPARE(command.Program, recorderPath());
    QCOMPARE(command.Arguments, arguments);
    QCOMPARE(receivedBy(command.Arguments), received);
}

void TestCommandLines::mountLines_data()
{
    QTest::addColumn<bool>("unmount");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QStringList>("received");

    QTest::newRow("mount") << false << u"V"_qs << u" l=V \"/isos/Alien (1979).iso\""_qs
                           << QStringList{u"l=V"_qs, u"/isos/Alien (1979).iso"_qs};
    QTest::newRow("mount, lower-case drive") << false << u"v"_qs << u" l=v \"/isos/Alien (1979).iso\""_qs
                                             << QStringList{u"l=v"_qs, u"/isos/Alien (1979).iso"_qs};
    QTest::newRow("unmount: one argument") << true << u"V"_qs << u" \"/l=V /u\""_qs << QStringList{u"/l=V /u"_qs};
}

void TestCommandLines::mountLines()
{
    QFETCH(bool, unmount);
    QFETCH(QString, drive);
    QFETCH(QString, arguments);
    QFETCH(QStringList, received);
    const tCommandLine command = unmount ? UnmountCommand(recorderPath(), drive)
                                         : MountCommand(recorderPath(), drive, u"/isos/Alien (1979).iso"_qs);
    QCOMPARE(command.Program, recorderPath());
    QCOMPARE(command.Arguments, arguments);
    QCOMPARE(receivedBy(command.Arguments), received);
}

void TestCommandLines::moviesAndTv()
{
    const tCommandLine command = MoviesAndTVCommand(u"/movies/Up & Down/Up.mkv"_qs);
    QVERIFY2(command.Program.endsWith(u"/xdg-open"_qs), qPrintable(command.Program));
    QCOMPARE(command.Arguments, u" \"/movies/Up & Down/Up.mkv\""_qs);
    QCOMPARE(receivedBy(command.Arguments), QStringList{u"/movies/Up & Down/Up.mkv"_qs});
}

void TestCommandLines::hostileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("command substitution") << u"/m/$(touch pwned).mkv"_qs;
    QTest::newRow("backticks") << u"/m/`touch pwned`.mkv"_qs;
    QTest::newRow("semicolon") << u"/m/a; touch pwned; b.mkv"_qs;
    QTest::newRow("pipe") << u"/m/a | touch pwned.mkv"_qs;
    QTest::newRow("ampersand") << u"/m/Up & touch pwned &.mkv"_qs;
    QTest::newRow("quote in the middle") << u"/m/The \"Best\" Of.mkv"_qs;
    QTest::newRow("quote closing early") << u"/m/a\" ; touch pwned ; \"b.mkv"_qs;
    QTest::newRow("quote at the end") << u"/m/ends with quote\""_qs;
    QTest::newRow("quote at the start") << u"\"/m/starts with quote"_qs;
    QTest::newRow("only a quote") << u"\""_qs;
    QTest::newRow("two quotes") << u"a\"\"b"_qs;
    QTest::newRow("three quotes") << u"a\"\"\"b"_qs;
    QTest::newRow("single quotes") << u"/m/it's 'quoted'.mkv"_qs;
    QTest::newRow("backslashes") << u"\\m\\back\\slash\\"_qs;
    QTest::newRow("line break") << u"/m/line1\nline2; touch pwned.mkv"_qs;
    QTest::newRow("tab and blanks") << u"/m/a\t  b   c.mkv"_qs;
    QTest::newRow("leading dash") << u"-rf"_qs;
    QTest::newRow("option-like") << u"--help"_qs;
    QTest::newRow("variables") << u"/m/$HOME %PATH% ${x}.mkv"_qs;
    QTest::newRow("redirection") << u"/m/a > pwned < b.mkv"_qs;
    QTest::newRow("non-Latin") << u"/m/Amélie – 天国.mkv"_qs;
}

void TestCommandLines::hostileNames()
{
    QFETCH(QString, name);
    const tPDVD settings = pdvd(true, PowerDVDCinema, u"/fullscreen_mode_on"_qs);

    QCOMPARE(receivedBy(PowerDVDPathCommand(settings, name).Arguments),
             (QStringList{name, u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs, u"/fullscreen_mode_on"_qs}));
    QCOMPARE(receivedBy(MountCommand(recorderPath(), u"V"_qs, name).Arguments), (QStringList{u"l=V"_qs, name}));
    QCOMPARE(receivedBy(MoviesAndTVCommand(name).Arguments), QStringList{name});

    // Nothing ran: the scratch folder holds only the recorder's file.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{u"received.txt"_qs});
}

void TestCommandLines::detachedStartGetsTheSameArguments()
{
    // The players are started without waiting; the split is the same.
    const QString out = m_dir->filePath(u"detached.txt"_qs);
    qputenv("CINEVUE_RECORDER_OUT", QFile::encodeName(out));
    const tCommandLine command = PowerDVDPathCommand(pdvd(true, PowerDVD, QString()), u"/m/a \"b\" & c"_qs);
    QVERIFY(RunProgram(command.Program, command.Arguments, false, false).started);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(out).size() > 0, 10000);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QByteArray::fromPercentEncoding(f.readLine().trimmed()), QByteArray("/m/a \"b\" & c"));
    f.close();
    QFile::remove(out);
}

QTEST_GUILESS_MAIN(TestCommandLines)
#include "tst_commandlines.moc"
