// Putting a package in place: which program folders can take an update, the
// refusals before anything moves, the rollback of a move that fails part-way,
// and the recovery of an install that was cut off at each of its steps.

#include "update/packageinstall.h"

#include "updatefixture.h"

#include <QTemporaryDir>
#include <QTest>

using namespace updatetest;

namespace {

// A program folder with an old program, a library that the update replaces
// and a settings file it does not touch.
void writeOldProgram(const QString &app)
{
    QVERIFY(writeAll(app + u"/cinevue"_qs, "old program"));
    QVERIFY(writeAll(app + u"/lib/libcore.so"_qs, "old library"));
    QVERIFY(writeAll(app + u"/Cinevue.cfg"_qs, "settings"));
}

QList<ZipItem> newProgram()
{
    return {file("cinevue", "new program", 0100755), file("lib/libcore.so", "new library"),
            file("lib/plugins/extra.so", "new plugin"), file("README", "read me")};
}

} // namespace

class TestPackageInstall : public QObject
{
    Q_OBJECT

private slots:
    void canReplaceProgram();
    void stageRefuses_data();
    void stageRefuses();
    void fileWhereFolderIsRefusedBeforeMoving();
    void failedMoveIsRolledBack();
    void interruptedInstallIsUndone_data();
    void interruptedInstallIsUndone();
    void committedInstallLeavesNoWorkFolders();
};

void TestPackageInstall::canReplaceProgram()
{
    QTemporaryDir dir;
    const QString app = dir.filePath(u"app"_qs);
    QVERIFY(QDir().mkpath(app));
    PackageInstall install(app, u"cinevue"_qs);
    QVERIFY2(!install.canReplaceProgram(), "no program file in the folder");
    QVERIFY(writeAll(app + u"/cinevue"_qs, "program"));
    QVERIFY(install.canReplaceProgram());
    {
        ReadOnlyFolder readOnly(app);
        if (readOnly.writable())
            QSKIP("the folder cannot be made read-only here");
        QVERIFY2(!install.canReplaceProgram(), "read-only folder");
    }
    QVERIFY(install.canReplaceProgram());
}

void TestPackageInstall::stageRefuses_data()
{
    QTest::addColumn<QList<ZipItem>>("items");
    QTest::addColumn<bool>("missingProgram");
    QTest::newRow("no program file") << QList<ZipItem>{file("README", "x"), file("bin/cinevue", "nested")} << true;
    QTest::newRow("program file as a folder") << QList<ZipItem>{folder("cinevue/"), file("cinevue/x", "x")} << true;
    QTest::newRow("entry named like the staging folder")
        << QList<ZipItem>{file("cinevue", "p"), file(".cinevue-update/x", "x")} << false;
    QTest::newRow("entry named like the rollback folder")
        << QList<ZipItem>{file("cinevue", "p"), file(".cinevue-rollback/pending", "{}")} << false;
    QTest::newRow("unsafe entry") << QList<ZipItem>{file("cinevue", "p"), file("../x", "x")} << false;
}

void TestPackageInstall::stageRefuses()
{
    QFETCH(QList<ZipItem>, items);
    QFETCH(bool, missingProgram);
    QTemporaryDir dir;
    const QString app = dir.filePath(u"app"_qs);
    writeOldProgram(app);
    const QString zip = dir.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, items));
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    PackageInstall install(app, u"cinevue"_qs);
    const PackageInstall::StageResult staged = install.stage(zip);
    QVERIFY(!staged.ok);
    QCOMPARE(staged.missingProgram, missingProgram);
    QVERIFY(!staged.error.isEmpty());
    QCOMPARE(snapshot(dir.path()), before);
}

void TestPackageInstall::fileWhereFolderIsRefusedBeforeMoving()
{
    QTemporaryDir dir;
    const QString app = dir.filePath(u"app"_qs);
    writeOldProgram(app);
    QVERIFY(QDir().mkpath(app + u"/README"_qs)); // the package has a file README
    const QString zip = dir.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, newProgram()));
    const QMap<QString, QByteArray> before = snapshot(app);

    PackageInstall install(app, u"cinevue"_qs);
    QVERIFY(install.stage(zip).ok);
    QString error;
    QVERIFY(!install.moveFilesIntoPlace(&error));
    QVERIFY2(error.contains(u"README"_qs), qPrintable(error));
    QCOMPARE(snapshot(app), before);
}

// The last file cannot be replaced (its folder is read-only): the files moved
// before it go back.
void TestPackageInstall::failedMoveIsRolledBack()
{
    QTemporaryDir dir;
    const QString app = dir.filePath(u"app"_qs);
    writeOldProgram(app);
    QVERIFY(writeAll(app + u"/zlocked/data.bin"_qs, "old data"));
    const QString zip = dir.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, newProgram() << file("zlocked/data.bin", "new data")));
    const QMap<QString, QByteArray> before = snapshot(app);

    PackageInstall install(app, u"cinevue"_qs);
    QVERIFY(install.stage(zip).ok);
    QString error;
    {
        ReadOnlyFolder locked(app + u"/zlocked"_qs);
        if (locked.writable())
            QSKIP("the folder cannot be made read-only here");
        QVERIFY(!install.moveFilesIntoPlace(&error));
    }
    QVERIFY(!error.isEmpty());
    QCOMPARE(snapshot(app), before);
}

void TestPackageInstall::interruptedInstallIsUndone_data()
{
    QTest::addColumn<int>("stepsDone");
    QTest::newRow("cut off after the files moved") << 1;
    QTest::newRow("cut off after the program was renamed") << 2;
    QTest::newRow("cut off after the new program moved in") << 3;
}

// A run that ends between the steps leaves a journal; the next check's
// recovery puts the old program folder back.
void TestPackageInstall::interruptedInstallIsUndone()
{
    QFETCH(int, stepsDone);
    QTemporaryDir dir;
    const QString app = dir.filePath(u"app"_qs);
    writeOldProgram(app);
    const QString zip = dir.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, newProgram()));
    const QMap<QString, QByteArray> before = snapshot(app);

    {
        PackageInstall install(app, u"cinevue"_qs);
        QVERIFY(install.stage(zip).ok);
        QString error;
        QVERIFY2(install.moveFilesIntoPlace(&error), qPrintable(error));
        QCOMPARE(readAll(app + u"/lib/libcore.so"_qs), QByteArray("new library"));
        if (stepsDone >= 2)
            QVERIFY(QFile::rename(install.programFile(), install.backupFile()));
        if (stepsDone >= 3)
            QVERIFY(install.moveProgramIntoPlace(&error));
    } // no commit: the run ended here

    PackageInstall next(app, u"cinevue"_qs);
    QCOMPARE(next.recoverInterrupted(), QStringList());
    QCOMPARE(snapshot(app), before);
    QCOMPARE(next.recoverInterrupted(), QStringList()); // nothing left to do
    QCOMPARE(snapshot(app), before);
}

void TestPackageInstall::committedInstallLeavesNoWorkFolders()
{
    QTemporaryDir dir;
    const QString app = dir.filePath(u"app"_qs);
    writeOldProgram(app);
    const QString zip = dir.filePath(u"package.zip"_qs);
    QVERIFY(writeZip(zip, newProgram()));

    PackageInstall install(app, u"cinevue"_qs);
    QVERIFY(install.stage(zip).ok);
    QString error;
    QVERIFY(install.moveFilesIntoPlace(&error));
    QVERIFY(QFile::rename(install.programFile(), install.backupFile()));
    QVERIFY(install.moveProgramIntoPlace(&error));
    install.commit();

    QMap<QString, QByteArray> expected;
    expected[u"cinevue"_qs] = "new program";
    expected[u"cinevue.old"_qs] = "old program";
    expected[u"Cinevue.cfg"_qs] = "settings";
    expected[u"lib"_qs] = "<folder>";
    expected[u"lib/libcore.so"_qs] = "new library";
    expected[u"lib/plugins"_qs] = "<folder>";
    expected[u"lib/plugins/extra.so"_qs] = "new plugin";
    expected[u"README"_qs] = "read me";
    QCOMPARE(snapshot(app), expected);
    // A later recovery finds nothing to undo.
    QCOMPARE(PackageInstall(app, u"cinevue"_qs).recoverInterrupted(), QStringList());
    QCOMPARE(snapshot(app), expected);
}

QTEST_GUILESS_MAIN(TestPackageInstall)
#include "tst_packageinstall.moc"
