#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestPaths : public QObject
{
    Q_OBJECT
private slots:
    void nativePath_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("native");
        QTest::newRow("plain name") << u"folder.jpg"_qs << u"folder.jpg"_qs;
        QTest::newRow("one level") << u"VIDEO_TS\\fanart.jpg"_qs << u"VIDEO_TS/fanart.jpg"_qs;
        QTest::newRow("two levels") << u"Logs\\Sync\\DebugLog.txt"_qs << u"Logs/Sync/DebugLog.txt"_qs;
        QTest::newRow("already native") << u"VIDEO_TS/fanart.jpg"_qs << u"VIDEO_TS/fanart.jpg"_qs;
        QTest::newRow("empty") << QString() << QString();
    }
    void nativePath()
    {
        QFETCH(QString, stored);
        QFETCH(QString, native);
#ifdef Q_OS_WIN
        QCOMPARE(NativePath(stored), stored);
#else
        QCOMPARE(NativePath(stored), native);
#endif
    }

    void joinNative_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("joined");
        QTest::newRow("no separator") << u"/m/Alien"_qs << u"CVB_Watched.txt"_qs << u"/m/Alien/CVB_Watched.txt"_qs;
        QTest::newRow("trailing separator") << u"/m/Alien/"_qs << u"mymovies.xml"_qs << u"/m/Alien/mymovies.xml"_qs;
        QTest::newRow("doubled trailing separator") << u"/m/Alien//"_qs << u"a.jpg"_qs << u"/m/Alien/a.jpg"_qs;
        QTest::newRow("stored backslash name") << u"/m/Alien"_qs << u"VIDEO_TS\\fanart.jpg"_qs << u"/m/Alien/VIDEO_TS/fanart.jpg"_qs;
        QTest::newRow("leading backslash in name") << u"/m/Alien/"_qs << u"\\Logs\\DebugLog.txt"_qs << u"/m/Alien/Logs/DebugLog.txt"_qs;
        QTest::newRow("root folder") << u"/"_qs << u"x.txt"_qs << u"/x.txt"_qs;
        QTest::newRow("empty directory") << QString() << u"Logs\\a.txt"_qs << u"Logs/a.txt"_qs;
    }
    void joinNative()
    {
#ifdef Q_OS_WIN
        QSKIP("the table is written with Linux paths");
#endif
        QFETCH(QString, directory);
        QFETCH(QString, relative);
        QFETCH(QString, joined);
        QCOMPARE(JoinNative(directory, relative), joined);
    }

    void programFiles()
    {
#ifdef Q_OS_WIN
        QSKIP("the table is written with Linux paths");
#endif
        QCOMPARE(CachePath(u"/opt/cv/"_qs), u"/opt/cv/Cache/"_qs);
        QCOMPARE(CachePath(u"/opt/cv"_qs), u"/opt/cv/Cache/"_qs);
        QCOMPARE(SmartSyncFile(u"/opt/cv/"_qs), u"/opt/cv/CVB_SmartSync.bin"_qs);
        QCOMPARE(LogsPath(u"/opt/cv/"_qs), u"/opt/cv/Logs/"_qs);
        QCOMPARE(WithTrailingSeparator(QString()), QString());
    }

    // Which folder becomes the program folder. "exe" names a folder made in
    // the fixture: "writable", "read-only" or "missing".
    void resolveAppPath_data()
    {
        QTest::addColumn<bool>("homeSet");
        QTest::addColumn<QString>("exe");
        QTest::addColumn<QString>("expected"); // "home", "exe" or "data"
        QTest::newRow("home set wins over a writable exe folder") << true << u"writable"_qs << u"home"_qs;
        QTest::newRow("home set, exe folder missing") << true << u"missing"_qs << u"home"_qs;
        QTest::newRow("writable exe folder") << false << u"writable"_qs << u"exe"_qs;
        QTest::newRow("read-only exe folder") << false << u"read-only"_qs << u"data"_qs;
        QTest::newRow("missing exe folder") << false << u"missing"_qs << u"data"_qs;
        // A writable bin folder beside a share folder is an installation prefix.
        QTest::newRow("bin folder of an installation prefix") << false << u"prefix"_qs << u"data"_qs;
        QTest::newRow("home set wins over an installation prefix") << true << u"prefix"_qs << u"home"_qs;
#ifdef Q_OS_LINUX
        // Not even the superuser can create files here.
        QTest::newRow("kernel folder as exe folder") << false << u"/proc"_qs << u"data"_qs;
        // Where the package installs the program; writable for the superuser.
        QTest::newRow("system bin folder") << false << u"/usr/bin"_qs << u"data"_qs;
#endif
    }
    void resolveAppPath()
    {
        QFETCH(bool, homeSet);
        QFETCH(QString, exe);
        QFETCH(QString, expected);

        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QString home = tmp.filePath(u"home"_qs);
        const QString exeDir = exe.startsWith(u'/') ? exe : tmp.filePath(u"bin"_qs);
        if (exe == u"writable"_qs || exe == u"read-only"_qs || exe == u"prefix"_qs)
            QVERIFY(QDir().mkpath(exeDir));
        if (exe == u"prefix"_qs)
            QVERIFY(QDir().mkpath(tmp.filePath(u"share"_qs)));
        if (exe == u"read-only"_qs) {
            QFile::setPermissions(exeDir, QFile::ReadOwner | QFile::ExeOwner);
            QFile probe(exeDir + u"/probe"_qs);
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(exeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                QSKIP("permissions are not enforced for this user");
            }
        }
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", tmp.filePath(u"data"_qs).toLocal8Bit());

        const QString got = ResolveAppPath(homeSet ? home : QString(), exeDir);

        if (oldData.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldData);
        if (exe == u"read-only"_qs)
            QFile::setPermissions(exeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QString want;
        if (expected == u"home"_qs)
            want = home;
        else if (expected == u"exe"_qs)
            want = exeDir;
        else
            want = tmp.filePath(u"data/Cinevue"_qs);
        QCOMPARE(got, QDir::toNativeSeparators(want) + QDir::separator());
        if (expected == u"data"_qs)
            QVERIFY(QFileInfo(want).isDir());
        // The writability probe leaves nothing behind.
        if (exe == u"writable"_qs)
            QCOMPARE(QDir(exeDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void makeWorkingDirectory()
    {
        QTemporaryDir tmp;
        const QString before = QDir::currentPath();
        const QString app = tmp.filePath(u"new/program"_qs) + u"/"_qs;
        QVERIFY(MakeWorkingDirectory(app));
        QCOMPARE(QDir::currentPath(), tmp.filePath(u"new/program"_qs));
        QFile bare(u"Cinevue.cfg"_qs);
        QVERIFY(bare.open(QIODevice::WriteOnly));
        bare.close();
        QVERIFY(QFile::exists(app + u"Cinevue.cfg"_qs));
        QDir::setCurrent(before);

        // A folder that cannot be made: a file is in the way.
        QFile blocker(tmp.filePath(u"file"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QString error;
        QVERIFY(!MakeWorkingDirectory(tmp.filePath(u"file/sub"_qs), &error));
        QVERIFY(error.contains(u"file/sub"_qs));
        QCOMPARE(QDir::currentPath(), before);
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
