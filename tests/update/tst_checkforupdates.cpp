// The whole update check against a loopback HTTP server: what each answer
// leads to, a successful update from the request to the restart, every way
// a package can fail (the program folder then stays byte for byte as it
// was), a program folder that cannot take an update, and cancelling.

#include "update/checkforupdates.h"

#include "update/crc64.h"
#include "updatefixture.h"

#include <QMutex>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <atomic>

using namespace updatetest;

namespace {

const QString kRunning = u"1.7.2017.0006"_qs;
const QString kNew = u"1.8.2018.0001"_qs;
const QByteArray kAnswerPath = "/cinevue/downloads/CinevueInfo_1.7.2017.0006.xml";
const QByteArray kPackagePath = "/downloads/Cinevue_1.8.zip";
const QString kChanges = u"A clock for the fan-art view."_qs;

class RecordingDialogs : public UpdateDialogs
{
public:
    explicit RecordingDialogs(bool yes = false) : m_yes(yes) {}

    bool askYesNo(const QString &text) override { record(u"ask: "_qs + text); return m_yes; }
    void showMessage(const QString &text) override { record(u"message: "_qs + text); }
    void showError(const QString &text) override { record(u"error: "_qs + text); }
    void setCaption(const QString &text) override { QMutexLocker l(&m_mutex); m_caption = text; }
    void restart(const QString &programFile) override { QMutexLocker l(&m_mutex); m_restarted = programFile; }

    QStringList shown() const { QMutexLocker l(&m_mutex); return m_shown; }
    QString caption() const { QMutexLocker l(&m_mutex); return m_caption; }
    QString restarted() const { QMutexLocker l(&m_mutex); return m_restarted; }

private:
    void record(const QString &line) { QMutexLocker l(&m_mutex); m_shown.append(line); }

    bool m_yes;
    mutable QMutex m_mutex;
    QStringList m_shown;
    QString m_caption;
    QString m_restarted;
};

struct Answer {
    QString version = kRunning;
    QString type = u"Mandatory"_qs;
    QString newVersion = kNew;
    QString url;
    QString crc;
    QString size;
    QString omit; // an element left out
};

QByteArray answerXml(const Answer &a)
{
    const QList<std::pair<QString, QString>> fields = {
        {u"Version"_qs, a.version}, {u"UpgradeType"_qs, a.type}, {u"NewVersion"_qs, a.newVersion},
        {u"Changes"_qs, kChanges}, {u"URL"_qs, a.url}, {u"CRC64"_qs, a.crc}, {u"Size"_qs, a.size}};
    QString xml = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CinevueInfo>\n"_qs;
    for (const auto &[name, value] : fields) {
        if (name != a.omit)
            xml += u"  <%1>%2</%1>\n"_qs.arg(name, value.toHtmlEscaped());
    }
    return (xml + u"</CinevueInfo>\n"_qs).toUtf8();
}

tUpdate answerFields(const Answer &a)
{
    tUpdate u;
    u.Version = a.version;
    u.UpgradeType = a.type;
    u.NewVersion = a.newVersion;
    u.Changes = kChanges;
    return u;
}

QList<ZipItem> newProgram()
{
    return {file("cinevue", "new program", 0100755), folder("lib/"), file("lib/libcore.so", "new library"),
            file("lib/plugins/extra.so", "new plugin"), file("README", "read me")};
}

QMap<QString, QByteArray> installedTree()
{
    QMap<QString, QByteArray> tree;
    tree[u"cinevue"_qs] = "new program";
    tree[u"cinevue.old"_qs] = "old program";
    tree[u"Cinevue.cfg"_qs] = "settings";
    tree[u"CinevueDB.xml"_qs] = "<Titles/>";
    tree[u"lib"_qs] = "<folder>";
    tree[u"lib/libcore.so"_qs] = "new library";
    tree[u"lib/plugins"_qs] = "<folder>";
    tree[u"lib/plugins/extra.so"_qs] = "new plugin";
    tree[u"README"_qs] = "read me";
    tree[u"Logs"_qs] = "<folder>";
    tree[u"Logs/Cinevue Sync Error Log.txt"_qs] = "this run's log";
    return tree;
}

} // namespace

class TestCheckForUpdates : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void successfulUpdate();
    void answers_data();
    void answers();
    void failedPackage_data();
    void failedPackage();
    void programFolderCannotTakeUpdate_data();
    void programFolderCannotTakeUpdate();
    void noServer();
    void cancelWhileWaitingForServer();

private:
    // An old program folder: the program, a library, settings and database.
    void writeOldProgram();
    QString writePackage(const QList<ZipItem> &items);
    // Serves the zip file as the package and an answer describing it (its
    // real CRC and size where `answer` leaves them null).
    void serve(const QString &zip, Answer answer, LoopbackServer::Delivery delivery = LoopbackServer::Delivery::Whole);
    void servePackage(const QList<ZipItem> &items, const Answer &answer) { serve(writePackage(items), answer); }
    UpdateSite site(const QString &version = kRunning) const;
    void runCheck(const UpdateSite &site, UpdateDialogs &dialogs, UpdateCheckResult &result,
                  const std::atomic_bool *cancel = nullptr);
    QByteArray packageRequest() const { return kPackagePath + "?Ver=" + kRunning.toUtf8(); }

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_app;
    std::unique_ptr<LoopbackServer> m_server;
    QTemporaryDir m_packages;
};

void TestCheckForUpdates::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_app = m_root->filePath(u"app"_qs);
    QVERIFY(QDir().mkpath(m_app));
    m_server = std::make_unique<LoopbackServer>();
    QVERIFY(m_server->listen());
}

void TestCheckForUpdates::cleanup()
{
    m_server.reset();
    m_root.reset();
}

void TestCheckForUpdates::writeOldProgram()
{
    QVERIFY(writeAll(m_app + u"/cinevue"_qs, "old program"));
    QVERIFY(writeAll(m_app + u"/lib/libcore.so"_qs, "old library"));
    QVERIFY(writeAll(m_app + u"/Cinevue.cfg"_qs, "settings"));
    QVERIFY(writeAll(m_app + u"/CinevueDB.xml"_qs, "<Titles/>"));
}

QString TestCheckForUpdates::writePackage(const QList<ZipItem> &items)
{
    const QString zip = m_packages.filePath(u"package.zip"_qs);
    if (!writeZip(zip, items))
        qWarning("libzip could not write the test package");
    return zip;
}

void TestCheckForUpdates::serve(const QString &zip, Answer answer, LoopbackServer::Delivery delivery)
{
    const QByteArray bytes = readAll(zip);
    QVERIFY(!bytes.isEmpty());
    if (answer.url.isEmpty())
        answer.url = m_server->url() + QString::fromUtf8(kPackagePath);
    if (answer.crc.isNull())
        answer.crc = FileCrc64Text(zip);
    if (answer.size.isNull())
        answer.size = QString::number(bytes.size());
    m_server->set(kPackagePath, bytes, delivery);
    m_server->set(kAnswerPath, answerXml(answer));
}

UpdateSite TestCheckForUpdates::site(const QString &version) const
{
    UpdateSite s;
    s.appPath = m_app + u"/"_qs;
    s.progVersion = version;
    s.serverUrl = m_server->url();
    s.stallTimeoutMs = 1000;
    return s;
}

void TestCheckForUpdates::runCheck(const UpdateSite &site, UpdateDialogs &dialogs, UpdateCheckResult &result,
                                   const std::atomic_bool *cancel)
{
    // On a worker thread, as in the window; the server answers on this one.
    QFuture<UpdateCheckResult> check = QtConcurrent::run([site, &dialogs, cancel] {
        return CheckForUpdates(site, tUpdate(), dialogs, cancel).Execute();
    });
    QTRY_VERIFY_WITH_TIMEOUT(check.isFinished(), 30000);
    result = check.result();
}

void TestCheckForUpdates::successfulUpdate()
{
    writeOldProgram();
    QVERIFY(writeAll(m_app + u"/cinevue.old"_qs, "backup of an earlier update"));
    for (const QString &name : CheckForUpdates::LeftOverFiles())
        QVERIFY(writeAll(m_app + u"/"_qs + name, "left over"));
    QVERIFY(writeAll(m_app + u"/Logs/Cinevue Sync Error Log.txt"_qs, "this run's log")); // not a left-over
    servePackage(newProgram(), Answer());

    RecordingDialogs dialogs;
    UpdateCheckResult result;
    runCheck(site(), dialogs, result);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(result.outcome, UpdateOutcome::Installed);
    QCOMPARE(dialogs.shown(), QStringList{u"message: "_qs + MandatoryUpdateText(answerFields(Answer()))});
    QCOMPARE(dialogs.caption(), u"Cinevue - Closing"_qs);
    QCOMPARE(dialogs.restarted(), m_app + u"/cinevue"_qs);
    QCOMPARE(m_server->requests(), (QList<QByteArray>{kAnswerPath, packageRequest()}));
    // The stale backup and the left-overs are gone, the package removed, no
    // work folder left; the old program is the new backup.
    QCOMPARE(snapshot(m_app), installedTree());
    QVERIFY(QFile::permissions(m_app + u"/cinevue"_qs).testFlag(QFileDevice::ExeOwner));
    QCOMPARE(result.update.NewVersion, kNew);

    // The new program's first check removes the backup.
    RecordingDialogs next;
    runCheck(site(kNew), next, result);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(result.outcome, UpdateOutcome::NoUpdate);
    QCOMPARE(next.shown(), QStringList());
    QMap<QString, QByteArray> afterNextCheck = installedTree();
    afterNextCheck.remove(u"cinevue.old"_qs);
    QCOMPARE(snapshot(m_app), afterNextCheck);
}

void TestCheckForUpdates::answers_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<UpdateOutcome>("outcome");
    QTest::addColumn<QStringList>("shown"); // "ask", "message", "crc", "size": the dialogs in order
    QTest::addColumn<bool>("downloaded");

    Answer optional;
    optional.type = u"Optional"_qs;
    QTest::newRow("optional answered Yes") << optional << true << UpdateOutcome::Installed << QStringList{u"ask"_qs} << true;
    QTest::newRow("optional answered No") << optional << false << UpdateOutcome::Declined << QStringList{u"ask"_qs} << false;
    Answer none;
    none.type = u"None"_qs;
    QTest::newRow("None") << none << true << UpdateOutcome::NoUpdate << QStringList() << false;
    Answer lowerNone;
    lowerNone.type = u"none"_qs;
    QTest::newRow("none in lower case is mandatory") << lowerNone << false << UpdateOutcome::Installed << QStringList{u"message"_qs} << true;
    Answer other;
    other.version = u"1.6.2016.0001"_qs;
    QTest::newRow("answer for another version") << other << true << UpdateOutcome::NoUpdate << QStringList() << false;
    Answer same;
    same.newVersion = kRunning;
    QTest::newRow("same NewVersion") << same << true << UpdateOutcome::NoUpdate << QStringList() << false;
    Answer noVersion;
    noVersion.omit = u"Version"_qs;
    QTest::newRow("missing Version element") << noVersion << true << UpdateOutcome::NoUpdate << QStringList() << false;
    // Fields after a missing element keep their old (empty) values.
    Answer noCrc;
    noCrc.omit = u"CRC64"_qs;
    QTest::newRow("missing CRC64 element") << noCrc << true << UpdateOutcome::CrcMismatch << QStringList{u"message"_qs, u"crc"_qs} << true;
    Answer badSize;
    badSize.size = u"1 MB"_qs;
    QTest::newRow("bad Size") << badSize << true << UpdateOutcome::SizeMismatch << QStringList{u"message"_qs, u"size"_qs} << true;
}

void TestCheckForUpdates::answers()
{
    QFETCH(Answer, answer);
    QFETCH(bool, yes);
    QFETCH(UpdateOutcome, outcome);
    QFETCH(QStringList, shown);
    QFETCH(bool, downloaded);
    writeOldProgram();
    servePackage(newProgram(), answer);

    RecordingDialogs dialogs(yes);
    UpdateCheckResult result;
    runCheck(site(), dialogs, result);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(result.outcome, outcome);
    QStringList expected;
    for (const QString &kind : shown) {
        if (kind == u"ask"_qs)
            expected << u"ask: "_qs + OptionalUpdateText(answerFields(answer));
        else if (kind == u"message"_qs)
            expected << u"message: "_qs + MandatoryUpdateText(answerFields(answer));
        else if (kind == u"crc"_qs)
            expected << u"error: "_qs + CheckForUpdates::CrcErrorText();
        else
            expected << u"error: "_qs + CheckForUpdates::SizeErrorText();
    }
    QCOMPARE(dialogs.shown(), expected);
    QCOMPARE(m_server->requests().contains(packageRequest()), downloaded);
    const bool installed = outcome == UpdateOutcome::Installed;
    QCOMPARE(readAll(m_app + u"/cinevue"_qs), installed ? QByteArray("new program") : QByteArray("old program"));
    QCOMPARE(dialogs.restarted().isEmpty(), !installed);
    QCOMPARE(dialogs.caption().isEmpty(), !downloaded);
}

void TestCheckForUpdates::failedPackage_data()
{
    QTest::addColumn<QList<ZipItem>>("items");
    QTest::addColumn<QString>("crc");  // null: the package's own
    QTest::addColumn<QString>("size"); // null: the package's own
    QTest::addColumn<int>("delivery");
    QTest::addColumn<UpdateOutcome>("outcome");
    QTest::addColumn<QString>("error"); // the error box, "...": the text begins so; empty: none
    QTest::addColumn<bool>("packageKept");

    const int whole = int(LoopbackServer::Delivery::Whole);
    const QString extract = CheckForUpdates::ExtractErrorText();
    QTest::newRow("CRC in upper case") << newProgram() << u"upper"_qs << QString() << whole
                                       << UpdateOutcome::CrcMismatch << CheckForUpdates::CrcErrorText() << true;
    QTest::newRow("CRC of another file") << newProgram() << u"0af0a4f1e359ec62"_qs << QString() << whole
                                         << UpdateOutcome::CrcMismatch << CheckForUpdates::CrcErrorText() << true;
    QTest::newRow("Size 0") << newProgram() << QString() << u"0"_qs << whole << UpdateOutcome::SizeMismatch
                            << CheckForUpdates::SizeErrorText() << true;
    QTest::newRow("Size one byte short") << newProgram() << QString() << u"short"_qs << whole
                                         << UpdateOutcome::SizeMismatch << CheckForUpdates::SizeErrorText() << true;
    QTest::newRow("download cut off half-way") << newProgram() << QString() << QString()
                                               << int(LoopbackServer::Delivery::CutOffHalfWay)
                                               << UpdateOutcome::DownloadFailed << QString() << false;
    QTest::newRow("server stops sending") << newProgram() << QString() << QString()
                                          << int(LoopbackServer::Delivery::Stall) << UpdateOutcome::DownloadFailed
                                          << QString() << false;

    const struct {
        const char *tag;
        ZipItem item;
    } hostile[] = {
        {"entry with an absolute path", file("@ROOT@/escaped-absolute", "evil")},
        {"entry with a drive letter", file("C:/escaped-drive", "evil")},
        {"entry leading out with ..", file("../escaped-parent", "evil")},
        {"entry leading out with ..\\", file("lib\\..\\..\\escaped-backslash", "evil")},
        {"symbolic link entry", file("lib/link.so", "/etc/passwd", 0120777)},
        {"device entry", file("console", "", 0020620)},
    };
    for (const auto &h : hostile) {
        // The hostile entry comes after the program file and the library.
        QTest::newRow(h.tag) << (newProgram() << h.item) << QString() << QString() << whole
                             << UpdateOutcome::ExtractFailed << extract + u"\n\nThe package entry \"..."_qs << true;
    }
    QTest::newRow("package without the program file")
        << QList<ZipItem>{file("lib/libcore.so", "new library"), file("bin/cinevue", "misplaced")} << QString()
        << QString() << whole << UpdateOutcome::ExtractFailed << extract << true;
    QTest::newRow("file where the program folder has a folder")
        << (newProgram() << file("CinevueDB.xml/x", "x")) << QString() << QString() << whole
        << UpdateOutcome::ExtractFailed << extract + u"\n\n..."_qs << true;
}

void TestCheckForUpdates::failedPackage()
{
    QFETCH(QList<ZipItem>, items);
    QFETCH(QString, crc);
    QFETCH(QString, size);
    QFETCH(int, delivery);
    QFETCH(UpdateOutcome, outcome);
    QFETCH(QString, error);
    QFETCH(bool, packageKept);
    writeOldProgram();
    QVERIFY(writeAll(m_app + u"/lib/plugins/old.so"_qs, "old plugin"));
    for (ZipItem &item : items)
        item.name.replace("@ROOT@", QFile::encodeName(m_root->path()));

    const QString zip = writePackage(items);
    Answer answer;
    answer.crc = crc;
    answer.size = size;
    if (crc == u"upper"_qs) {
        answer.crc = FileCrc64Text(zip).toUpper();
        if (answer.crc == FileCrc64Text(zip))
            QSKIP("this package's CRC text has no letters");
    }
    if (size == u"short"_qs)
        answer.size = QString::number(QFileInfo(zip).size() - 1);
    serve(zip, answer, LoopbackServer::Delivery(delivery));
    const QMap<QString, QByteArray> before = snapshot(m_root->path());

    RecordingDialogs dialogs;
    UpdateCheckResult result;
    runCheck(site(), dialogs, result);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(result.outcome, outcome);
    const QStringList shown = dialogs.shown();
    QCOMPARE(shown.value(0), u"message: "_qs + MandatoryUpdateText(answerFields(answer)));
    if (error.isEmpty()) {
        QCOMPARE(shown.size(), 1);
    } else {
        QCOMPARE(shown.size(), 2);
        if (error.endsWith(u"..."_qs))
            QVERIFY2(shown.at(1).startsWith(u"error: "_qs + error.chopped(3)), qPrintable(shown.at(1)));
        else
            QCOMPARE(shown.at(1), u"error: "_qs + error);
    }
    QVERIFY(dialogs.restarted().isEmpty());
    const QString package = m_app + u"/Cinevue_"_qs + kNew + u".zip"_qs;
    QCOMPARE(QFileInfo::exists(package), packageKept);
    QMap<QString, QByteArray> after = snapshot(m_root->path());
    after.remove(u"app/Cinevue_"_qs + kNew + u".zip"_qs);
    QCOMPARE(after, before);
}

void TestCheckForUpdates::programFolderCannotTakeUpdate_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("read-only program folder") << true;
    QTest::newRow("program folder without the program") << false;
}

// An installed package: the user hears of the new version once, and nothing
// is downloaded.
void TestCheckForUpdates::programFolderCannotTakeUpdate()
{
    QFETCH(bool, readOnly);
    writeOldProgram();
    if (!readOnly)
        QVERIFY(QFile::remove(m_app + u"/cinevue"_qs));
    servePackage(newProgram(), Answer());
    const QMap<QString, QByteArray> before = snapshot(m_root->path());

    std::unique_ptr<ReadOnlyFolder> locked;
    if (readOnly) {
        locked = std::make_unique<ReadOnlyFolder>(m_app);
        if (locked->writable())
            QSKIP("the folder cannot be made read-only here");
    }
    RecordingDialogs dialogs(true);
    UpdateCheckResult result;
    UpdateSite s = site();
    runCheck(s, dialogs, result);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(result.outcome, UpdateOutcome::PackageManagerNotice);
    QCOMPARE(dialogs.shown(), QStringList{u"message: "_qs + PackageManagerUpdateText(answerFields(Answer()))});
    QCOMPARE(result.noticedVersion, kNew);

    RecordingDialogs again(true);
    s.noticedVersion = result.noticedVersion;
    runCheck(s, again, result);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(again.shown(), QStringList());
    locked.reset();

    QCOMPARE(m_server->requests(), (QList<QByteArray>{kAnswerPath, kAnswerPath}));
    QVERIFY(dialogs.caption().isEmpty());
    QCOMPARE(snapshot(m_root->path()), before);
}

void TestCheckForUpdates::noServer()
{
    writeOldProgram();
    QVERIFY(writeAll(m_app + u"/cinevue.old"_qs, "backup"));
    UpdateSite s = site();
    s.serverUrl.clear();
    RecordingDialogs dialogs(true);
    UpdateCheckResult result;
    runCheck(s, dialogs, result);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(result.outcome, UpdateOutcome::NoUpdate);
    QCOMPARE(dialogs.shown(), QStringList());
    QVERIFY(!QFileInfo::exists(m_app + u"/cinevue.old"_qs)); // the clean-up still runs
    QVERIFY(m_server->requests().isEmpty());
}

void TestCheckForUpdates::cancelWhileWaitingForServer()
{
    writeOldProgram();
    m_server->set(kAnswerPath, answerXml(Answer()), LoopbackServer::Delivery::Stall);
    UpdateSite s = site();
    s.stallTimeoutMs = 600000;
    RecordingDialogs dialogs(true);
    std::atomic_bool cancel{false};
    QFuture<UpdateCheckResult> check = QtConcurrent::run([s, &dialogs, &cancel] {
        return CheckForUpdates(s, tUpdate(), dialogs, &cancel).Execute();
    });
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests().size(), 1, 10000);
    cancel = true;
    QTRY_VERIFY_WITH_TIMEOUT(check.isFinished(), 5000);
    QCOMPARE(check.result().outcome, UpdateOutcome::Cancelled);
    QCOMPARE(dialogs.shown(), QStringList());
}

QTEST_GUILESS_MAIN(TestCheckForUpdates)
#include "tst_checkforupdates.moc"
