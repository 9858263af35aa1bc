#include "platform/desktopentry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestDesktopEntry : public QObject
{
    Q_OBJECT
private slots:
    // Exec values are read by unescaping the string first and unquoting second.
    void execArgument_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain path") << u"/opt/cinevue/cinevue"_qs << u"/opt/cinevue/cinevue"_qs;
        QTest::newRow("space quotes") << u"/opt/My Apps/cinevue"_qs << u"\"/opt/My Apps/cinevue\""_qs;
        QTest::newRow("quote dollar backtick escaped") << u"/a\"b$c`d"_qs << u"\"/a\\\"b\\$c\\`d\""_qs;
        QTest::newRow("backslash escaped inside quotes") << u"/a\\b"_qs << u"\"/a\\\\b\""_qs;
        QTest::newRow("percent doubled") << u"/opt/100%/cinevue"_qs << u"/opt/100%%/cinevue"_qs;
        QTest::newRow("empty argument kept") << QString() << u"\"\""_qs;
    }
    void execArgument()
    {
        QFETCH(QString, argument);
        QFETCH(QString, written);
        QCOMPARE(DesktopExecArgument(argument), written);
    }

    void entryText()
    {
        DesktopEntry e;
        e.Name = u"Cinevue"_qs;
        e.Comment = u"Cinevue GUI for My Movies"_qs;
        e.Exec = {u"/opt/a\\b/cinevue"_qs};
        e.Path = u"/srv/cinevue/"_qs;
        e.Categories = u"AudioVideo;Video;"_qs;
        const QStringList lines = DesktopEntryText(e).split(u'\n');
        QCOMPARE(lines.first(), u"[Desktop Entry]"_qs);
        QVERIFY(lines.contains(u"Type=Application"_qs));
        QVERIFY(lines.contains(u"Name=Cinevue"_qs));
        QVERIFY(lines.contains(u"Comment=Cinevue GUI for My Movies"_qs));
        // Quoting doubles the backslash, the string escape doubles both again.
        QVERIFY2(lines.contains(u"Exec=\"/opt/a\\\\\\\\b/cinevue\""_qs), qPrintable(lines.join(u'|')));
        QVERIFY(lines.contains(u"Path=/srv/cinevue/"_qs));
        QVERIFY(lines.contains(u"Categories=AudioVideo;Video;"_qs));
        QCOMPARE(lines.last(), QString()); // ends with a line end
    }

    void applicationsFolder_data()
    {
        QTest::addColumn<QString>("xdgDataHome");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("folder");
        QTest::newRow("XDG_DATA_HOME set") << u"/home/ann/data"_qs << u"/home/ann"_qs << u"/home/ann/data/applications"_qs;
        QTest::newRow("XDG_DATA_HOME unset") << QString() << u"/home/ann"_qs << u"/home/ann/.local/share/applications"_qs;
        QTest::newRow("relative XDG_DATA_HOME ignored") << u"data"_qs << u"/home/ann"_qs << u"/home/ann/.local/share/applications"_qs;
        QTest::newRow("trailing separator") << u"/home/ann/data/"_qs << u"/home/ann"_qs << u"/home/ann/data/applications"_qs;
    }
    void applicationsFolder()
    {
        QFETCH(QString, xdgDataHome);
        QFETCH(QString, home);
        QFETCH(QString, folder);
        QCOMPARE(ApplicationsFolder(xdgDataHome, home), folder);
    }

    void userApplicationsFolderFromEnvironment()
    {
        QTemporaryDir dir;
        const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
        const QByteArray oldSudo = qgetenv("SUDO_USER");
        qunsetenv("SUDO_USER");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
        QCOMPARE(UserApplicationsFolder(), dir.path() + u"/applications"_qs);

        // Root working for a sudo user writes where that user's desktop looks.
        if (geteuid() == 0) {
            qputenv("SUDO_USER", "nobody");
            const QString folder = UserApplicationsFolder();
            QVERIFY2(!folder.startsWith(dir.path()), qPrintable(folder));
            QVERIFY2(folder.endsWith(u"/.local/share/applications"_qs), qPrintable(folder));
            qputenv("SUDO_USER", "root");
            QCOMPARE(UserApplicationsFolder(), dir.path() + u"/applications"_qs);
        }
        qputenv("XDG_DATA_HOME", oldXdg);
        if (oldSudo.isEmpty())
            qunsetenv("SUDO_USER");
        else
            qputenv("SUDO_USER", oldSudo);
    }

    void createdOnceNeverReplaced()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"share/applications/cinevue.desktop"_qs);
        DesktopEntry e;
        e.Name = u"Cinevue"_qs;
        e.Exec = {u"/opt/cinevue/cinevue"_qs};
        QString error;
        QVERIFY2(CreateDesktopEntry(file, e, &error), qPrintable(error)); // folders made as needed
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), DesktopEntryText(e));
        f.close();

        e.Name = u"Other"_qs;
        QVERIFY(!CreateDesktopEntry(file, e, &error));
        QVERIFY2(error.contains(u"already exists"_qs), qPrintable(error));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("Name=Cinevue\n"));

        // A folder that cannot be made is reported.
        QFile blocker(dir.filePath(u"blocker"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!CreateDesktopEntry(dir.filePath(u"blocker/applications/cinevue.desktop"_qs), e, &error));
        QVERIFY2(error.contains(u"cinevue.desktop"_qs), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
