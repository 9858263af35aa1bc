// Zip extraction: which entry names and types are refused, what an
// extraction writes, and that a refused or damaged package writes nothing
// outside its target.

#include "update/zipextract.h"

#include "updatefixture.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace updatetest;

Q_DECLARE_METATYPE(ZipEntryVerdict)

class TestZipExtract : public QObject
{
    Q_OBJECT

private slots:
    void checkEntry_data();
    void checkEntry();
    void extractsFilesAndFolders();
    void namesQtReadsAsPathsStayBelowTheTarget_data();
    void namesQtReadsAsPathsStayBelowTheTarget();
    void refusedEntryWritesNothing_data();
    void refusedEntryWritesNothing();
    void damagedPackage_data();
    void damagedPackage();
};

void TestZipExtract::checkEntry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("unixMode"); // 0: not made on Unix
    QTest::addColumn<ZipEntryVerdict>("verdict");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("isFolder");

    QTest::newRow("plain file") << u"cinevue"_qs << 0100755u << ZipEntryVerdict::Safe << u"cinevue"_qs << false;
    QTest::newRow("nested file") << u"lib/qt/plugin.so"_qs << 0100644u << ZipEntryVerdict::Safe << u"lib/qt/plugin.so"_qs << false;
    QTest::newRow("folder by its slash") << u"lib/"_qs << 0u << ZipEntryVerdict::Safe << u"lib"_qs << true;
    QTest::newRow("folder by its mode") << u"lib"_qs << 040755u << ZipEntryVerdict::Safe << u"lib"_qs << true;
    QTest::newRow("backslashes separate") << u"lib\\qt\\plugin.so"_qs << 0u << ZipEntryVerdict::Safe << u"lib/qt/plugin.so"_qs << false;
    QTest::newRow("dot components dropped") << u"./lib/./a.so"_qs << 0u << ZipEntryVerdict::Safe << u"lib/a.so"_qs << false;
    QTest::newRow("double dots inside a name are a name") << u"notes..txt"_qs << 0u << ZipEntryVerdict::Safe << u"notes..txt"_qs << false;
    QTest::newRow("no mode recorded") << u"readme.txt"_qs << 0100000u << ZipEntryVerdict::Safe << u"readme.txt"_qs << false;

    QTest::newRow("absolute path") << u"/etc/cron.d/job"_qs << 0u << ZipEntryVerdict::AbsolutePath << QString() << false;
    QTest::newRow("absolute path with backslash") << u"\\Windows\\evil.dll"_qs << 0u << ZipEntryVerdict::AbsolutePath << QString() << false;
    QTest::newRow("drive letter") << u"C:/Windows/evil.dll"_qs << 0u << ZipEntryVerdict::DriveLetter << QString() << false;
    QTest::newRow("drive-relative name") << u"d:evil"_qs << 0u << ZipEntryVerdict::DriveLetter << QString() << false;
    QTest::newRow("parent folder") << u"../evil"_qs << 0u << ZipEntryVerdict::ParentFolder << QString() << false;
    QTest::newRow("parent folder deeper in") << u"lib/../../evil"_qs << 0u << ZipEntryVerdict::ParentFolder << QString() << false;
    QTest::newRow("parent folder with backslashes") << u"lib\\..\\..\\evil"_qs << 0u << ZipEntryVerdict::ParentFolder << QString() << false;
    QTest::newRow("parent folder as the last component") << u"lib/.."_qs << 0u << ZipEntryVerdict::ParentFolder << QString() << false;
    QTest::newRow("symbolic link") << u"cinevue"_qs << 0120777u << ZipEntryVerdict::SymbolicLink << QString() << false;
    QTest::newRow("character device") << u"tty"_qs << 0020666u << ZipEntryVerdict::SpecialFile << QString() << false;
    QTest::newRow("block device") << u"disk"_qs << 0060660u << ZipEntryVerdict::SpecialFile << QString() << false;
    QTest::newRow("named pipe") << u"fifo"_qs << 0010644u << ZipEntryVerdict::SpecialFile << QString() << false;
    QTest::newRow("socket") << u"sock"_qs << 0140755u << ZipEntryVerdict::SpecialFile << QString() << false;
    QTest::newRow("empty name") << QString() << 0u << ZipEntryVerdict::EmptyName << QString() << false;
    QTest::newRow("only a dot") << u"./"_qs << 0u << ZipEntryVerdict::EmptyName << QString() << false;
}

void TestZipExtract::checkEntry()
{
    QFETCH(QString, name);
    QFETCH(quint32, unixMode);
    QFETCH(ZipEntryVerdict, verdict);
    QFETCH(QString, path);
    QFETCH(bool, isFolder);
    const ZipEntryCheck check = CheckZipEntry(name, unixMode ? ZIP_OPSYS_UNIX : ZIP_OPSYS_DOS, unixMode << 16);
    QCOMPARE(check.verdict, verdict);
    if (verdict == ZipEntryVerdict::Safe) {
        QCOMPARE(check.path, path);
        QCOMPARE(check.isFolder, isFolder);
    }
}

void TestZipExtract::extractsFilesAndFolders()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(u"package.zip"_qs);
    const QByteArray big(200000, 'x'); // more than one read block
    QVERIFY(writeZip(zip, {file("cinevue", "program", 0100755), folder("lib/"), file("lib/a.so", big, 0104755),
                           file("docs/readme.txt", "read me", 0), folder("empty/")}));
    const QString target = dir.filePath(u"out"_qs);
    QVERIFY(QDir().mkpath(target));

    const ZipExtractResult result = ExtractZip(zip, target);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(readAll(target + u"/cinevue"_qs), QByteArray("program"));
    QCOMPARE(readAll(target + u"/lib/a.so"_qs), big);
    QCOMPARE(readAll(target + u"/docs/readme.txt"_qs), QByteArray("read me"));
    QVERIFY(QFileInfo(target + u"/empty"_qs).isDir());
    QCOMPARE(QStringList(result.files), QStringList({u"cinevue"_qs, u"lib/a.so"_qs, u"docs/readme.txt"_qs}));

    // Execute bits come from the entry; set-user-ID never does.
    const QFileDevice::Permissions program = QFile::permissions(target + u"/cinevue"_qs);
    QVERIFY(program.testFlag(QFileDevice::ExeOwner));
    QVERIFY(program.testFlag(QFileDevice::ExeOther));
    QVERIFY(!QFile::permissions(target + u"/docs/readme.txt"_qs).testFlag(QFileDevice::ExeOwner));
    QVERIFY(QFile::permissions(target + u"/docs/readme.txt"_qs).testFlag(QFileDevice::WriteOwner));
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(target + u"/lib/a.so"_qs).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0755));
}

void TestZipExtract::namesQtReadsAsPathsStayBelowTheTarget_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("leading colon (a resource path to Qt)") << QByteArray(":w");
    QTest::newRow("leading colon on a folder") << QByteArray(":res/icon.png");
    QTest::newRow("leading tilde") << QByteArray("~/notes.txt");
}

// Plain names on Linux: each lands below the target and nowhere else.
void TestZipExtract::namesQtReadsAsPathsStayBelowTheTarget()
{
    QFETCH(QByteArray, name);
    QTemporaryDir dir;
    const QString zip = dir.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, {file("cinevue", "program", 0100755), file(name, "data")}));
    const QString target = dir.filePath(u"out"_qs);
    QVERIFY(QDir().mkpath(target));

    const ZipExtractResult result = ExtractZip(zip, target);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(readAll(target + u'/' + QString::fromUtf8(name)), QByteArray("data"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({u"out"_qs, u"package.zip"_qs}));
}

void TestZipExtract::refusedEntryWritesNothing_data()
{
    QTest::addColumn<ZipItem>("hostile");
    QTest::newRow("parent folder") << file("../escaped.txt", "evil");
    QTest::newRow("parent folder with backslashes") << file("sub\\..\\..\\escaped.txt", "evil");
    QTest::newRow("symbolic link") << file("link", "/etc/passwd", 0120777);
    QTest::newRow("device") << file("tty", "", 0020666);
    QTest::newRow("drive letter") << file("C:/escaped.txt", "evil");
}

// The hostile entry comes last: the safe ones before it must not be written.
void TestZipExtract::refusedEntryWritesNothing()
{
    QFETCH(ZipItem, hostile);
    QTemporaryDir dir;
    const QString zip = dir.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, {file("cinevue", "program", 0100755), file("lib/a.so", "lib"), hostile}));
    const QString target = dir.filePath(u"out/in"_qs);
    QVERIFY(QDir().mkpath(target));
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    const ZipExtractResult result = ExtractZip(zip, target);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QString::fromUtf8(hostile.name)), qPrintable(result.error));
    QCOMPARE(snapshot(dir.path()), before);
}

void TestZipExtract::damagedPackage_data()
{
    QTest::addColumn<QByteArray>("damage"); // replaces the package's bytes from the middle on
    QTest::addColumn<bool>("truncate");
    QTest::newRow("cut in half") << QByteArray() << true;
    QTest::newRow("not a zip at all") << QByteArray("<html>404</html>") << false;
}

void TestZipExtract::damagedPackage()
{
    QFETCH(QByteArray, damage);
    QFETCH(bool, truncate);
    QTemporaryDir dir;
    const QString zip = dir.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, {file("cinevue", QByteArray(100000, 'p'), 0100755)}));
    QByteArray bytes = readAll(zip);
    bytes = truncate ? bytes.left(bytes.size() / 2) : damage;
    QVERIFY(writeAll(zip, bytes));
    const QString target = dir.filePath(u"out"_qs);
    QVERIFY(QDir().mkpath(target));

    const ZipExtractResult result = ExtractZip(zip, target);
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(zip));
    QVERIFY(QDir(target).isEmpty());
}

QTEST_GUILESS_MAIN(TestZipExtract)
#include "tst_zipextract.moc"
