// cinevue-sync as a black box: a generated My Movies tree, a configuration,
// the program run as a separate process, and its files read back.

#include "model/localdatabase.h"
#include "sync/snapshot.h"
#include "tools/mmtreegen.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kVersion = u"1.7.2017.0006"_qs;

struct RunOutput {
    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;
};

void writeConfig(const QString &home, const QString &content)
{
    QFile f(home + u"/Cinevue.cfg"_qs);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content.toUtf8());
}

QString configFor(const QString &root)
{
    return u"[Cinevue Configuration Settings v.1]\r\nScanFolder="_qs + root + u"/\r\nAutoScan=True\r\n"_qs;
}

} // namespace

class TestCinevueSync : public QObject
{
    Q_OBJECT

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_home;
    QString m_movies;

    RunOutput run(const QStringList &arguments)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_qs, m_tmp->path()); // nothing lands in the real home folder
        env.remove(u"CINEVUE_HOME"_qs);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_tmp->path());
        p.start(m_program, arguments);
        RunOutput r;
        r.finished = p.waitForFinished(120000);
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    LoadResult loadDatabase() const
    {
        return LoadLocalDatabase(m_home, kVersion, true, u"ERROR"_qs, QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
    }

private slots:
    void initTestCase()
    {
        const QString buildDir = qEnvironmentVariable("CINEVUE_BUILD_DIR");
        QVERIFY2(!buildDir.isEmpty(), "CINEVUE_BUILD_DIR is not set (run the test through ctest)");
        m_program = buildDir + u"/cinevue-sync"_qs;
        QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program));
    }
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_home = m_tmp->path() + u"/home"_qs;
        m_movies = m_tmp->path() + u"/movies"_qs;
        QVERIFY(QDir().mkpath(m_home));
    }
    void cleanup() { m_tmp.reset(); }

    void syncsATreeAndThenNothing()
    {
        MMTreeOptions gen;
        gen.root = m_movies;
        gen.titles = 25;
        gen.seed = 3;
        const MMTreeResult tree = GenerateMyMoviesTree(gen);
        QVERIFY2(tree.ok, qPrintable(tree.error));
        QSet<QString> ids;
        for (const MMTitleDir &t : tree.titles)
            ids.insert(t.id);
        writeConfig(m_home, configFor(m_movies));

        const RunOutput first = run({m_home});
        QVERIFY(first.finished);
        QVERIFY2(first.exitCode == 0, qPrintable(first.err));
        for (const QString &name : {u"CinevueDB.xml"_qs, u"CVB_SmartSync.bin"_qs,
                                    u"Logs/Cinevue Sync Error Log.txt"_qs,
                                    u"Logs/Cinevue Out of Sync Titles Report.txt"_qs})
            QVERIFY2(QFileInfo(m_home + u'/' + name).isFile(), qPrintable(name));
        QVERIFY(LoadSnapshot(m_home + u"/CVB_SmartSync.bin"_qs).loaded());
        const LoadResult afterFirst = loadDatabase();
        QCOMPARE(afterFirst.status, LoadResult::Loaded);
        QCOMPARE(afterFirst.titles.Title.size(), ids.size());
        for (const tTitle &t : afterFirst.titles.Title)
            QVERIFY2(ids.contains(t.ID), qPrintable(t.ID));

        const RunOutput second = run({m_home});
        QVERIFY(second.finished);
        QVERIFY2(second.exitCode == 0, qPrintable(second.err));
        QVERIFY2(second.out.contains(u" 0 changed directories imported"_qs), qPrintable(second.out));
        QVERIFY(!second.out.contains(u"full refresh"_qs));
        const LoadResult afterSecond = loadDatabase();
        QCOMPARE(afterSecond.status, LoadResult::Loaded);
        QCOMPARE(afterSecond.titles, afterFirst.titles);
    }

    void unusableSetupFails_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("inMessage"); // %1 the program folder
        QTest::newRow("configuration is a folder") << u"config folder"_qs << u"Cinevue.cfg"_qs;
        QTest::newRow("program folder does not exist") << u"missing folder"_qs << u"%1"_qs;
        QTest::newRow("program folder is a file") << u"file as folder"_qs << u"%1"_qs;
        QTest::newRow("no monitored folder") << u"no folders"_qs << u"ScanFolder"_qs;
        QTest::newRow("more than one argument") << u"two arguments"_qs << u"usage"_qs;
    }
    void unusableSetupFails()
    {
        QFETCH(QString, setup);
        QFETCH(QString, inMessage);
        QString folder = m_home;
        QStringList arguments;
        if (setup == u"config folder") {
            QVERIFY(QDir().mkpath(m_home + u"/Cinevue.cfg"_qs));
        } else if (setup == u"missing folder") {
            folder = m_tmp->path() + u"/nowhere"_qs;
        } else if (setup == u"file as folder") {
            folder = m_tmp->path() + u"/plain.txt"_qs;
            QFile f(folder);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (setup == u"no folders") {
            writeConfig(m_home, u"[Cinevue Configuration Settings v.1]\r\nAutoScan=True\r\n"_qs);
        } else {
            arguments << m_home;
        }
        arguments.prepend(folder);

        const RunOutput r = run(arguments);
        QVERIFY(r.finished);
        QVERIFY2(r.exitCode > 0, qPrintable(r.out + r.err));
        QVERIFY2(r.err.contains(QString(inMessage).replace(u"%1"_qs, folder)), qPrintable(r.err));
        // Nothing was synchronised.
        QVERIFY(!QFile::exists(m_home + u"/CinevueDB.xml"_qs));
        QVERIFY(!QFile::exists(m_home + u"/CVB_SmartSync.bin"_qs));
    }
};

QTEST_GUILESS_MAIN(TestCinevueSync)
#include "tst_cinevuesync.moc"
