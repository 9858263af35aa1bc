// The settings screen through the real window with real key events: focus
// moves over every row and column, the texts of the entries, Enter on the
// toggles, menus, edit fields and the screen's own entries, SAVE, DISCARD and
// the ways out; and its pure rules as tables.

#include "app/config.h"
#include "app/settingstable.h"
#include "app/tform1.h"
#include "settings/settingsscreen.h"
#include "tests/ui/windowfixture.h"
#include "ui/elements.h"
#include "ui/menus.h"
#include "ui/messages.h"
#include "ui/processing.h"
#include "ui/scene.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool isWhite(const LabelElement *l) { return l->color() == QColor(Qt::white); }

QString fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Every entry label of the grid by (row, column).
struct GridEntry {
    int row;
    int column;
    const char16_t *element;
};
constexpr GridEntry kGrid[] = {
    {4, 0, u"Settings_Label_WebHelp"},
    {5, 0, u"Settings_Label_AddFolder"},
    {5, 1, u"Settings_Label_Folders"},
    {6, 0, u"Settings_Label_AutoScan"},
    {7, 0, u"Settings_Label_ForceRefresh"},
    {8, 0, u"Settings_Label_CacheArt"},
    {8, 1, u"Settings_Label_ClearCache"},
    {9, 0, u"Settings_Label_DefSort"},
    {9, 1, u"Settings_Label_DefShowWatched"},
    {10, 0, u"Settings_Label_ISOMountTimeout"},
    {11, 0, u"Settings_Label_VCDPath"},
    {12, 0, u"Settings_Label_VCDDriveLetter"},
    {13, 0, u"Settings_Label_PlayerBR"},
    {13, 1, u"Settings_Label_PlayDVD"},
    {13, 2, u"Settings_Label_PlayEncMedia"},
    {14, 0, u"Settings_Label_PDVDLPLocation"},
    {15, 0, u"Settings_Label_ClosePDVD"},
    {15, 1, u"Settings_Label_PDVDAutoplay"},
    {15, 2, u"Settings_Label_PDVDLP"},
    {15, 3, u"Settings_Label_PDVDOptions"},
    {16, 0, u"Settings_Label_CoverProfile"},
    {16, 1, u"Settings_Label_ShowClock"},
    {16, 2, u"Settings_Label_ClearBackground"},
    {17, 0, u"Settings_Label_PerfLog"},
    {17, 1, u"Settings_Label_Debug"},
    {17, 2, u"Settings_Label_ShowHelp"},
    {17, 3, u"Settings_Label_DetailsDelay"},
    {18, 0, u"Settings_Label_ScreenSaverEnabled"},
    {18, 1, u"Settings_Label_ScreenSaverInterval"},
    {18, 2, u"Settings_Label_ScreenSaverDelay"},
    {18, 3, u"Settings_Label_ScreenSaverTitles"},
    {19, 0, u"Settings_Label_MCELaunch"},
    {19, 1, u"Settings_Label_MCEClose"},
    {19, 2, u"Settings_Label_MCEUpdateReg"},
    {20, 0, u"Settings_Label_Save"},
    {20, 1, u"Settings_Label_Discard"},
};

} // namespace

class TestSettingsScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // Rules without a window.
    void focusRules_data();
    void focusRules();
    void popupMenuPosition_data();
    void popupMenuPosition();
    void numberFieldValue_data();
    void numberFieldValue();
    void remoteStatusText_data();
    void remoteStatusText();
    void findHelpPage_data();
    void findHelpPage();

    // The screen with real keys.
    void openingFocusesTheFolderRow();
    void everyRowsColumnsWithTheArrows_data();
    void everyRowsColumnsWithTheArrows();
    void downWalksTheRowsToDiscard();
    void entryTexts_data();
    void entryTexts();
    void enterToggles_data();
    void enterToggles();
    void upFromOnlineHelp_data();
    void upFromOnlineHelp();
    void discardRestoresEveryField();
    void downFromRow19ThenEnterNeverSaves();
    void saveWritesTheFile();
    void leavingChoosesTheNextIcon_data();
    void leavingChoosesTheNextIcon();
    void numberFields_data();
    void numberFields();
    void tooLargeNumberIsRefusedAndTheFieldStaysUsable();
    void textFieldEditsFreely();
    void removingFolders_data();
    void removingFolders();
    void eightFoldersTheEighthWithoutMark();
    void popupMenus_data();
    void popupMenus();
    void backspaceClosesAMenuWithoutAChoice();
    void doubledAmpersandShownOnce();
    void launchButtonChoiceRefreshesTheRegistryStatus();
    void registryUpdateNeedsAdministrator_data();
    void registryUpdateNeedsAdministrator();
    void defaultSortThroughTheSortMenu_data();
    void defaultSortThroughTheSortMenu();
    void snapshotAndCacheGoAtOnce();
    void onlineHelpOpensTheShippedPage_data();
    void onlineHelpOpensTheShippedPage();

private:
    void writeConfig(const QStringList &extraLines = {});
    void openForm();
    void openSettings();
    void key(Qt::Key k, int times = 1);
    void typeDigits(const QString &digits);
    // From the folder row, where the screen opens.
    void goTo(int row, int column);
    LabelElement *label(const QString &name) const { return m_form->label(name); }
    QString configFile() const { return QDir(m_home->path()).filePath(u"Cinevue.cfg"_qs); }
    SettingsScreen &settingsScreen() const { return *m_form->screen<SettingsScreen>(); }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TForm1> m_form;
    // The stand-in for the registry.
    bool m_administrator = false;
    bool m_registryWritten = false;
    QList<bool> m_remoteCalls; // false: check, true: update
    QStringList m_started;     // program + " " + arguments
    QByteArray m_originalPath;
};

void TestSettingsScreen::initTestCase()
{
    messages::SetHeadless(true);
    m_originalPath = qgetenv("PATH");
}

void TestSettingsScreen::init()
{
    makeWindowHome(m_home);
    m_administrator = false;
    m_registryWritten = false;
    m_remoteCalls.clear();
    m_started.clear();
    messages::TakeShown();
}

void TestSettingsScreen::cleanup()
{
    m_form.reset();
    qputenv("PATH", m_originalPath);
}

void TestSettingsScreen::writeConfig(const QStringList &extraLines)
{
    // The screensaver would cover the screen during slow runs.
    QStringList lines{u"[Cinevue Configuration Settings v.1]"_qs, u"ScreensaverEnabled=False"_qs};
    lines += extraLines;
    QFile f(configFile());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write((lines.join(u"\r\n"_qs) + u"\r\n"_qs).toUtf8());
}

void TestSettingsScreen::openForm()
{
    if (!QFile::exists(configFile()))
        writeConfig();
    m_form = std::make_unique<TForm1>();
    showAndWait(*m_form);
    SettingsScreen &s = settingsScreen();
    s.setRemoteCall([this](const tSettings &settings, bool update, QStringList *texts) {
        m_remoteCalls.append(update);
        if (update) {
            m_registryWritten = true;
            if (texts)
                *texts = {u"Registry updated"_qs};
        }
        const bool chosen = (!settings.ButtonLaunch.isEmpty() && settings.ButtonLaunch != u"None"_qs)
                            || (!settings.ButtonClose.isEmpty() && settings.ButtonClose != u"None"_qs);
        return RemoteRowState{m_administrator, chosen && !m_registryWritten};
    });
    s.setDriveLister([] {
        return QList<OpticalDriveChoice>{{u"D"_qs, u"DVD-RW (D:)"_qs}, {u"V"_qs, u"Virtual drive (V:)"_qs}};
    });
    s.setProfileLister([] { return QStringList{u"Default"_qs, u"Slim Case"_qs}; });
    s.setProgramStarter([this](const QString &program, const QString &arguments, QString *) {
        m_started.append(program + u' ' + arguments);
        return true;
    });
}

void TestSettingsScreen::openSettings()
{
    openForm();
    QCOMPARE(m_form->ScreenMode, smIconBar);
    QCOMPARE(m_form->IconIndex, 0);
    key(Qt::Key_Return);
    QCOMPARE(int(m_form->ScreenMode), 5);
}

void TestSettingsScreen::key(Qt::Key k, int times)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(m_form.get(), k);
}

void TestSettingsScreen::typeDigits(const QString &digits)
{
    for (QChar c : digits)
        QTest::keyClick(m_form.get(), char(c.toLatin1()));
}

void TestSettingsScreen::goTo(int row, int column)
{
    if (row == 4) {
        key(Qt::Key_Up);
    } else {
        key(Qt::Key_Down, row - 5);
        if (row == 20 && column == 0)
            key(Qt::Key_Left); // the last row is entered on DISCARD/EXIT
    }
    if (row != 20)
        key(Qt::Key_Right, column);
    QCOMPARE(settingsScreen().SettingsRow, row);
    QCOMPARE(settingsScreen().SettingsColumn, column);
}

// ---------------------------------------------------------------- rules

void TestSettingsScreen::focusRules_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<SettingsFocus>("from");
    QTest::addColumn<int>("folders");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<SettingsFocus>("to");
    QTest::addColumn<bool>("leaves");
    const int U = Qt::Key_Up, D = Qt::Key_Down, L = Qt::Key_Left, R = Qt::Key_Right;

    QTest::newRow("down from online help to the folder row") << D << SettingsFocus{4, 0, 0} << 0 << false << SettingsFocus{5, 0, 0} << false;
    QTest::newRow("down from add folder to auto scan") << D << SettingsFocus{5, 0, 0} << 3 << false << SettingsFocus{6, 0, 0} << false;
    QTest::newRow("down in the folder list") << D << SettingsFocus{5, 1, 0} << 3 << false << SettingsFocus{5, 1, 1} << false;
    QTest::newRow("down on the last folder stays") << D << SettingsFocus{5, 1, 2} << 3 << false << SettingsFocus{5, 1, 2} << false;
    QTest::newRow("down from a later column goes to column 0") << D << SettingsFocus{13, 2, 0} << 0 << false << SettingsFocus{14, 0, 0} << false;
    QTest::newRow("down from row 18") << D << SettingsFocus{18, 3, 0} << 0 << false << SettingsFocus{19, 0, 0} << false;
    QTest::newRow("down from row 19 lands on discard") << D << SettingsFocus{19, 0, 0} << 0 << false << SettingsFocus{20, 1, 0} << false;
    QTest::newRow("down on row 20 stays") << D << SettingsFocus{20, 0, 0} << 0 << true << SettingsFocus{20, 0, 0} << false;

    QTest::newRow("up from discard") << U << SettingsFocus{20, 1, 0} << 0 << false << SettingsFocus{19, 0, 0} << false;
    QTest::newRow("up from a later column") << U << SettingsFocus{15, 3, 0} << 0 << false << SettingsFocus{14, 0, 0} << false;
    QTest::newRow("up from auto scan to add folder") << U << SettingsFocus{6, 0, 0} << 2 << false << SettingsFocus{5, 0, 0} << false;
    QTest::newRow("up from add folder to online help") << U << SettingsFocus{5, 0, 0} << 2 << false << SettingsFocus{4, 0, 0} << false;
    QTest::newRow("up in the folder list") << U << SettingsFocus{5, 1, 2} << 3 << false << SettingsFocus{5, 1, 1} << false;
    QTest::newRow("up on the first folder stays") << U << SettingsFocus{5, 1, 0} << 3 << false << SettingsFocus{5, 1, 0} << false;
    QTest::newRow("up from online help leaves") << U << SettingsFocus{4, 0, 0} << 0 << false << SettingsFocus{4, 0, 0} << true;
    QTest::newRow("up from online help with changes stays") << U << SettingsFocus{4, 0, 0} << 0 << true << SettingsFocus{4, 0, 0} << false;

    QTest::newRow("left from the folder list") << L << SettingsFocus{5, 1, 2} << 3 << false << SettingsFocus{5, 0, 2} << false;
    QTest::newRow("left from save stays") << L << SettingsFocus{20, 0, 0} << 0 << true << SettingsFocus{20, 0, 0} << false;
    QTest::newRow("left from discard to save") << L << SettingsFocus{20, 1, 0} << 0 << false << SettingsFocus{20, 0, 0} << false;
    QTest::newRow("left within a row") << L << SettingsFocus{18, 3, 0} << 0 << false << SettingsFocus{18, 2, 0} << false;

    QTest::newRow("right into the folder list") << R << SettingsFocus{5, 0, 4} << 2 << false << SettingsFocus{5, 1, 0} << false;
    QTest::newRow("right without folders stays") << R << SettingsFocus{5, 0, 0} << 0 << false << SettingsFocus{5, 0, 0} << false;
    QTest::newRow("right in the folder list stays") << R << SettingsFocus{5, 1, 1} << 2 << false << SettingsFocus{5, 1, 1} << false;
}

void TestSettingsScreen::focusRules()
{
    QFETCH(int, key);
    QFETCH(SettingsFocus, from);
    QFETCH(int, folders);
    QFETCH(bool, changed);
    QFETCH(SettingsFocus, to);
    QFETCH(bool, leaves);
    bool leave = false;
    SettingsFocus result;
    switch (key) {
    case Qt::Key_Up: result = SettingsUp(from, folders, changed, &leave); break;
    case Qt::Key_Down: result = SettingsDown(from, folders); break;
    case Qt::Key_Left: result = SettingsLeft(from); break;
    default: result = SettingsRight(from, folders); break;
    }
    QCOMPARE(result.row, to.row);
    QCOMPARE(result.column, to.column);
    QCOMPARE(result.folderIndex, to.folderIndex);
    QCOMPARE(leave, leaves);
}

void TestSettingsScreen::popupMenuPosition_data()
{
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPointF>("expected");
    QTest::newRow("full HD") << QPoint(1568, 684) << QSize(1920, 1080) << QPointF(1568, 684);
    QTest::newRow("4K doubles in screen pixels, the same on the surface") << QPoint(1568, 684) << QSize(3840, 2160) << QPointF(1568, 684);
    QTest::newRow("1440p keeps screen pixels, smaller on the surface") << QPoint(1920, 1080) << QSize(2560, 1440) << QPointF(1440, 810);
    QTest::newRow("a screen below full HD counts as one") << QPoint(960, 540) << QSize(1280, 720) << QPointF(1440, 810);
    QTest::newRow("factors apart") << QPoint(100, 100) << QSize(3840, 1080) << QPointF(100, 100);
}

void TestSettingsScreen::popupMenuPosition()
{
    QFETCH(QPoint, position);
    QFETCH(QSize, screen);
    QFETCH(QPointF, expected);
    QCOMPARE(PopupMenuPosition(position, screen), expected);
}

void TestSettingsScreen::numberFieldValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty reads 0") << QString() << 0 << true << 0;
    QTest::newRow("empty with minimum 1") << QString() << 1 << true << 1;
    QTest::newRow("zero with minimum 1") << u"0"_qs << 1 << true << 1;
    QTest::newRow("leading zeros") << u"007"_qs << 0 << true << 7;
    QTest::newRow("largest 32-bit number") << u"2147483647"_qs << 1 << true << 2147483647;
    QTest::newRow("one more is refused") << u"2147483648"_qs << 0 << false << 0;
    QTest::newRow("twenty digits are refused") << u"99999999999999999999"_qs << 0 << false << 0;
}

void TestSettingsScreen::numberFieldValue()
{
    QFETCH(QString, text);
    QFETCH(int, minimum);
    QFETCH(bool, fits);
    QFETCH(int, expected);
    const std::optional<qint32> v = NumberFieldValue(text, minimum);
    QCOMPARE(v.has_value(), fits);
    if (fits)
        QCOMPARE(*v, expected);
}

void TestSettingsScreen::remoteStatusText_data()
{
    QTest::addColumn<bool>("administrator");
    QTest::addColumn<bool>("needsUpdate");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no rights, needs updating") << false << true
                                               << u"Run as Administrator to Update Registry\r\n(Registry Needs Updating)"_qs;
    QTest::newRow("no rights, matches") << false << false << u"Run as Administrator to Update Registry"_qs;
    QTest::newRow("rights, needs updating") << true << true << u"Update Registry (Needs Updating)"_qs;
    QTest::newRow("rights, matches") << true << false << u"Update Registry (Matches / Not Needed)"_qs;
}

void TestSettingsScreen::remoteStatusText()
{
    QFETCH(bool, administrator);
    QFETCH(bool, needsUpdate);
    QFETCH(QString, expected);
    QCOMPARE(RemoteRegistryStatusText(administrator, needsUpdate), expected);
}

void TestSettingsScreen::findHelpPage_data()
{
    QTest::addColumn<QStringList>("pages");  // below the scratch folder
    QTest::addColumn<QString>("programDir"); // below the scratch folder
    QTest::addColumn<QString>("expected");   // below the scratch folder; empty: none
    QTest::newRow("beside the program") << QStringList{u"bin/help/index.html"_qs} << u"bin"_qs << u"bin/help/index.html"_qs;
    QTest::newRow("installed share folder") << QStringList{u"share/cinevue/help/index.html"_qs} << u"bin"_qs
                                            << u"share/cinevue/help/index.html"_qs;
    QTest::newRow("build tree, tests one folder down") << QStringList{u"help/index.html"_qs} << u"tests"_qs
                                                       << u"help/index.html"_qs;
    QTest::newRow("beside wins over share") << QStringList{u"bin/help/index.html"_qs, u"share/cinevue/help/index.html"_qs}
                                            << u"bin"_qs << u"bin/help/index.html"_qs;
    QTest::newRow("none") << QStringList{} << u"bin"_qs << QString();
}

void TestSettingsScreen::findHelpPage()
{
    QFETCH(QStringList, pages);
    QFETCH(QString, programDir);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkpath(programDir);
    for (const QString &page : pages) {
        root.mkpath(QFileInfo(page).path());
        QFile f(root.filePath(page));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(FindHelpPage(root.filePath(programDir)), expected.isEmpty() ? QString() : root.filePath(expected));
}

// ---------------------------------------------------------------- the screen

void TestSettingsScreen::openingFocusesTheFolderRow()
{
    writeConfig({u"ScanFolder=/srv/movies/"_qs});
    openSettings();
    SettingsScreen &s = settingsScreen();
    QVERIFY(s.isOpen());
    QVERIFY(m_form->image(u"ImageSettingsBackground"_qs)->isShown());
    QCOMPARE(s.SettingsRow, 5);
    QCOMPARE(s.SettingsColumn, 0);
    QVERIFY(isWhite(label(u"Settings_Label_AddFolder"_qs)));
    QVERIFY(isWhite(label(u"Settings_Label_ScanFolders"_qs)));
    QVERIFY(!isWhite(label(u"Settings_Label_WebHelp"_qs)));
    QCOMPARE(m_form->image(u"Settings_Image_FolderIcon"_qs)->pictureName(), u"PngFolderSel"_qs);
    QCOMPARE(m_form->image(u"Settings_Image_X1"_qs)->pictureName(), u"PngSmallX"_qs);
    QVERIFY(m_form->SettingsBackup == m_form->Settings);
    QVERIFY(!label(u"Settings_Label_Save"_qs)->isShown());
    QCOMPARE(label(u"Settings_Label_Discard"_qs)->text(), u"EXIT"_qs);
    // The registry status is checked where the screen opens.
    QCOMPARE(m_remoteCalls, QList<bool>{false});
}

void TestSettingsScreen::everyRowsColumnsWithTheArrows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("lastColumn");
    const int last[] = {0, 1, 0, 0, 1, 1, 0, 0, 0, 2, 0, 3, 2, 3, 3, 2, 1};
    for (int row = 4; row <= 20; ++row)
        QTest::addRow("row %d", row) << row << last[row - 4];
}

void TestSettingsScreen::everyRowsColumnsWithTheArrows()
{
    QFETCH(int, row);
    QFETCH(int, lastColumn);
    writeConfig({u"ScanFolder=/srv/a/"_qs, u"ScanFolder=/srv/b/"_qs});
    openSettings();
    goTo(row, row == 20 ? 1 : 0);
    SettingsScreen &s = settingsScreen();
    key(Qt::Key_Left, 5);
    QCOMPARE(s.SettingsColumn, 0);
    // Right walks every entry of the row and stops at the last; exactly the
    // focused entry is white.
    for (int column = 0; column <= lastColumn; ++column) {
        QCOMPARE(s.SettingsColumn, column);
        QCOMPARE(int(m_form->ScreenMode), row);
        for (const GridEntry &e : kGrid) {
            const bool focused = e.row == row && e.column == column;
            QVERIFY2(isWhite(label(QString::fromUtf16(e.element))) == focused, qPrintable(QString::fromUtf16(e.element)));
        }
        key(Qt::Key_Right);
    }
    QCOMPARE(s.SettingsColumn, lastColumn);
    key(Qt::Key_Right, 2);
    QCOMPARE(s.SettingsColumn, lastColumn);
    QCOMPARE(isWhite(label(u"Settings_Label_ScanFolders"_qs)), row >= 5 && row <= 8);
}

void TestSettingsScreen::downWalksTheRowsToDiscard()
{
    openSettings();
    SettingsScreen &s = settingsScreen();
    key(Qt::Key_Up);
    QCOMPARE(s.SettingsRow, 4);
    QVERIFY(isWhite(label(u"Settings_Label_WebHelp"_qs)));
    for (int row = 5; row <= 19; ++row) {
        key(Qt::Key_Down);
        QCOMPARE(s.SettingsRow, row);
        QCOMPARE(s.SettingsColumn, 0);
    }
    key(Qt::Key_Down);
    QCOMPARE(int(m_form->ScreenMode), 20);
    QCOMPARE(s.SettingsColumn, 1);
    QVERIFY(isWhite(label(u"Settings_Label_Discard"_qs)));
    key(Qt::Key_Down);
    QCOMPARE(s.SettingsRow, 20);
    // Backspace is not a way out of the screen.
    key(Qt::Key_Backspace);
    QCOMPARE(int(m_form->ScreenMode), 20);
    QVERIFY(s.isOpen());
}

void TestSettingsScreen::entryTexts_data()
{
    QTest::addColumn<QStringList>("config");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("text");
    const QStringList none;
    QTest::newRow("online help") << none << u"Settings_Label_WebHelp"_qs << u"Online Help"_qs;
    QTest::newRow("add folder") << none << u"Settings_Label_AddFolder"_qs
                                << u"Add New Folders for Scanning / Arrow Right to Edit >"_qs;
    QTest::newRow("folders, one per line") << QStringList{u"ScanFolder=/srv/a/"_qs, u"ScanFolder=/mnt/b/"_qs}
                                           << u"Settings_Label_Folders"_qs << u"/srv/a/\r\n/mnt/b/"_qs;
    QTest::newRow("auto scan off") << none << u"Settings_Label_AutoScan"_qs
                                   << u"Auto-run SmartSync on every program start:  Disabled"_qs;
    QTest::newRow("auto scan on") << QStringList{u"AutoScan=True"_qs} << u"Settings_Label_AutoScan"_qs
                                  << u"Auto-run SmartSync on every program start:  Enabled"_qs;
    QTest::newRow("no snapshot") << none << u"Settings_Label_ForceRefresh"_qs
                                 << u"Next Sync will perform a Full Database Sync Refresh"_qs;
    QTest::newRow("no cache") << none << u"Settings_Label_ClearCache"_qs << u"/ Artwork Cache Cleared"_qs;
    QTest::newRow("art cache") << QStringList{u"LocalArt=True"_qs} << u"Settings_Label_CacheArt"_qs
                               << u"Local Artwork Cached: Enabled"_qs;
    QTest::newRow("default sort") << QStringList{u"DefaultSort=SortColNumDes"_qs} << u"Settings_Label_DefSort"_qs
                                  << u"Default Sort: by Collection Number (Descending)"_qs;
    QTest::newRow("unwatched only") << QStringList{u"DefaultShowWatched=False"_qs} << u"Settings_Label_DefShowWatched"_qs
                                    << u"Default Show Watched Titles: Show Unwatched Only"_qs;
    QTest::newRow("iso timeout") << none << u"Settings_Label_ISOMountTimeout"_qs << u"ISO Mount Timeout: 30 seconds"_qs;
    QTest::newRow("mount caption") << none << u"Settings_Label_VCD_FP"_qs << u"Virtual CloneDrive File Path:"_qs;
    QTest::newRow("mount path") << QStringList{u"VCDFilePath=/usr/bin/cinevue-mount"_qs} << u"Settings_Label_VCDPath"_qs
                                << u"/usr/bin/cinevue-mount"_qs;
    QTest::newRow("drive letter") << QStringList{u"VCDDriveLetter=V"_qs} << u"Settings_Label_VCDDriveLetter"_qs
                                  << u"Virtual CloneDrive Drive Letter:  V:\\"_qs;
    QTest::newRow("blu-ray player") << none << u"Settings_Label_PlayerBR"_qs << u"Play Blu-Ray Discs with: PowerDVD"_qs;
    QTest::newRow("dvd player") << none << u"Settings_Label_PlayDVD"_qs << u"Play DVD Discs with: PowerDVD"_qs;
    QTest::newRow("other media player") << none << u"Settings_Label_PlayEncMedia"_qs
                                        << u"Play other Media with: Win10 Movies && TV"_qs;
    QTest::newRow("player caption") << none << u"Settings_Label_PDVDFilePath"_qs
                                    << u"PDVDLP.exe/PDVDLaunchPolicy.exe Location:"_qs;
    QTest::newRow("force close") << QStringList{u"ClosePlayer=True"_qs} << u"Settings_Label_ClosePDVD"_qs
                                 << u"Force Close PDVD: YES"_qs;
    QTest::newRow("autoplay") << QStringList{u"PDVDAutoPlay=False"_qs} << u"Settings_Label_PDVDAutoplay"_qs
                              << u"PDVD AutoPlay: OFF"_qs;
    QTest::newRow("launch program") << none << u"Settings_Label_PDVDLP"_qs << u"PDVD Launch Program: PowerDVDCinema"_qs;
    QTest::newRow("options") << none << u"Settings_Label_PDVDOptions"_qs << u"PDVD Options: /fullscreen_mode_on"_qs;
    QTest::newRow("no options") << QStringList{u"PDVDOtherOptions="_qs} << u"Settings_Label_PDVDOptions"_qs
                                << u"PDVD Options: <none>"_qs;
    QTest::newRow("cover profile") << none << u"Settings_Label_CoverProfile"_qs << u"Cover Profile: Default"_qs;
    QTest::newRow("clock") << none << u"Settings_Label_ShowClock"_qs << u"Show Clock: Disabled"_qs;
    QTest::newRow("clear background") << none << u"Settings_Label_ClearBackground"_qs
                                      << u"Clear Background (currently clear)"_qs;
    QTest::newRow("background with ampersand") << QStringList{u"FanArtBackground=Tom & Jerry"_qs}
                                               << u"Settings_Label_ClearBackground"_qs
                                               << u"Clear Background (currently Tom && Jerry)"_qs;
    QTest::newRow("performance log") << none << u"Settings_Label_PerfLog"_qs << u"Performance Logging:  Disabled"_qs;
    QTest::newRow("debug log") << QStringList{u"DebugLogging=True"_qs} << u"Settings_Label_Debug"_qs
                               << u"Debug Logging:  Enabled"_qs;
    QTest::newRow("background helper") << none << u"Settings_Label_ShowHelp"_qs << u"Background Helper:  Enabled"_qs;
    QTest::newRow("details delay") << none << u"Settings_Label_DetailsDelay"_qs << u"Details Pop-Up Delay: 5 secs"_qs;
    QTest::newRow("screensaver off") << none << u"Settings_Label_ScreenSaverEnabled"_qs << u"Screensaver:  Disabled"_qs;
    QTest::newRow("screensaver interval") << none << u"Settings_Label_ScreenSaverInterval"_qs
                                          << u"Screensaver Interval: 3 secs"_qs;
    QTest::newRow("screensaver delay") << none << u"Settings_Label_ScreenSaverDelay"_qs
                                       << u"Screensaver Start Delay: 1 mins"_qs;
    QTest::newRow("screensaver titles") << none << u"Settings_Label_ScreenSaverTitles"_qs
                                        << u"Screensaver Titles:  Enabled"_qs;
    QTest::newRow("no launch button") << none << u"Settings_Label_MCELaunch"_qs
                                      << u"MCE Remote Button to Launch Cinevue: <none>"_qs;
    QTest::newRow("launch button None") << QStringList{u"ButtonLaunch=None"_qs} << u"Settings_Label_MCELaunch"_qs
                                        << u"MCE Remote Button to Launch Cinevue: <none>"_qs;
    QTest::newRow("close button") << QStringList{u"ButtonClose=Recorded TV"_qs} << u"Settings_Label_MCEClose"_qs
                                  << u"...to Close Programs (i.e. PowerDVD): [Recorded TV]"_qs;
    QTest::newRow("registry, no rights, needs update") << QStringList{u"ButtonClose=Red"_qs}
                                                       << u"Settings_Label_MCEUpdateReg"_qs
                                                       << u"Run as Administrator to Update Registry\r\n(Registry Needs Updating)"_qs;
    QTest::newRow("version") << none << u"Settings_Label_ProgVersion"_qs << u"Cinevue v."_qs + ::ProgVersion();
}

void TestSettingsScreen::entryTexts()
{
    QFETCH(QStringList, config);
    QFETCH(QString, element);
    QFETCH(QString, text);
    writeConfig(config);
    openSettings();
    QCOMPARE(label(element)->text(), text);
    QVERIFY(label(element)->isVisible());
}

void TestSettingsScreen::enterToggles_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("after");
    QTest::newRow("auto scan") << 6 << 0 << u"Settings_Label_AutoScan"_qs
                               << u"Auto-run SmartSync on every program start:  Enabled"_qs;
    QTest::newRow("local art") << 8 << 0 << u"Settings_Label_CacheArt"_qs << u"Local Artwork Cached: Enabled"_qs;
    QTest::newRow("show watched") << 9 << 1 << u"Settings_Label_DefShowWatched"_qs
                                  << u"Default Show Watched Titles: Show Unwatched Only"_qs;
    QTest::newRow("force close") << 15 << 0 << u"Settings_Label_ClosePDVD"_qs << u"Force Close PDVD: YES"_qs;
    QTest::newRow("autoplay") << 15 << 1 << u"Settings_Label_PDVDAutoplay"_qs << u"PDVD AutoPlay: OFF"_qs;
    QTest::newRow("clock") << 16 << 1 << u"Settings_Label_ShowClock"_qs << u"Show Clock: Enabled"_qs;
    QTest::newRow("performance log") << 17 << 0 << u"Settings_Label_PerfLog"_qs << u"Performance Logging:  Enabled"_qs;
    QTest::newRow("debug log") << 17 << 1 << u"Settings_Label_Debug"_qs << u"Debug Logging:  Enabled"_qs;
    QTest::newRow("background helper") << 17 << 2 << u"Settings_Label_ShowHelp"_qs << u"Background Helper:  Disabled"_qs;
    QTest::newRow("screensaver") << 18 << 0 << u"Settings_Label_ScreenSaverEnabled"_qs << u"Screensaver:  Enabled"_qs;
    QTest::newRow("screensaver titles") << 18 << 3 << u"Settings_Label_ScreenSaverTitles"_qs
                                        << u"Screensaver Titles:  Disabled"_qs;
}

void TestSettingsScreen::enterToggles()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, element);
    QFETCH(QString, after);
    openSettings();
    goTo(row, column);
    const QString before = label(element)->text();
    key(Qt::Key_Return);
    QCOMPARE(label(element)->text(), after);
    QCOMPARE(int(m_form->ScreenMode), row);
    QCOMPARE(settingsScreen().SettingsColumn, column);
    QVERIFY(m_form->Settings.Changed);
    QVERIFY(label(u"Settings_Label_Save"_qs)->isShown());
    QCOMPARE(label(u"Settings_Label_Discard"_qs)->text(), u"DISCARD"_qs);
    key(Qt::Key_Return);
    QCOMPARE(label(element)->text(), before);
    QVERIFY(m_form->Settings.Changed);
}

void TestSettingsScreen::upFromOnlineHelp_data()
{
    QTest::addColumn<bool>("change");
    QTest::newRow("nothing changed: leaves") << false;
    QTest::newRow("a toggle changed: stays") << true;
}

void TestSettingsScreen::upFromOnlineHelp()
{
    QFETCH(bool, change);
    openSettings();
    const QString before = fileText(configFile());
    if (change) {
        key(Qt::Key_Down);
        key(Qt::Key_Return); // auto scan
        key(Qt::Key_Up);
    }
    key(Qt::Key_Up, 2);
    QCOMPARE(settingsScreen().SettingsRow, 4);
    if (change) {
        QCOMPARE(int(m_form->ScreenMode), 4);
        QVERIFY(settingsScreen().isOpen());
        QVERIFY(m_form->Settings.AutoScan);
    } else {
        QCOMPARE(m_form->ScreenMode, smIconBar);
        QVERIFY(!settingsScreen().isOpen());
        QVERIFY(!m_form->image(u"ImageSettingsBackground"_qs)->isShown());
    }
    QCOMPARE(fileText(configFile()), before);
}

void TestSettingsScreen::discardRestoresEveryField()
{
    writeConfig({u"ScanFolder=/srv/a/"_qs, u"ScanFolder=/srv/b/"_qs, u"ScanFolder=/srv/c/"_qs,
                 u"FanArtBackground=Alien"_qs, u"ButtonLaunch=Blue"_qs});
    openSettings();
    const tSettings original = m_form->Settings;
    const QString before = fileText(configFile());

    key(Qt::Key_Right);
    key(Qt::Key_Down);
    key(Qt::Key_Return); // removes /srv/b/
    key(Qt::Key_Left);
    key(Qt::Key_Down);
    key(Qt::Key_Return); // auto scan
    key(Qt::Key_Down, 4);
    key(Qt::Key_Return);
    typeDigits(u"45"_qs);
    key(Qt::Key_Return); // ISO timeout
    key(Qt::Key_Down, 3);
    key(Qt::Key_Right, 2);
    key(Qt::Key_Return);
    key(Qt::Key_Return); // other media: PowerDVD
    key(Qt::Key_Down, 3);
    key(Qt::Key_Right, 2);
    key(Qt::Key_Return); // background cleared
    key(Qt::Key_Down, 1);
    key(Qt::Key_Right, 3);
    key(Qt::Key_Return);
    typeDigits(u"9"_qs);
    key(Qt::Key_Return); // details delay
    key(Qt::Key_Down, 2);
    key(Qt::Key_Return);
    key(Qt::Key_Down);
    key(Qt::Key_Return); // launch button Green

    tSettings &s = m_form->Settings;
    QCOMPARE(s.Folders.size(), 2);
    QVERIFY(s.AutoScan);
    QCOMPARE(s.ISOMountTimeout, 45);
    QCOMPARE(s.Player4EncMedia, tPlayers::PDVD);
    QVERIFY(s.FanArtBackground.isEmpty());
    QCOMPARE(s.DetailsDelay, 9);
    QCOMPARE(s.ButtonLaunch, u"Green"_qs);
    QVERIFY(s.Changed);

    key(Qt::Key_Down); // DISCARD
    QCOMPARE(label(u"Settings_Label_Discard"_qs)->text(), u"DISCARD"_qs);
    key(Qt::Key_Return);
    QVERIFY(s == original);
    QCOMPARE(m_form->ScreenMode, smIconBar);
    QVERIFY(!settingsScreen().isOpen());
    QCOMPARE(fileText(configFile()), before);
    // Opened again, the list shows all three.
    key(Qt::Key_Left, 2);
    key(Qt::Key_Return);
    QCOMPARE(label(u"Settings_Label_Folders"_qs)->text(), u"/srv/a/\r\n/srv/b/\r\n/srv/c/"_qs);
}

void TestSettingsScreen::downFromRow19ThenEnterNeverSaves()
{
    openSettings();
    const QString before = fileText(configFile());
    goTo(18, 0);
    key(Qt::Key_Return); // screensaver on
    key(Qt::Key_Down, 2);
    QCOMPARE(settingsScreen().SettingsRow, 20);
    QCOMPARE(settingsScreen().SettingsColumn, 1);
    key(Qt::Key_Return);
    QVERIFY(!m_form->Settings.ScreenSaver);
    QVERIFY(!m_form->Settings.Changed);
    QCOMPARE(fileText(configFile()), before);
}

void TestSettingsScreen::saveWritesTheFile()
{
    writeConfig({u"ScanFolder=/srv/movies/"_qs});
    openSettings();
    key(Qt::Key_Down);
    key(Qt::Key_Return); // auto scan on
    key(Qt::Key_Down, 4);
    key(Qt::Key_Return);
    typeDigits(u"12"_qs);
    key(Qt::Key_Return); // ISO timeout 12
    key(Qt::Key_Down, 9);
    key(Qt::Key_Right);
    key(Qt::Key_Return);
    key(Qt::Key_Down, 5);
    key(Qt::Key_Return); // close button: Record (the last item)
    key(Qt::Key_Down);
    key(Qt::Key_Left); // SAVE
    QVERIFY(isWhite(label(u"Settings_Label_Save"_qs)));
    key(Qt::Key_Return);

    const QStringList expected{
        u"[Cinevue Configuration Settings v."_qs + ::ProgVersion() + u']',
        u"ScanFolder=/srv/movies/"_qs,
        u"AutoScan=True"_qs,
        u"ClosePlayer=False"_qs,
        u"DefaultSort=SortTitleAsc"_qs,
        u"DefaultShowWatched=True"_qs,
        u"ISOMountTimeout=12"_qs,
        u"VCDFilePath="_qs,
        u"VCDDriveLetter="_qs,
        u"Player4BluRays=PDVD"_qs,
        u"Player4DVDs=PDVD"_qs,
        u"Player4EncMedia=W10MTV"_qs,
        u"PDVDFilePath="_qs,
        u"PDVDAutoPlay=True"_qs,
        u"PDVDLP=PowerDVDCinema"_qs,
        u"PDVDOtherOptions=/fullscreen_mode_on"_qs,
        u"LocalArt=False"_qs,
        u"CoverProfile=Default"_qs,
        u"ShowClock=False"_qs,
        u"FanArtBackground="_qs,
        u"PerformanceLogging=False"_qs,
        u"DebugLogging=False"_qs,
        u"ShowHelp=True"_qs,
        u"DetailsDelay=5"_qs,
        u"ScreensaverEnabled=False"_qs,
        u"ScreensaverInterval=3"_qs,
        u"ScreensaverDelay=1"_qs,
        u"ScreensaverTitles=True"_qs,
        u"ButtonLaunch="_qs,
        u"ButtonClose=Record"_qs,
    };
    QCOMPARE(fileText(configFile()), expected.join(u"\r\n"_qs) + u"\r\n"_qs);
    QVERIFY(!m_form->Settings.Changed);
    QVERIFY(m_form->Settings.Saved);
    QCOMPARE(m_form->ScreenMode, smIconBar);
    QVERIFY(!settingsScreen().isOpen());
}

void TestSettingsScreen::leavingChoosesTheNextIcon_data()
{
    QTest::addColumn<bool>("addFolder");
    QTest::addColumn<bool>("collection");
    QTest::addColumn<int>("iconIndex");
    QTest::addColumn<bool>("guideShown");
    QTest::newRow("first folder, no collection: the sync icon") << true << false << 1 << false;
    QTest::newRow("no folder: stays on the gear, guide stays") << false << false << 0 << true;
    QTest::newRow("collection loaded: stays on the gear") << true << true << 0 << false;
}

void TestSettingsScreen::leavingChoosesTheNextIcon()
{
    QFETCH(bool, addFolder);
    QFETCH(bool, collection);
    QFETCH(int, iconIndex);
    QFETCH(bool, guideShown);
    openForm();
    if (collection) {
        tTitle t;
        t.ID = t.Title = t.SortTitle = u"Alien"_qs;
        replaceTitles(*m_form, {t});
        m_form->SortItems();
        m_form->ScreenMode = smIconBar;
        m_form->IconIndex = 0;
    }
    QCOMPARE(m_form->label(u"LabelProcessing"_qs)->isShown(), !collection);
    key(Qt::Key_Return);
    if (addFolder) {
        // Stands in for the folder browser's choice.
        m_form->Settings.Folders.append({u"/srv/movies/"_qs, false});
        m_form->Settings.Changed = true;
    }
    key(Qt::Key_Down, 15);
    if (addFolder)
        key(Qt::Key_Left);
    key(Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smIconBar);
    QCOMPARE(m_form->IconIndex, iconIndex);
    QCOMPARE(m_form->label(u"LabelProcessing"_qs)->isShown(), guideShown);
}

void TestSettingsScreen::numberFields_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("changed");
    const QList<int> nothing;
    QTest::newRow("iso timeout, empty reads 0") << 10 << 0 << u"Settings_Edit_ISOMountTimeout"_qs << nothing
                                                << u"Settings_Label_ISOMountTimeout"_qs << u"ISO Mount Timeout: 0 seconds"_qs << true;
    QTest::newRow("details delay, empty becomes 1") << 17 << 3 << u"Settings_Edit_DetailsDelay"_qs << nothing
                                                    << u"Settings_Label_DetailsDelay"_qs << u"Details Pop-Up Delay: 1 secs"_qs << true;
    QTest::newRow("screensaver interval, 0 becomes 1")
        << 18 << 1 << u"Settings_Edit_ScreenSaverInterval"_qs << QList<int>{Qt::Key_0}
        << u"Settings_Label_ScreenSaverInterval"_qs << u"Screensaver Interval: 1 secs"_qs << true;
    QTest::newRow("screensaver delay, typing replaces the value")
        << 18 << 2 << u"Settings_Edit_ScreenSaverDelay"_qs << QList<int>{Qt::Key_1, Qt::Key_2}
        << u"Settings_Label_ScreenSaverDelay"_qs << u"Screensaver Start Delay: 12 mins"_qs << true;
    QTest::newRow("only digits: letters, arrows, backspace and space are swallowed")
        << 10 << 0 << u"Settings_Edit_ISOMountTimeout"_qs
        << QList<int>{Qt::Key_4, Qt::Key_Left, Qt::Key_A, Qt::Key_Backspace, Qt::Key_Space, Qt::Key_Minus, Qt::Key_2}
        << u"Settings_Label_ISOMountTimeout"_qs << u"ISO Mount Timeout: 42 seconds"_qs << true;
    QTest::newRow("the same value is no change") << 10 << 0 << u"Settings_Edit_ISOMountTimeout"_qs
                                                 << QList<int>{Qt::Key_3, Qt::Key_0} << u"Settings_Label_ISOMountTimeout"_qs
                                                 << u"ISO Mount Timeout: 30 seconds"_qs << false;
}

void TestSettingsScreen::numberFields()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, field);
    QFETCH(QList<int>, keys);
    QFETCH(QString, element);
    QFETCH(QString, text);
    QFETCH(bool, changed);
    openSettings();
    goTo(row, column);
    key(Qt::Key_Return);
    QVERIFY(m_form->image(field)->isShown());
    QVERIFY(IsSettingsInputMode(m_form->ScreenMode));
    QLineEdit *edit = settingsScreen().openField();
    QVERIFY(edit);
    QCOMPARE(edit->objectName(), field);
    QVERIFY(edit->hasSelectedText());
    // Clearing happens through the selection: the first digit replaces it.
    if (keys.isEmpty())
        edit->clear();
    for (int k : std::as_const(keys))
        key(Qt::Key(k));
    key(Qt::Key_Return);
    QCOMPARE(label(element)->text(), text);
    QCOMPARE(m_form->Settings.Changed, changed);
    QVERIFY(!m_form->image(field)->isShown());
    QCOMPARE(int(m_form->ScreenMode), row);
    QCOMPARE(settingsScreen().SettingsColumn, column);
    // The arrows move the focus again once the field is closed.
    key(Qt::Key_Up);
    QCOMPARE(settingsScreen().SettingsRow, row - 1);
}

void TestSettingsScreen::tooLargeNumberIsRefusedAndTheFieldStaysUsable()
{
    openSettings();
    goTo(10, 0);
    key(Qt::Key_Return);
    typeDigits(u"99999999999"_qs);
    key(Qt::Key_Return);
    const QStringList shown = messages::TakeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains(u"too large"_qs), qPrintable(shown.first()));
    QCOMPARE(int(m_form->ScreenMode), 22);
    QVERIFY(m_form->image(u"Settings_Edit_ISOMountTimeout"_qs)->isShown());
    QCOMPARE(m_form->Settings.ISOMountTimeout, 30);
    typeDigits(u"7"_qs);
    key(Qt::Key_Return);
    QCOMPARE(m_form->Settings.ISOMountTimeout, 7);
    QCOMPARE(int(m_form->ScreenMode), 10);
    QVERIFY(!m_form->image(u"Settings_Edit_ISOMountTimeout"_qs)->isShown());
}

void TestSettingsScreen::textFieldEditsFreely()
{
    openSettings();
    goTo(15, 3);
    key(Qt::Key_Return);
    QCOMPARE(int(m_form->ScreenMode), 24);
    QCOMPARE(settingsScreen().openField()->text(), u"/fullscreen_mode_on"_qs);
    QTest::keyClick(m_form.get(), '-');
    QTest::keyClick(m_form.get(), 'x');
    key(Qt::Key_Backspace);
    QTest::keyClicks(m_form.get(), u"y z"_qs);
    key(Qt::Key_Left);
    QTest::keyClick(m_form.get(), 'A');
    key(Qt::Key_Return);
    QCOMPARE(m_form->Settings.PDVD.OtherOptions, u"-y Az"_qs);
    QCOMPARE(label(u"Settings_Label_PDVDOptions"_qs)->text(), u"PDVD Options: -y Az"_qs);
    QVERIFY(m_form->Settings.Changed);
    QCOMPARE(int(m_form->ScreenMode), 15);
    key(Qt::Key_Return);
    settingsScreen().openField()->clear();
    key(Qt::Key_Return);
    QCOMPARE(label(u"Settings_Label_PDVDOptions"_qs)->text(), u"PDVD Options: <none>"_qs);
}

void TestSettingsScreen::removingFolders_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("focused");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("folderIndex");
    QTest::newRow("the last one, focused: the one before") << 3 << 2 << QStringList{u"/f0/"_qs, u"/f1/"_qs} << 1 << 1;
    QTest::newRow("a middle one: the next moves up") << 3 << 1 << QStringList{u"/f0/"_qs, u"/f2/"_qs} << 1 << 1;
    QTest::newRow("the first one") << 2 << 0 << QStringList{u"/f1/"_qs} << 1 << 0;
    QTest::newRow("the only one: back to column 0") << 1 << 0 << QStringList{} << 0 << 0;
}

void TestSettingsScreen::removingFolders()
{
    QFETCH(int, count);
    QFETCH(int, focused);
    QFETCH(QStringList, left);
    QFETCH(int, column);
    QFETCH(int, folderIndex);
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << u"ScanFolder=/f%1/"_qs.arg(i);
    writeConfig(lines);
    openSettings();
    key(Qt::Key_Right);
    key(Qt::Key_Down, focused);
    QCOMPARE(settingsScreen().FolderIndex, focused);
    QCOMPARE(m_form->image(u"Settings_Image_X%1"_qs.arg(focused + 1))->pictureName(), u"PngSmallXSel"_qs);
    key(Qt::Key_Return);
    QStringList folders;
    for (const tScannedFolders &f : std::as_const(m_form->Settings.Folders))
        folders << f.Folder;
    QCOMPARE(folders, left);
    QCOMPARE(settingsScreen().SettingsColumn, column);
    QCOMPARE(settingsScreen().FolderIndex, folderIndex);
    QVERIFY(m_form->Settings.Changed);
    QCOMPARE(label(u"Settings_Label_Folders"_qs)->text(), left.join(u"\r\n"_qs));
    for (int i = 0; i < 7; ++i)
        QCOMPARE(m_form->image(u"Settings_Image_X%1"_qs.arg(i + 1))->isShown(), i < left.size());
    if (column == 0)
        QCOMPARE(m_form->image(u"Settings_Image_FolderIcon"_qs)->pictureName(), u"PngFolderSel"_qs);
}

void TestSettingsScreen::eightFoldersTheEighthWithoutMark()
{
    QStringList lines;
    for (int i = 0; i < 8; ++i)
        lines << u"ScanFolder=/f%1/"_qs.arg(i);
    writeConfig(lines);
    openSettings();
    QVERIFY(!m_form->scene().contains(u"Settings_Image_X8"_qs));
    for (int i = 1; i <= 7; ++i)
        QVERIFY(m_form->image(u"Settings_Image_X%1"_qs.arg(i))->isShown());
    key(Qt::Key_Right);
    key(Qt::Key_Down, 9);
    QCOMPARE(settingsScreen().FolderIndex, 7);
    for (int i = 1; i <= 7; ++i)
        QCOMPARE(m_form->image(u"Settings_Image_X%1"_qs.arg(i))->pictureName(), u"PngSmallX"_qs);
    // The list moved up so that the eighth folder shows inside its box.
    const Element *box = m_form->scene().element(u"Settings_Image_FolderList"_qs);
    const QRectF folders = label(u"Settings_Label_Folders"_qs)->surfaceGeometry();
    const qreal eighthTop = folders.top() + 7 * folders.height() / 8;
    QVERIFY(eighthTop >= box->surfaceGeometry().top());
    QVERIFY(eighthTop + folders.height() / 8 <= box->surfaceGeometry().bottom() + 1);
    key(Qt::Key_Return);
    QCOMPARE(m_form->Settings.Folders.size(), 7);
    QCOMPARE(m_form->Settings.Folders.last().Folder, u"/f6/"_qs);
    QCOMPARE(settingsScreen().FolderIndex, 6);
    QCOMPARE(m_form->image(u"Settings_Image_X7"_qs)->pictureName(), u"PngSmallXSel"_qs);
}

void TestSettingsScreen::popupMenus_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("downs");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("changed");
    QTest::newRow("drive") << 12 << 0 << u"Settings_PopupMenu_Drive"_qs << 21
                           << QStringList{u"DVD-RW (D:)"_qs, u"Virtual drive (V:)"_qs} << 1
                           << u"Settings_Label_VCDDriveLetter"_qs << u"Virtual CloneDrive Drive Letter:  V:\\"_qs << true;
    QTest::newRow("blu-ray player, the current one") << 13 << 0 << u"Settings_PopupMenu_Player"_qs << 25
                                                     << QStringList{u"PowerDVD"_qs} << 0 << u"Settings_Label_PlayerBR"_qs
                                                     << u"Play Blu-Ray Discs with: PowerDVD"_qs << false;
    QTest::newRow("dvd player") << 13 << 1 << u"Settings_PopupMenu_Player"_qs << 25 << QStringList{u"PowerDVD"_qs} << 2
                                << u"Settings_Label_PlayDVD"_qs << u"Play DVD Discs with: PowerDVD"_qs << false;
    QTest::newRow("other media") << 13 << 2 << u"Settings_PopupMenu_EncPlayer"_qs << 25
                                 << QStringList{u"PowerDVD"_qs, u"Win10 Movies && TV"_qs} << 0
                                 << u"Settings_Label_PlayEncMedia"_qs << u"Play other Media with: PowerDVD"_qs << true;
    QTest::newRow("launch program") << 15 << 2 << u"Settings_PopupMenu_PDVDLP"_qs << 23
                                    << QStringList{u"PowerDVD"_qs, u"PowerDVDCinema"_qs, u"PowerCinema"_qs} << 2
                                    << u"Settings_Label_PDVDLP"_qs << u"PDVD Launch Program: PowerCinema"_qs << true;
    QTest::newRow("cover profile") << 16 << 0 << u"Settings_PopupMenu_CoverProfile"_qs << 31
                                   << QStringList{u"Default"_qs, u"Slim Case"_qs} << 1 << u"Settings_Label_CoverProfile"_qs
                                   << u"Cover Profile: Slim Case"_qs << true;
    QTest::newRow("launch button") << 19 << 0 << u"Settings_PopupMenu_MCELaunch"_qs << 26
                                   << QStringList{u"None"_qs, u"Green"_qs, u"Windows"_qs, u"Guide"_qs, u"Yellow"_qs, u"Blue"_qs}
                                   << 1 << u"Settings_Label_MCELaunch"_qs
                                   << u"MCE Remote Button to Launch Cinevue: [Green]"_qs << true;
    QTest::newRow("close button, down stops at the last item")
        << 19 << 1 << u"Settings_PopupMenu_MCEClose"_qs << 27
        << QStringList{u"None"_qs, u"Red"_qs, u"Recorded TV"_qs, u"Record"_qs} << 6 << u"Settings_Label_MCEClose"_qs
        << u"...to Close Programs (i.e. PowerDVD): [Record]"_qs << true;
}

void TestSettingsScreen::popupMenus()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, menu);
    QFETCH(int, mode);
    QFETCH(QStringList, items);
    QFETCH(int, downs);
    QFETCH(QString, element);
    QFETCH(QString, text);
    QFETCH(bool, changed);
    openSettings();
    goTo(row, column);
    key(Qt::Key_Return);
    QCOMPARE(int(m_form->ScreenMode), mode);
    ImageElement *panel = m_form->image(menu);
    QVERIFY(panel->isShown());
    QVERIFY(QRectF(0, 0, Scene::kWidth, Scene::kHeight).contains(panel->surfaceGeometry()));
    QCOMPARE(settingsScreen().menuItems(), items);
    // The first item is under the cursor at once.
    QCOMPARE(settingsScreen().menuCursor(), 0);
    for (int i = 0; i < items.size(); ++i) {
        LabelElement *item = label(menu + u"_Item%1"_qs.arg(i));
        QCOMPARE(item->text(), items.at(i));
        QCOMPARE(isWhite(item), i == 0);
    }
    // The arrows move the menu's cursor, not the screen's focus.
    key(Qt::Key_Left);
    key(Qt::Key_Down, downs);
    const int cursor = qMin(downs, int(items.size()) - 1);
    QCOMPARE(settingsScreen().menuCursor(), cursor);
    QVERIFY(isWhite(label(menu + u"_Item%1"_qs.arg(cursor))));
    QCOMPARE(settingsScreen().SettingsColumn, column);
    key(Qt::Key_Return);
    QVERIFY(!panel->isShown());
    QCOMPARE(int(m_form->ScreenMode), row);
    QCOMPARE(settingsScreen().SettingsColumn, column);
    QCOMPARE(label(element)->text(), text);
    QCOMPARE(m_form->Settings.Changed, changed);
    QVERIFY(isWhite(label(element)));
}

void TestSettingsScreen::backspaceClosesAMenuWithoutAChoice()
{
    openSettings();
    goTo(15, 2);
    key(Qt::Key_Return);
    key(Qt::Key_Down, 2);
    key(Qt::Key_Backspace);
    QCOMPARE(int(m_form->ScreenMode), 15);
    QCOMPARE(settingsScreen().SettingsColumn, 2);
    QVERIFY(!m_form->image(u"Settings_PopupMenu_PDVDLP"_qs)->isShown());
    QCOMPARE(m_form->Settings.PDVD.LaunchProgram, PowerDVDCinema);
    QVERIFY(!m_form->Settings.Changed);
    // Opened again, the cursor starts at the first item.
    key(Qt::Key_Return);
    QCOMPARE(settingsScreen().menuCursor(), 0);
}

void TestSettingsScreen::doubledAmpersandShownOnce()
{
    writeConfig({u"Player4EncMedia=PDVD"_qs, u"FanArtBackground=Tom & Jerry"_qs});
    openSettings();
    goTo(13, 2);
    key(Qt::Key_Return);
    QCOMPARE(label(u"Settings_PopupMenu_EncPlayer_Item1"_qs)->shownText(), u"Win10 Movies & TV"_qs);
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    QCOMPARE(m_form->Settings.Player4EncMedia, W10MTV);
    LabelElement *player = label(u"Settings_Label_PlayEncMedia"_qs);
    QCOMPARE(player->text(), u"Play other Media with: Win10 Movies && TV"_qs);
    QCOMPARE(player->shownText(), u"Play other Media with: Win10 Movies & TV"_qs);
    QCOMPARE(label(u"Settings_Label_ClearBackground"_qs)->shownText(), u"Clear Background (currently Tom & Jerry)"_qs);
    // Paths are shown as they are.
    QVERIFY(!label(u"Settings_Label_VCDPath"_qs)->ampersandPairs());
}

void TestSettingsScreen::launchButtonChoiceRefreshesTheRegistryStatus()
{
    openSettings();
    goTo(19, 0);
    QCOMPARE(label(u"Settings_Label_MCEUpdateReg"_qs)->text(), u"Run as Administrator to Update Registry"_qs);
    m_remoteCalls.clear();
    key(Qt::Key_Return);
    key(Qt::Key_Down, 4);
    key(Qt::Key_Return); // Yellow
    QCOMPARE(m_form->Settings.ButtonLaunch, u"Yellow"_qs);
    QCOMPARE(int(m_form->ScreenMode), 19);
    QCOMPARE(settingsScreen().SettingsColumn, 0);
    QCOMPARE(m_remoteCalls.last(), false);
    QCOMPARE(label(u"Settings_Label_MCEUpdateReg"_qs)->text(),
             u"Run as Administrator to Update Registry\r\n(Registry Needs Updating)"_qs);
}

void TestSettingsScreen::registryUpdateNeedsAdministrator_data()
{
    QTest::addColumn<bool>("administrator");
    QTest::addColumn<QString>("after");
    QTest::newRow("administrator: written") << true << u"Update Registry (Matches / Not Needed)"_qs;
    QTest::newRow("no rights: nothing") << false
                                        << u"Run as Administrator to Update Registry\r\n(Registry Needs Updating)"_qs;
}

void TestSettingsScreen::registryUpdateNeedsAdministrator()
{
    QFETCH(bool, administrator);
    QFETCH(QString, after);
    writeConfig({u"ButtonClose=Red"_qs});
    m_administrator = administrator;
    openSettings();
    goTo(19, 2);
    m_remoteCalls.clear();
    key(Qt::Key_Return);
    QCOMPARE(m_remoteCalls.contains(true), administrator);
    QCOMPARE(messages::TakeShown().contains(u"Registry updated"_qs), administrator);
    QCOMPARE(label(u"Settings_Label_MCEUpdateReg"_qs)->text(), after);
    // Written at once: not a change of the settings.
    QVERIFY(!m_form->Settings.Changed);
}

void TestSettingsScreen::defaultSortThroughTheSortMenu_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("sort");
    QTest::addColumn<bool>("changed");
    QTest::newRow("stars descending") << QList<int>{Qt::Key_Down, Qt::Key_Right} << int(SortStarsDes) << true;
    QTest::newRow("the current order again still counts") << QList<int>{} << int(SortTitleAsc) << true;
    QTest::newRow("cancel stores nothing") << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down,
                                                         Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}
                                           << int(SortTitleAsc) << false;
}

void TestSettingsScreen::defaultSortThroughTheSortMenu()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, sort);
    QFETCH(bool, changed);
    openSettings();
    goTo(9, 0);
    key(Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smDefaultSortMenu);
    QVERIFY(m_form->image(u"ImageSortBackground"_qs)->isShown());
    for (int k : std::as_const(keys))
        key(Qt::Key(k));
    key(Qt::Key_Return);
    QVERIFY(!m_form->image(u"ImageSortBackground"_qs)->isShown());
    QCOMPARE(int(m_form->ScreenMode), 9);
    QCOMPARE(int(m_form->Settings.DefaultSort), sort);
    QCOMPARE(m_form->Settings.Changed, changed);
    QCOMPARE(label(u"Settings_Label_DefSort"_qs)->text(), DefaultSortText(tSort(sort)));
    QVERIFY(isWhite(label(u"Settings_Label_DefSort"_qs)));
    // The current sort of the browser is not touched.
    QCOMPARE(m_form->Filter.CurrentSort, SortTitleAsc);
}

void TestSettingsScreen::snapshotAndCacheGoAtOnce()
{
    writeConfig();
    const QDir home(m_home->path());
    {
        QFile snapshot(home.filePath(u"CVB_SmartSync.bin"_qs));
        QVERIFY(snapshot.open(QIODevice::WriteOnly));
        QVERIFY(home.mkpath(u"Cache/t1"_qs));
        QFile art(home.filePath(u"Cache/t1/folder.jpg"_qs));
        QVERIFY(art.open(QIODevice::WriteOnly));
    }
    openSettings();
    QCOMPARE(label(u"Settings_Label_ForceRefresh"_qs)->text(), u"Remove \"CVB_SmartSync.bin\" to Force a Full DB Sync"_qs);
    QCOMPARE(label(u"Settings_Label_ClearCache"_qs)->text(), u"/ Clear Artwork Cache"_qs);
    goTo(7, 0);
    key(Qt::Key_Return);
    QVERIFY(!home.exists(u"CVB_SmartSync.bin"_qs));
    QCOMPARE(label(u"Settings_Label_ForceRefresh"_qs)->text(), u"Next Sync will perform a Full Database Sync Refresh"_qs);
    key(Qt::Key_Return); // nothing left to remove
    key(Qt::Key_Down);
    key(Qt::Key_Right);
    key(Qt::Key_Return);
    QVERIFY(!home.exists(u"Cache"_qs));
    QCOMPARE(label(u"Settings_Label_ClearCache"_qs)->text(), u"/ Artwork Cache Cleared"_qs);
    QVERIFY(!m_form->Settings.Changed);
    QVERIFY(messages::TakeShown().isEmpty());
    // DISCARD does not bring them back.
    key(Qt::Key_Down, 12);
    key(Qt::Key_Return);
    QCOMPARE(m_form->ScreenMode, smIconBar);
    QVERIFY(!home.exists(u"CVB_SmartSync.bin"_qs));
    QVERIFY(!home.exists(u"Cache"_qs));
}

void TestSettingsScreen::onlineHelpOpensTheShippedPage_data()
{
    QTest::addColumn<bool>("opener");
    QTest::newRow("xdg-open found") << true;
    QTest::newRow("no xdg-open") << false;
}

void TestSettingsScreen::onlineHelpOpensTheShippedPage()
{
    QFETCH(bool, opener);
    // A PATH with only a stand-in opener (or none); the starter is replaced,
    // so nothing is run.
    QTemporaryDir bin;
    if (opener) {
        QFile fake(QDir(bin.path()).filePath(u"xdg-open"_qs));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\n");
        fake.close();
        fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qputenv("PATH", QFile::encodeName(bin.path()));
    openSettings();
    key(Qt::Key_Up);
    key(Qt::Key_Return);
    // The page that ships with the program, copied beside the build's programs.
    const QString page = FindHelpPage(QCoreApplication::applicationDirPath());
    QVERIFY(!page.isEmpty());
    QVERIFY(fileText(page).contains(u"Cinevue Help"_qs));
    QCOMPARE(int(m_form->ScreenMode), 4);
    if (opener) {
        QCOMPARE(m_started.size(), 1);
        const QString program = QDir(bin.path()).filePath(u"xdg-open"_qs);
        QVERIFY(m_started.first().startsWith(program + u' '));
        QCOMPARE(QProcess::splitCommand(m_started.first().mid(program.size() + 1)), QStringList{page});
        QVERIFY(messages::TakeShown().isEmpty());
    } else {
        QVERIFY(m_started.isEmpty());
        const QStringList shown = messages::TakeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().contains(page));
    }
    QVERIFY(!m_form->Settings.Changed);
}

QTEST_MAIN(TestSettingsScreen)
#include "tst_settingsscreen.moc"
