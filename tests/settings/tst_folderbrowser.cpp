// The on-screen folder browser: the mounts table and the places list, the
// listing of a folder, and the browser itself through the settings screen
// with real key events: entering, leaving, choosing, a folder that vanishes,
// an unreadable folder, a share that does not answer, and the program chooser.

#include "app/tform1.h"
#include "settings/folderbrowser.h"
#include "settings/settingsscreen.h"
#include "tests/ui/windowfixture.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>

class TestFolderBrowser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void parseMounts_data();
    void parseMounts();
    void folderPlaces_data();
    void folderPlaces();
    void naturalOrder_data();
    void naturalOrder();
    void listFolder();
    void listingErrors_data();
    void listingErrors();

    void enteringAndLeaving();
    void choosingAFolder();
    void aFolderThatVanishes();
    void theShownFolderVanishesBeforeSelect();
    void anUnreadableFolder();
    void aShareThatDoesNotAnswer();
    void backWhileWaitingStopsWaiting();
    void programChooser();

private:
    void openSettings(const QStringList &extraConfig = {});
    // Enter on the settings screen's add-folder entry.
    void openBrowser();
    void key(Qt::Key k, int times = 1);
    FolderBrowser &browser() const { return *m_form->screen<FolderBrowser>(); }
    QStringList rowNames() const;
    QString tree(const QString &relative = {}) const
    {
        return relative.isEmpty() ? m_tree.path() : QDir(m_tree.path()).filePath(relative);
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
    QTemporaryDir m_tree;
    // Released at the end of every test, so that no listing stays blocked.
    std::shared_ptr<QSemaphore> m_gate;
};

void TestFolderBrowser::initTestCase()
{
    messages::SetHeadless(true);
}

void TestFolderBrowser::init()
{
    makeWindowHome(m_home);
    // A small collection tree: two folders with folders inside, a hidden one.
    QDir root(m_tree.path());
    root.removeRecursively();
    QVERIFY(root.mkpath(u"Movies/Action"_qs));
    QVERIFY(root.mkpath(u"Movies/Drama"_qs));
    QVERIFY(root.mkpath(u"Kids"_qs));
    QVERIFY(root.mkpath(u".config"_qs));
    m_gate = std::make_shared<QSemaphore>(0);
}

void TestFolderBrowser::cleanup()
{
    m_gate->release(1000);
    m_form.reset();
}

void TestFolderBrowser::key(Qt::Key k, int times)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(m_form.get(), k);
}

QStringList TestFolderBrowser::rowNames() const
{
    QStringList names;
    for (const FolderBrowserEntry &e : browser().rows())
        names << e.name;
    return names;
}

void TestFolderBrowser::openSettings(const QStringList &extraConfig)
{
    QFile f(QDir(m_home->path()).filePath(u"Cinevue.cfg"_qs));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write((QStringList{u"[Cinevue]"_qs, u"ScreensaverEnabled=False"_qs} + extraConfig).join(u"\r\n"_qs).toUtf8());
    f.close();
    m_form = std::make_unique<TForm1>();
    showAndWait(*m_form);
    m_form->screen<SettingsScreen>()->setRemoteCall([](const tSettings &, bool, QStringList *) { return RemoteRowState{}; });
    // The places are the scratch tree only; folders are listed for real.
    const QString root = m_tree.path();
    browser().setLister([root](const QString &path, const QStringList &patterns) {
        if (path.isEmpty())
            return FolderListing{{{u"Collection"_qs, root, false}}, {}};
        return ListFolder(path, patterns);
    });
    key(Qt::Key_Return);
    QCOMPARE(int(m_form->ScreenMode), 5);
}

void TestFolderBrowser::openBrowser()
{
    key(Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smFolderBrowser);
    QVERIFY(browser().isOpen());
    QTRY_VERIFY(!browser().isWaiting());
}

// ---------------------------------------------------------------- listings

void TestFolderBrowser::parseMounts_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QList<MountEntry>>("expected");
    QTest::newRow("local and network")
        << QByteArray("/dev/sda1 / ext4 rw,relatime 0 0\n"
                      "nas:/export/movies /mnt/movies nfs4 rw 0 0\n"
                      "//nas/tv /media/tv cifs rw 0 0\n")
        << QList<MountEntry>{{u"/dev/sda1"_qs, u"/"_qs, u"ext4"_qs},
                             {u"nas:/export/movies"_qs, u"/mnt/movies"_qs, u"nfs4"_qs},
                             {u"//nas/tv"_qs, u"/media/tv"_qs, u"cifs"_qs}};
    QTest::newRow("escaped blanks in names")
        << QByteArray("//nas/My\\040Movies /mnt/My\\040Movies cifs rw 0 0\n")
        << QList<MountEntry>{{u"//nas/My Movies"_qs, u"/mnt/My Movies"_qs, u"cifs"_qs}};
    QTest::newRow("a backslash that is no escape stays")
        << QByteArray("x /mnt/a\\b fuse.sshfs rw 0 0\n") << QList<MountEntry>{{u"x"_qs, u"/mnt/a\\b"_qs, u"fuse.sshfs"_qs}};
    QTest::newRow("short and empty lines are skipped") << QByteArray("\nonly two\n\n") << QList<MountEntry>{};
}

void TestFolderBrowser::parseMounts()
{
    QFETCH(QByteArray, table);
    QFETCH(QList<MountEntry>, expected);
    QCOMPARE(ParseMounts(table), expected);
}

void TestFolderBrowser::folderPlaces_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QList<MountEntry>>("mounts");
    QTest::addColumn<QStringList>("paths");
    const QList<MountEntry> mounts{{u"/dev/sda1"_qs, u"/"_qs, u"ext4"_qs},
                                   {u"nas:/movies"_qs, u"/mnt/movies"_qs, u"nfs"_qs},
                                   {u"me@box:/tv"_qs, u"/home/me/tv"_qs, u"fuse.sshfs"_qs},
                                   {u"//nas/x"_qs, u"/srv"_qs, u"smb3"_qs},
                                   {u"tmpfs"_qs, u"/run"_qs, u"tmpfs"_qs}};
    QTest::newRow("all standard places and the shares")
        << QStringList{u"/home/me"_qs, u"/media"_qs, u"/mnt"_qs, u"/srv"_qs} << mounts
        << QStringList{u"/home/me"_qs, u"/media"_qs, u"/mnt"_qs, u"/srv"_qs, u"/mnt/movies"_qs, u"/home/me/tv"_qs};
    QTest::newRow("missing places are left out; shares are never touched")
        << QStringList{u"/mnt"_qs} << mounts
        << QStringList{u"/mnt"_qs, u"/mnt/movies"_qs, u"/home/me/tv"_qs, u"/srv"_qs};
    QTest::newRow("nothing at all") << QStringList{} << QList<MountEntry>{} << QStringList{};
}

void TestFolderBrowser::folderPlaces()
{
    QFETCH(QStringList, existing);
    QFETCH(QList<MountEntry>, mounts);
    QFETCH(QStringList, paths);
    QStringList asked;
    const QList<FolderBrowserEntry> places = FolderPlaces(u"/home/me/"_qs, mounts, [&](const QString &p) {
        asked << p;
        return existing.contains(p);
    });
    QStringList got;
    for (const FolderBrowserEntry &e : places) {
        got << e.path;
        QVERIFY(!e.isFile);
        QVERIFY(e.name.contains(e.path));
    }
    QCOMPARE(got, paths);
    for (const MountEntry &m : mounts)
        if (IsNetworkFileSystem(m.type) && !QStringList{u"/srv"_qs}.contains(m.mountPoint))
            QVERIFY2(!asked.contains(m.mountPoint), qPrintable(m.mountPoint));
}

void TestFolderBrowser::naturalOrder_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("numbers by value") << u"Disc 9"_qs << u"Disc 10"_qs << -1;
    QTest::newRow("leading zeros do not count") << u"Disc 007"_qs << u"Disc 7"_qs << 0;
    QTest::newRow("letter case ignored") << u"alien"_qs << u"Aliens"_qs << -1;
    QTest::newRow("same text") << u"Kids"_qs << u"kids"_qs << 0;
    QTest::newRow("digits against letters") << u"2001"_qs << u"Alien"_qs << -1;
    QTest::newRow("longer after equal start") << u"Movies 2"_qs << u"Movies"_qs << 1;
}

void TestFolderBrowser::naturalOrder()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    QCOMPARE(NaturalCompare(a, b), order);
    QCOMPARE(NaturalCompare(b, a), -order);
}

void TestFolderBrowser::listFolder()
{
    QDir root(m_tree.path());
    QVERIFY(root.mkpath(u"Movies/Disc 10"_qs));
    QVERIFY(root.mkpath(u"Movies/disc 9"_qs));
    for (const QString &name : {u"VCDMount.exe"_qs, u"vcdmount.EXE"_qs, u"cinevue-mount"_qs, u"PDVD18.exe"_qs, u"notes.txt"_qs}) {
        QFile f(root.filePath(u"Movies/"_qs + name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    auto names = [](const FolderListing &l) {
        QStringList n;
        for (const FolderBrowserEntry &e : l.entries)
            n << e.name + (e.isFile ? u" (file)"_qs : QString());
        return n;
    };
    const FolderListing folders = ListFolder(tree(u"Movies"_qs), {});
    QVERIFY(folders.ok());
    QCOMPARE(names(folders), (QStringList{u"Action"_qs, u"disc 9"_qs, u"Disc 10"_qs, u"Drama"_qs}));
    QCOMPARE(folders.entries.first().path, tree(u"Movies/Action"_qs));

    const FolderListing mount = ListFolder(tree(u"Movies"_qs) + u'/', {u"VCDMount.exe"_qs, u"cinevue-mount"_qs});
    QCOMPARE(names(mount), (QStringList{u"Action"_qs, u"disc 9"_qs, u"Disc 10"_qs, u"Drama"_qs, u"cinevue-mount (file)"_qs,
                                        u"VCDMount.exe (file)"_qs, u"vcdmount.EXE (file)"_qs}));
    QCOMPARE(mount.entries.at(4).path, tree(u"Movies/cinevue-mount"_qs));
    const FolderListing player = ListFolder(tree(u"Movies"_qs), {u"PDVD*.exe"_qs});
    QCOMPARE(names(player).last(), u"PDVD18.exe (file)"_qs);

    // Hidden folders are left out.
    QCOMPARE(names(ListFolder(tree(), {})), (QStringList{u"Kids"_qs, u"Movies"_qs}));
    const FolderListing missing = ListFolder(tree(u"Gone"_qs), {});
    QVERIFY(!missing.ok());
    QVERIFY(missing.error.contains(u"no longer there"_qs));
    const FolderListing file = ListFolder(tree(u"Movies/notes.txt"_qs), {});
    QVERIFY(file.error.contains(u"not a folder"_qs));
}

void TestFolderBrowser::listingErrors_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("contains");
    QTest::newRow("gone") << ENOENT << u"is no longer there"_qs;
    QTest::newRow("no read permission") << EACCES << u"permission denied"_qs;
    QTest::newRow("not permitted") << EPERM << u"permission denied"_qs;
    QTest::newRow("not a folder") << ENOTDIR << u"is not a folder"_qs;
    QTest::newRow("anything else names the reason") << EIO << u"cannot be read: "_qs;
}

void TestFolderBrowser::listingErrors()
{
    QFETCH(int, error);
    QFETCH(QString, contains);
    const QString text = ListingErrorText(u"/mnt/x"_qs, error);
    QVERIFY2(text.contains(contains), qPrintable(text));
    QVERIFY(text.contains(u"/mnt/x"_qs));
}

// ---------------------------------------------------------------- the browser

void TestFolderBrowser::enteringAndLeaving()
{
    openSettings();
    openBrowser();
    QCOMPARE(m_form->label(u"FolderBrowser_Label_Title"_qs)->text(), u"Select a directory"_qs);
    QCOMPARE(browser().path(), QString());
    QCOMPARE(rowNames(), QStringList{u"Collection"_qs});
    QVERIFY(m_form->label(u"FolderBrowser_Label_Entry0"_qs)->color() == QColor(Qt::white));

    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), tree());
    QCOMPARE(rowNames(), (QStringList{u"Select"_qs, u"Kids"_qs, u"Movies"_qs}));
    QCOMPARE(m_form->label(u"FolderBrowser_Label_Path"_qs)->text(), tree());
    key(Qt::Key_Down, 2);
    key(Qt::Key_Right); // Right opens the folder like Enter
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), tree(u"Movies"_qs));
    QCOMPARE(rowNames(), (QStringList{u"Select"_qs, u"Action"_qs, u"Drama"_qs}));

    // Back goes up, the cursor on the folder it came from.
    key(Qt::Key_Backspace);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), tree());
    QCOMPARE(browser().cursor(), 2);
    // From a place, back leads to the places.
    key(Qt::Key_Left);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), QString());
    QCOMPARE(browser().cursor(), 0);
    // Left on the places does nothing; Back closes without a choice.
    key(Qt::Key_Left);
    QVERIFY(browser().isOpen());
    key(Qt::Key_Backspace);
    QVERIFY(!browser().isOpen());
    QCOMPARE(int(m_form->ScreenMode), 5);
    QVERIFY(m_form->Settings.Folders.isEmpty());
    QVERIFY(!m_form->Settings.Changed);
    QVERIFY(m_form->screen<SettingsScreen>()->isOpen());
}

void TestFolderBrowser::choosingAFolder()
{
    openSettings({u"ScanFolder=/srv/old/"_qs});
    openBrowser();
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    key(Qt::Key_Down, 2);
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), tree(u"Movies"_qs));
    QCOMPARE(browser().cursor(), 0);
    key(Qt::Key_Return); // "Select"
    QTRY_VERIFY(!browser().isOpen());
    QCOMPARE(m_form->Settings.Folders.size(), 2);
    QCOMPARE(m_form->Settings.Folders.last().Folder, tree(u"Movies"_qs) + u'/');
    QVERIFY(m_form->Settings.Changed);
    QCOMPARE(int(m_form->ScreenMode), 5);
    QCOMPARE(m_form->screen<SettingsScreen>()->SettingsColumn, 0);
    QCOMPARE(m_form->label(u"Settings_Label_Folders"_qs)->text(), u"/srv/old/\r\n"_qs + tree(u"Movies/"_qs));
    QVERIFY(m_form->image(u"Settings_Image_X2"_qs)->isShown());
}

void TestFolderBrowser::aFolderThatVanishes()
{
    openSettings();
    openBrowser();
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    key(Qt::Key_Down, 2);
    QVERIFY(QDir(tree(u"Movies"_qs)).removeRecursively());
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QVERIFY2(browser().status().contains(u"no longer there"_qs), qPrintable(browser().status()));
    QCOMPARE(m_form->label(u"FolderBrowser_Label_Status"_qs)->text(), browser().status());
    // The folder shown is listed again, without the one that went.
    QCOMPARE(browser().path(), tree());
    QCOMPARE(rowNames(), (QStringList{u"Select"_qs, u"Kids"_qs}));
    QVERIFY(browser().isOpen());
    key(Qt::Key_Down);
    QCOMPARE(browser().cursor(), 1);
}

void TestFolderBrowser::theShownFolderVanishesBeforeSelect()
{
    openSettings();
    openBrowser();
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), tree(u"Kids"_qs));
    QVERIFY(QDir(tree(u"Kids"_qs)).removeRecursively());
    key(Qt::Key_Return); // "Select"
    QTRY_VERIFY(!browser().isWaiting());
    QVERIFY(browser().isOpen());
    QVERIFY(m_form->Settings.Folders.isEmpty());
    QVERIFY(browser().status().contains(u"no longer there"_qs));
    QCOMPARE(browser().path(), tree());
    QCOMPARE(rowNames(), (QStringList{u"Select"_qs, u"Movies"_qs}));
}

void TestFolderBrowser::anUnreadableFolder()
{
    openSettings();
    // Running as root reads every folder, so the refusal is the lister's.
    const QString kids = tree(u"Kids"_qs);
    auto refuseRoot = std::make_shared<std::atomic_bool>(false);
    browser().setLister([root = tree(), kids, refuseRoot](const QString &path, const QStringList &patterns) {
        if (path.isEmpty())
            return FolderListing{{{u"Collection"_qs, root, false}}, {}};
        if (path == kids || (path == root && *refuseRoot))
            return FolderListing{{}, ListingErrorText(path, EACCES)};
        return ListFolder(path, patterns);
    });
    openBrowser();
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QVERIFY(browser().status().contains(u"permission denied"_qs));
    QCOMPARE(browser().path(), tree());
    QCOMPARE(browser().cursor(), 1);
    QCOMPARE(rowNames(), (QStringList{u"Select"_qs, u"Kids"_qs, u"Movies"_qs}));
    // Somewhere else works as before, and the message goes.
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), tree(u"Movies"_qs));
    QVERIFY(browser().status().isEmpty());
    // A parent that cannot be read does not trap the browser below it.
    *refuseRoot = true;
    key(Qt::Key_Backspace);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), QString());
    QCOMPARE(rowNames(), QStringList{u"Collection"_qs});
    QVERIFY(browser().status().contains(u"permission denied"_qs));
}

void TestFolderBrowser::aShareThatDoesNotAnswer()
{
    openSettings();
    QVERIFY(QDir(tree()).mkpath(u"Dead"_qs));
    const QString dead = tree(u"Dead"_qs);
    std::shared_ptr<QSemaphore> gate = m_gate;
    browser().setLister([root = tree(), dead, gate](const QString &path, const QStringList &patterns) {
        if (path.isEmpty())
            return FolderListing{{{u"Collection"_qs, root, false}}, {}};
        if (path == dead) {
            gate->acquire(); // a hard mount that never answers
            return FolderListing{{{u"Late"_qs, dead + u"/Late"_qs, false}}, {}};
        }
        return ListFolder(path, patterns);
    });
    browser().setTimeoutMs(300);
    openBrowser();
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(rowNames(), (QStringList{u"Select"_qs, u"Dead"_qs, u"Kids"_qs, u"Movies"_qs}));
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    // The screen answers at once and shows that it waits.
    QVERIFY(browser().isWaiting());
    QCOMPARE(m_form->label(u"FolderBrowser_Label_Entry0"_qs)->text(), u"\u2026"_qs);
    QCOMPARE(m_form->label(u"FolderBrowser_Label_Path"_qs)->text(), dead);
    key(Qt::Key_Down); // ignored while waiting
    QTRY_VERIFY_WITH_TIMEOUT(!browser().isWaiting(), 5000);
    QVERIFY2(browser().status().contains(u"did not answer"_qs), qPrintable(browser().status()));
    QCOMPARE(browser().path(), tree());
    QCOMPARE(browser().cursor(), 1);
    QCOMPARE(m_form->label(u"FolderBrowser_Label_Entry1"_qs)->text(), u"Dead"_qs);
    // Still usable.
    key(Qt::Key_Down);
    QCOMPARE(browser().cursor(), 2);
    // The share answers after all: too late, nothing changes.
    gate->release();
    QTest::qWait(200);
    QCOMPARE(browser().path(), tree());
    QCOMPARE(rowNames(), (QStringList{u"Select"_qs, u"Dead"_qs, u"Kids"_qs, u"Movies"_qs}));
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), tree(u"Kids"_qs));
}

void TestFolderBrowser::backWhileWaitingStopsWaiting()
{
    openSettings();
    std::shared_ptr<QSemaphore> gate = m_gate;
    browser().setLister([root = tree(), gate](const QString &path, const QStringList &) {
        if (path.isEmpty())
            return FolderListing{{{u"Collection"_qs, root, false}}, {}};
        gate->acquire();
        return FolderListing{};
    });
    openBrowser();
    key(Qt::Key_Return);
    QVERIFY(browser().isWaiting());
    key(Qt::Key_Backspace);
    QVERIFY(!browser().isWaiting());
    QCOMPARE(browser().path(), QString());
    QCOMPARE(rowNames(), QStringList{u"Collection"_qs});
    QVERIFY(browser().isOpen());
    key(Qt::Key_Backspace);
    QVERIFY(!browser().isOpen());
    QCOMPARE(int(m_form->ScreenMode), 5);
}

void TestFolderBrowser::programChooser()
{
    QDir root(tree());
    QVERIFY(root.mkpath(u"bin/sub"_qs));
    for (const QString &name : {u"VCDMount.exe"_qs, u"cinevue-mount"_qs, u"cinevue-play"_qs, u"readme.txt"_qs}) {
        QFile f(root.filePath(u"bin/"_qs + name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString old = root.filePath(u"bin/old-mount"_qs);
    openSettings({u"VCDFilePath="_qs + old});
    key(Qt::Key_Down, 6);
    QCOMPARE(int(m_form->ScreenMode), 11);
    key(Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smFolderBrowser);
    QTRY_VERIFY(!browser().isWaiting());
    QVERIFY(m_form->label(u"FolderBrowser_Label_Title"_qs)->text().contains(u"VCDMount.exe"_qs));
    // It starts in the folder of the current path, without a "Select" row.
    QCOMPARE(browser().path(), root.filePath(u"bin"_qs));
    QCOMPARE(rowNames(), (QStringList{u"sub"_qs, u"cinevue-mount"_qs, u"VCDMount.exe"_qs}));
    key(Qt::Key_Down);
    key(Qt::Key_Right); // a file does not open
    QVERIFY(!browser().isWaiting());
    key(Qt::Key_Return);
    QVERIFY(!browser().isOpen());
    QCOMPARE(m_form->Settings.VCDFilePath, root.filePath(u"bin/cinevue-mount"_qs));
    QCOMPARE(m_form->label(u"Settings_Label_VCDPath"_qs)->text(), root.filePath(u"bin/cinevue-mount"_qs));
    QVERIFY(m_form->Settings.Changed);
    QCOMPARE(int(m_form->ScreenMode), 11);

    // The player's chooser, left without a choice, changes nothing.
    key(Qt::Key_Down, 3);
    QCOMPARE(int(m_form->ScreenMode), 14);
    key(Qt::Key_Return);
    QTRY_VERIFY(!browser().isWaiting());
    QVERIFY(m_form->label(u"FolderBrowser_Label_Title"_qs)->text().contains(u"PDVD*.exe"_qs));
    QCOMPARE(browser().path(), QString()); // no current path: the places
    key(Qt::Key_Backspace);
    QCOMPARE(int(m_form->ScreenMode), 14);
    QVERIFY(m_form->Settings.PDVD.Filepath.isEmpty());
}

QTEST_MAIN(TestFolderBrowser)
#include "tst_folderbrowser.moc"
