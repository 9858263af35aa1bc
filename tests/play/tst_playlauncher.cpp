// The play launcher below the window: player and command line per container,
// the disc choice, the mount flow with the real cinevue-mount, and the
// optical drives by letter.

#include "platform/drives.h"
#include "platform/virtualdrive.h"
#include "play/commandlines.h"
#include "play/playlauncher.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString buildDir() { return qEnvironmentVariable("CINEVUE_BUILD_DIR"); }
QString mountTool() { return buildDir() + u"/cinevue-mount"_qs; }

tTitle titleWith(const QList<tContainers> &containers, tDiscTypes discType = dtDVD)
{
    tTitle t;
    t.DiscType = discType;
    int i = 0;
    for (const tContainers c : containers) {
        tDiscInfo d;
        d.Loc = u"/movies/disc%1"_qs.arg(++i);
        d.Container = c;
        t.DiscInfo.append(d);
    }
    return t;
}

void touch(const QString &path, const QByteArray &content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestPlayLauncher : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::shared_ptr<FileRegistryStore> m_store;

    tSettings mountSettings(const QString &drive, qint32 timeout = 2) const
    {
        tSettings s;
        s.VCDFilePath = mountTool();
        s.VCDDriveLetter = drive;
        s.ISOMountTimeout = timeout;
        return s;
    }

    QString lastMounted() const
    {
        return ReadRegistryValue(*m_store, RegistryHive::CurrentUser, QString::fromUtf16(kVirtualCloneDriveKey),
                                 QString::fromUtf16(kLastMountedFileValue));
    }

    // The mount flow without real one-second pauses: they are counted.
    tMountOutcome mount(const tSettings &s, const QString &image, QStringList *shown = nullptr)
    {
        tMountHooks hooks;
        hooks.pause = [] {};
        hooks.showMounting = [shown](const QString &path) {
            if (shown)
                shown->append(path);
        };
        hooks.showMessages = [](const QStringList &messages) { QFAIL(qPrintable(messages.join(u'\n'))); };
        return MountImage(s, image, hooks, *m_store);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(mountTool()).isExecutable(), qPrintable(mountTool()));
    }
    void init()
    {
        // cinevue-mount finds the program folder through CINEVUE_HOME, as the
        // window's children do.
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("CINEVUE_HOME", QFile::encodeName(m_home->path()));
        m_store = std::make_shared<FileRegistryStore>(m_home->filePath(u"Registry.ini"_qs));
    }

    void playerPerContainer_data();
    void playerPerContainer();
    void discChoice();
    void mountFlow_data();
    void mountFlow();
    void mountWithoutDriveLetter();
    void mountToolRefusesBadCommands_data();
    void mountToolRefusesBadCommands();
    void mountRequests_data();
    void mountRequests();
    void driveLetters();
};

void TestPlayLauncher::playerPerContainer_data()
{
    QTest::addColumn<int>("container");
    QTest::addColumn<int>("encMediaPlayer");
    QTest::addColumn<bool>("mountFirst");
    QTest::addColumn<bool>("moviesAndTv");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("arguments");

    const QString pathArgs = u" \"/movies/disc1\" /LaunchProgram PowerDVDCinema /fullscreen_mode_on"_qs;
    const QString driveArgs = u" AUTOPLAY BR V:\\ /LaunchProgram PowerDVDCinema /fullscreen_mode_on"_qs;
    QTest::newRow("folder, whatever the media player") << int(ctFolder) << int(W10MTV) << false << false
                                                       << kLaunchingPowerDVDText << pathArgs;
    QTest::newRow("mkv, Movies & TV") << int(ctMKV) << int(W10MTV) << false << true << kLaunchingMoviesAndTVText
                                      << u" \"/movies/disc1\""_qs;
    QTest::newRow("mp4, Movies & TV") << int(ctMP4) << int(W10MTV) << false << true << kLaunchingMoviesAndTVText
                                      << u" \"/movies/disc1\""_qs;
    QTest::newRow("mkv, PowerDVD") << int(ctMKV) << int(PDVD) << false << false << kLaunchingPowerDVDText << pathArgs;
    QTest::newRow("mkv, TotalMedia Theatre goes to PowerDVD")
        << int(ctMKV) << int(TMT) << false << false << kLaunchingPowerDVDText << pathArgs;
    QTest::newRow("iso: mounted first, PowerDVD") << int(ctISO) << int(W10MTV) << true << false
                                                 << kLaunchingPowerDVDText << driveArgs;
    QTest::newRow("unknown container: as an image") << int(ctUnknown) << int(PDVD) << true << false
                                                    << kLaunchingPowerDVDText << driveArgs;
}

void TestPlayLauncher::playerPerContainer()
{
    QFETCH(int, container);
    QFETCH(int, encMediaPlayer);
    QFETCH(bool, mountFirst);
    QFETCH(bool, moviesAndTv);
    QFETCH(QString, label);
    QFETCH(QString, arguments);

    tSettings s;
    s.PDVD.Filepath = u"/opt/pdvd"_qs;
    s.VCDDriveLetter = u"V"_qs;
    s.Player4EncMedia = tPlayers(encMediaPlayer);
    s.Player4DVDs = W10MTV; // the disc players never decide
    s.Player4BluRays = W10MTV;
    const tLaunchPlan plan = PlanLaunch(s, titleWith({tContainers(container)}, dtBluray), 0);
    QVERIFY(plan.Valid);
    QCOMPARE(plan.Loc, u"/movies/disc1"_qs);
    QCOMPARE(plan.MountFirst, mountFirst);
    QCOMPARE(plan.MoviesAndTV, moviesAndTv);
    QCOMPARE(plan.Hidden, moviesAndTv);
    QCOMPARE(plan.LaunchLabel, label);
    QCOMPARE(plan.Command.Arguments, arguments);
    QCOMPARE(plan.Command.Program, moviesAndTv ? XdgOpenProgram() : u"/opt/pdvd"_qs);
}

void TestPlayLauncher::discChoice()
{
    QCOMPARE(OnlyDiscIndex(titleWith({})), -1);
    QVERIFY(!NeedsDiscSelection(titleWith({})));
    QCOMPARE(OnlyDiscIndex(titleWith({ctISO})), 0);
    QVERIFY(!NeedsDiscSelection(titleWith({ctISO})));
    QVERIFY(NeedsDiscSelection(titleWith({ctISO, ctFolder})));

    const tTitle two = titleWith({ctFolder, ctMKV});
    QCOMPARE(PlanLaunch(tSettings(), two, 1).Loc, u"/movies/disc2"_qs);
    QVERIFY(!PlanLaunch(tSettings(), two, -1).Valid); // a cancelled selection
    QVERIFY(!PlanLaunch(tSettings(), two, 2).Valid);
}

void TestPlayLauncher::mountFlow_data()
{
    QTest::addColumn<QString>("before");  // image in the drive before, empty for none
    QTest::addColumn<QString>("image");   // image to play
    QTest::addColumn<QString>("drive");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<bool>("alreadyMounted");
    QTest::addColumn<bool>("unmounted");
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<int>("polls");

    QTest::newRow("empty drive: mount, one poll") << QString() << u"a.iso"_qs << u"V"_qs << true << false << false
                                                  << true << 1;
    QTest::newRow("already mounted: nothing run") << u"a.iso"_qs << u"a.iso"_qs << u"V"_qs << true << true << false
                                                  << false << 0;
    QTest::newRow("another image: unmount, then mount")
        << u"b.iso"_qs << u"a.iso"_qs << u"V"_qs << true << false << true << true << 1;
    QTest::newRow("lower-case letter is the same drive")
        << u"a.iso"_qs << u"a.iso"_qs << u"v"_qs << true << true << false << false << 0;
    QTest::newRow("lower-case letter, empty drive") << QString() << u"a.iso"_qs << u"w"_qs << true << false << false
                                                    << true << 1;
    QTest::newRow("missing image: not ready after timeout + 1 polls")
        << QString() << u"missing.iso"_qs << u"V"_qs << false << false << false << true << 3;
    QTest::newRow("missing image replaces a mounted one")
        << u"b.iso"_qs << u"missing.iso"_qs << u"V"_qs << false << false << true << true << 3;
    QTest::newRow("a folder is no image") << QString() << u"folder.iso"_qs << u"V"_qs << false << false << false
                                          << true << 3;
}

void TestPlayLauncher::mountFlow()
{
    QFETCH(QString, before);
    QFETCH(QString, image);
    QFETCH(QString, drive);
    QFETCH(bool, ready);
    QFETCH(bool, alreadyMounted);
    QFETCH(bool, unmounted);
    QFETCH(bool, mounted);
    QFETCH(int, polls);

    QTemporaryDir isos;
    // Image names with blanks and quotes go through the real command line.
    const auto path = [&](const QString &name) { return isos.filePath(u"Disc \"1\" & "_qs + name); };
    touch(path(u"a.iso"_qs));
    touch(path(u"b.iso"_qs));
    QDir().mkpath(path(u"folder.iso"_qs));
    if (!before.isEmpty()) {
        const RunProgramResult r = RunProgram(
            mountTool(), MountCommand(mountTool(), drive.toUpper(), path(before)).Arguments, true, true);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(lastMounted(), path(before));
    }

    QStringList shown;
    const tMountOutcome outcome = mount(mountSettings(drive), path(image), &shown);
    QCOMPARE(outcome.Ready, ready);
    QCOMPARE(outcome.AlreadyMounted, alreadyMounted);
    QCOMPARE(outcome.Unmounted, unmounted);
    QCOMPARE(outcome.Mounted, mounted);
    QCOMPARE(outcome.Polls, polls);
    QCOMPARE(shown, mounted ? QStringList{path(image)} : QStringList());
    QCOMPARE(DriveReady(*m_store, drive.at(0)), ready);
    QCOMPARE(AttachedImage(*m_store, drive.at(0)), ready ? path(image) : QString());
    // LastMountedFile names the last image that was really attached.
    QCOMPARE(lastMounted(), ready ? path(image) : (before.isEmpty() ? u"ERROR"_qs : path(before)));
}

void TestPlayLauncher::mountWithoutDriveLetter()
{
    QStringList shown;
    const tMountOutcome outcome = mount(mountSettings(QString()), u"/isos/a.iso"_qs, &shown);
    QVERIFY(outcome.NoDriveLetter);
    QVERIFY(!outcome.Ready && !outcome.Mounted);
    QVERIFY(shown.isEmpty());
}

void TestPlayLauncher::mountToolRefusesBadCommands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing") << QStringList() << u"usage"_qs;
    QTest::newRow("no image") << QStringList{u"l=V"_qs} << u"usage"_qs;
    QTest::newRow("no drive letter") << QStringList{u"l=7"_qs, u"/x.iso"_qs} << u"usage"_qs;
    QTest::newRow("unmount without letter") << QStringList{u"/l= /u"_qs} << u"usage"_qs;
    QTest::newRow("missing image") << QStringList{u"l=V"_qs, u"/nonexistent/x.iso"_qs} << u"no such file"_qs;
    QTest::newRow("folder as image") << QStringList{u"l=V"_qs, u"/"_qs} << u"not a regular file"_qs;
}

void TestPlayLauncher::mountToolRefusesBadCommands()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess tool;
    tool.start(mountTool(), arguments);
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
    QVERIFY2(err.startsWith(u"cinevue-mount: "_qs) && err.contains(message), qPrintable(err));
    QVERIFY(!DriveReady(*m_store, u'V'));
}

void TestPlayLauncher::mountRequests_data()
{
    using Action = tMountRequest::Action;
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("understood");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("image");
    // What Cinevue starts the tool with, split as RunProgram splits it.
    const QStringList mount = QProcess::splitCommand(MountCommand(u"m"_qs, u"V"_qs, u"/isos/Heat (1995).iso"_qs).Arguments);
    const QStringList unmount = QProcess::splitCommand(UnmountCommand(u"m"_qs, u"w"_qs).Arguments);
    QTest::newRow("mount as Cinevue builds it") << mount << true << int(Action::Attach) << u"V"_qs << u"/isos/Heat (1995).iso"_qs;
    QTest::newRow("unmount as Cinevue builds it") << unmount << true << int(Action::Detach) << u"W"_qs << QString();
    QTest::newRow("unmount as two arguments, any case") << QStringList{u"/L=v"_qs, u"/U"_qs} << true << int(Action::Detach)
                                                         << u"V"_qs << QString();
    QTest::newRow("mount, lower-case letter") << QStringList{u"L=d"_qs, u"a.iso"_qs} << true << int(Action::Attach) << u"D"_qs
                                              << u"a.iso"_qs;
    QTest::newRow("only the first character after = counts")
        << QStringList{u"l=Vx"_qs, u"a.iso"_qs} << true << int(Action::Attach) << u"V"_qs << u"a.iso"_qs;
    QTest::newRow("one argument with a space is split") << QStringList{u"l=V /a.iso"_qs} << true << int(Action::Attach)
                                                        << u"V"_qs << u"/a.iso"_qs;
    QTest::newRow("nothing") << QStringList() << false << 0 << QString() << QString();
    QTest::newRow("no image") << QStringList{u"l=V"_qs} << false << 0 << QString() << QString();
    QTest::newRow("empty argument") << QStringList{QString()} << false << 0 << QString() << QString();
    QTest::newRow("no drive letter") << QStringList{u"l=7"_qs, u"/x.iso"_qs} << false << 0 << QString() << QString();
    QTest::newRow("nothing after =") << QStringList{u"l="_qs, u"/x.iso"_qs} << false << 0 << QString() << QString();
    QTest::newRow("unmount without letter") << QStringList{u"/l= /u"_qs} << false << 0 << QString() << QString();
    QTest::newRow("unmount with the mount prefix") << QStringList{u"l=V"_qs, u"/u"_qs} << false << 0 << QString() << QString();
    QTest::newRow("mount with the unmount prefix") << QStringList{u"/l=V"_qs, u"a.iso"_qs} << false << 0 << QString()
                                                   << QString();
    QTest::newRow("three arguments") << QStringList{u"l=V"_qs, u"a.iso"_qs, u"b.iso"_qs} << false << 0 << QString()
                                     << QString();
}

void TestPlayLauncher::mountRequests()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, understood);
    QFETCH(int, action);
    QFETCH(QString, drive);
    QFETCH(QString, image);
    const tMountRequestResult r = ParseMountRequest(arguments);
    QCOMPARE(r.Request.has_value(), understood);
    if (!understood) {
        QCOMPARE(r.Error, QString::fromLatin1(kMountUsage));
        return;
    }
    QVERIFY(r.Error.isEmpty());
    QCOMPARE(int(r.Request->RequestAction), action);
    QCOMPARE(QString(r.Request->Drive), drive);
    QCOMPARE(r.Request->Image, image);
}

void TestPlayLauncher::driveLetters()
{
    // A fake /sys/block and /dev: three real drives (sr10 after sr2), a disk
    // that is no optical drive, and the device nodes as plain files, which
    // hold no medium.
    QTemporaryDir fake;
    tOpticalDriveSources sources;
    sources.sysBlock = fake.filePath(u"sys"_qs);
    sources.devDir = fake.filePath(u"dev"_qs);
    sources.byLabel = fake.filePath(u"by-label"_qs);
    touch(sources.sysBlock + u"/sr0/device/vendor"_qs, "HL-DT-ST\n");
    touch(sources.sysBlock + u"/sr0/device/model"_qs, "BD-RE  WH16NS60 \n");
    touch(sources.sysBlock + u"/sr10/device/model"_qs, "DVD-ROM\n");
    QDir().mkpath(sources.sysBlock + u"/sr2"_qs);
    QDir().mkpath(sources.sysBlock + u"/sda"_qs);
    for (const char *node : {"sr0", "sr2", "sr10"})
        touch(sources.devDir + u'/' + QString::fromLatin1(node));
    QDir().mkpath(sources.byLabel);
    QVERIFY(QFile::link(sources.devDir + u"/sr2"_qs, sources.byLabel + u"/MY\\x20MOVIE"_qs));

    // Before any mount the virtual drive is V.
    QList<tOpticalDrive> drives = GetOpticalDrives(*m_store, sources);
    QCOMPARE(drives.size(), 4);
    QCOMPARE(drives.at(0), (tOpticalDrive{u'D', u"HL-DT-ST BD-RE  WH16NS60 (D:)"_qs, sources.devDir + u"/sr0"_qs, false}));
    QCOMPARE(drives.at(1), (tOpticalDrive{u'E', u"MY MOVIE (E:)"_qs, sources.devDir + u"/sr2"_qs, false}));
    QCOMPARE(drives.at(2), (tOpticalDrive{u'F', u"DVD-ROM (F:)"_qs, sources.devDir + u"/sr10"_qs, false}));
    QCOMPARE(drives.at(3), (tOpticalDrive{u'V', u"Virtual drive (V:)"_qs, QString(), true}));
    QVERIFY(!DriveReady(*m_store, u'D', sources)); // a plain file is no drive with a disc
    QVERIFY(!DriveReady(*m_store, u'V', sources));
    QVERIFY(!DriveReady(*m_store, u'Q', sources));
    QVERIFY(!DriveReady(*m_store, u'?', sources));

    // A virtual drive mounted as E pushes the real drives past it.
    QTemporaryDir isos;
    const QString image = isos.filePath(u"Heat.iso"_qs);
    touch(image);
    QVERIFY(AttachImage(*m_store, u'e', image));
    drives = GetOpticalDrives(*m_store, sources);
    QCOMPARE(drives.size(), 4);
    QCOMPARE(drives.at(0).DriveLetter, u'D');
    QCOMPARE(drives.at(1), (tOpticalDrive{u'E', u"Heat (E:)"_qs, QString(), true}));
    QCOMPARE(drives.at(2).DriveLetter, u'F');
    QCOMPARE(drives.at(2).Device, sources.devDir + u"/sr2"_qs);
    QCOMPARE(drives.at(3).DriveLetter, u'G');
    QVERIFY(DriveReady(*m_store, u'E', sources));
    QVERIFY(DriveReady(*m_store, u'e', sources));
    QCOMPARE(OpticalDriveDevice(*m_store, u'E', sources), QString());
    QCOMPARE(OpticalDriveDevice(*m_store, u'G', sources), sources.devDir + u"/sr10"_qs);

    // An attached image that was deleted leaves the drive not ready.
    QVERIFY(QFile::remove(image));
    QVERIFY(!DriveReady(*m_store, u'E', sources));
}

QTEST_GUILESS_MAIN(TestPlayLauncher)
#include "tst_playlauncher.moc"
