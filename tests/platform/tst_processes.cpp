// Starting outside programs: missing files, failed starts, waiting, and the
// split of the argument text.

#include "platform/processes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestProcesses : public QObject
{
    Q_OBJECT

private slots:
    void waitsAndPassesArguments_data();
    void waitsAndPassesArguments();
    void missingProgram();
    void detachedStartReturnsAtOnce();
};

void TestProcesses::waitsAndPassesArguments_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain words") << u" -c \"printf %s-%s a b > out\""_qs << QByteArray("a-b");
    QTest::newRow("quoted argument with blanks") << u" -c \"printf %s 'x  y' > out\""_qs << QByteArray("x  y");
}

void TestProcesses::waitsAndPassesArguments()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, written);
    QTemporaryDir dir;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const RunProgramResult r = RunProgram(u"/bin/sh"_qs, arguments, true, true);
    QDir::setCurrent(cwd);
    QVERIFY(r.started);
    QVERIFY(!r.missing);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.messages().isEmpty());
    QFile out(dir.filePath(u"out"_qs));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), written);
}

void TestProcesses::missingProgram()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"nothing-here"_qs);
    const RunProgramResult r = RunProgram(path, u" /x"_qs, true, false);
    QVERIFY(r.missing);
    QVERIFY(!r.started);
    QCOMPARE(r.messages(), (QStringList{u"Program \""_qs + path + u"\" is missing."_qs,
                                        u"Unable to run "_qs + path + u" /x"_qs}));
}

void TestProcesses::detachedStartReturnsAtOnce()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(u"done"_qs);
    const RunProgramResult r = RunProgram(u"/bin/sh"_qs, u" -c \"sleep 1; touch '%1'\""_qs.arg(marker), false, false);
    QVERIFY(r.started);
    QVERIFY(!QFile::exists(marker)); // still running beside us
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
}

QTEST_GUILESS_MAIN(TestProcesses)
#include "tst_processes.moc"
