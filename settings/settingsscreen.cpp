#include "settings/settingsscreen.h"

#include "app/config.h"
#include "app/settingstable.h"
#include "art/coverprofiles.h"
#include "art/imageresources.h"
#include "model/valueconv.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "settings/folderbrowser.h"
#include "settings/remotemapping.h"
#include "ui/keydispatcher.h"
#include "ui/menus.h"
#include "ui/messages.h"
#include "ui/processing.h"
#include "ui/remotekeys.h"
#include "ui/scene.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsProxyWidget>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardPaths>

#include <cmath>

namespace {

const QString kVerdana = QString::fromUtf16(fonts::Verdana);
const QColor kPanelColor(0x08, 0x12, 0x24);
// Above the browser screen and the title grids, below the search band and the
// option menus (the default sort opens the sort menu over this screen).
constexpr qreal kSettingsZ = 95000;
constexpr qreal kPopupZ = 95500;
constexpr qreal kPanelTop = 160;
constexpr int kMainFont = 32;
constexpr int kEntryFont = 24;
// The folder list's line height: the remove marks are 29 apart.
constexpr int kFolderFont = 25;
constexpr qreal kFolderLine = 29;
constexpr int kFolderLines = 7;
constexpr qreal kMenuItemHeight = 40;
constexpr qreal kMenuPadding = 24;

// Rows 9 to 19 lie 48.4 apart from y 314.
qreal rowY(int row)
{
    switch (row) {
    case 4: return 20;
    case 5: return 144;
    case 6: return 188;
    case 7: return 224;
    case 8: return 260;
    case 20: return 875;
    default: return 314 + qRound((row - 9) * 48.4);
    }
}

// Where each entry of the grid starts. The value parts of the entries with a
// pop-up menu or an edit field fall near the menu's or the field's place.
struct EntryX {
    int row;
    int column;
    qreal x;
};
constexpr EntryX kEntryX[] = {
    {4, 0, 24},    {5, 0, 156},   {6, 0, 100},   {7, 0, 100},   {8, 0, 100},   {8, 1, 500},
    {9, 0, 100},   {9, 1, 720},   {10, 0, 100},  {11, 0, 100},  {12, 0, 100},  {13, 0, 100},
    {13, 1, 720},  {13, 2, 1290}, {14, 0, 100},  {15, 0, 100},  {15, 1, 392},  {15, 2, 650},
    {15, 3, 1190}, {16, 0, 100},  {16, 1, 720},  {16, 2, 1290}, {17, 0, 100},  {17, 1, 540},
    {17, 2, 900},  {17, 3, 1406}, {18, 0, 100},  {18, 1, 504},  {18, 2, 903},  {18, 3, 1406},
    {19, 0, 100},  {19, 1, 740},  {19, 2, 1380}, {20, 0, 415},  {20, 1, 1285},
};

qreal entryX(int row, int column)
{
    for (const EntryX &e : kEntryX)
        if (e.row == row && e.column == column)
            return e.x;
    return 100;
}

// The pop-up menus: where they open (on a 1920 x 1080 screen) and the input
// mode they set.
struct MenuPlace {
    const char16_t *name;
    tScreenMode mode;
};
constexpr MenuPlace kMenus[] = {
    {u"Settings_PopupMenu_Drive", 21},       {u"Settings_PopupMenu_Player", 25},
    {u"Settings_PopupMenu_EncPlayer", 25},   {u"Settings_PopupMenu_PDVDLP", 23},
    {u"Settings_PopupMenu_CoverProfile", 31}, {u"Settings_PopupMenu_MCELaunch", 26},
    {u"Settings_PopupMenu_MCEClose", 27},
};

QPoint menuPosition(int row, int column)
{
    switch (row * 10 + column) {
    case 120: return {544, 632};
    case 130: return {424, 684};
    case 131: return {984, 684};
    case 132: return {1568, 684};
    case 152: return {920, 778};
    case 160: return {192, 850};
    case 190: return {568, 856};
    case 191: return {1192, 912};
    default: return {0, 0};
    }
}

// The edit fields (inside the panel) and their input modes.
struct FieldPlace {
    const char16_t *name;
    tScreenMode mode;
    qreal x, y, width;
};
constexpr FieldPlace kFields[] = {
    {u"Settings_Edit_ISOMountTimeout", 22, 360, 372, 50},
    {u"Settings_Edit_PDVDOptions", 24, 1376, 616, 520},
    {u"Settings_Edit_DetailsDelay", 32, 1672, 708, 50},
    {u"Settings_Edit_ScreenSaverDelay", 33, 1208, 756, 50},
    {u"Settings_Edit_ScreenSaverInterval", 34, 768, 756, 50},
};
constexpr qreal kFieldHeight = 34;

LabelElement *entryLabel(Scene &scene, const QString &name, qreal x, qreal y, int size, Element *parent)
{
    LabelElement *l = scene.addLabel(name, {x, y, 0, 0}, parent);
    l->setFont(fonts::Make(kVerdana, size));
    l->setColor(colors::LightSkyBlue);
    l->setAutoSize(true);
    return l;
}

// One command-line argument for RunProgram's splitting: quoted, with a
// quote inside written as three.
QString quotedArgument(const QString &text)
{
    return u'"' + QString(text).replace(u"\""_qs, u"\"\"\""_qs) + u'"';
}

QString folderOf(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).path();
}

} // namespace

// ---------------------------------------------------------------- rules

SettingsFocus SettingsDown(const SettingsFocus &focus, int folderCount)
{
    SettingsFocus f = focus;
    if (f.row == 4) {
        f = {5, 0, f.folderIndex};
    } else if (f.row == 5 && f.column == 1) {
        if (f.folderIndex + 1 < folderCount)
            ++f.folderIndex;
    } else if (f.row == 19) {
        // DISCARD/EXIT first, so that a quick Enter never saves by accident.
        f.row = 20;
        f.column = 1;
    } else if (f.row >= 5 && f.row < 19) {
        ++f.row;
        f.column = 0;
    }
    return f;
}

SettingsFocus SettingsUp(const SettingsFocus &focus, int, bool changed, bool *leave)
{
    if (leave)
        *leave = false;
    SettingsFocus f = focus;
    if (f.row >= 6 && f.row <= 20) {
        --f.row;
        f.column = 0;
    } else if (f.row == 5 && f.column == 0) {
        f.row = 4;
    } else if (f.row == 5) {
        if (f.folderIndex > 0)
            --f.folderIndex;
    } else if (f.row == 4 && !changed && leave) {
        *leave = true;
    }
    return f;
}

SettingsFocus SettingsLeft(const SettingsFocus &focus)
{
    SettingsFocus f = focus;
    if (f.column > 0)
        --f.column;
    return f;
}

SettingsFocus SettingsRight(const SettingsFocus &focus, int folderCount)
{
    SettingsFocus f = focus;
    int last = 0;
    switch (f.row) {
    case 8: case 9: case 20: last = 1; break;
    case 13: case 16: case 19: last = 2; break;
    case 15: case 17: case 18: last = 3; break;
    case 5:
        if (f.column == 0 && folderCount > 0) {
            f.column = 1;
            f.folderIndex = 0;
        }
        return f;
    default: break;
    }
    if (f.column < last)
        ++f.column;
    return f;
}

SettingsFocus SettingsAfterFolderRemoved(const SettingsFocus &focus, int folderCount)
{
    SettingsFocus f = focus;
    if (folderCount <= 0) {
        f.column = 0;
        f.folderIndex = 0;
    } else if (f.folderIndex >= folderCount) {
        f.folderIndex = folderCount - 1;
    }
    return f;
}

QString RemoteRegistryStatusText(bool administrator, bool needsUpdate)
{
    if (!administrator)
        return needsUpdate ? u"Run as Administrator to Update Registry\r\n(Registry Needs Updating)"_qs
                           : u"Run as Administrator to Update Registry"_qs;
    return needsUpdate ? u"Update Registry (Needs Updating)"_qs : u"Update Registry (Matches / Not Needed)"_qs;
}

QPointF PopupMenuPosition(const QPoint &position, const QSize &screen)
{
    if (screen.width() <= 0 || screen.height() <= 0)
        return QPointF(position);
    // The whole-number quotients of a screen below 1920 x 1080 would be 0 and
    // put every menu into the corner; such screens are taken as 1920 x 1080.
    const int qx = qMax(1, screen.width() / Scene::kWidth);
    const int qy = qMax(1, screen.height() / Scene::kHeight);
    return {qreal(position.x()) * qx * Scene::kWidth / screen.width(),
            qreal(position.y()) * qy * Scene::kHeight / screen.height()};
}

std::optional<qint32> NumberFieldValue(const QString &text, int minimum)
{
    const std::optional<qint32> value = ConfigTextToInt(text);
    if (!value)
        return std::nullopt;
    return qMax<qint32>(*value, minimum);
}

QString FindHelpPage(const QString &programFolder)
{
    const QDir dir(programFolder);
    for (const QString &candidate : {u"help/index.html"_qs, u"../share/cinevue/help/index.html"_qs,
                                     u"../help/index.html"_qs}) {
        const QString path = QDir::cleanPath(dir.absoluteFilePath(candidate));
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

// ---------------------------------------------------------------- parts

struct SettingsScreen::Entry {
    int row = 0;
    int column = 0;
    LabelElement *label = nullptr;         // the text that follows the settings
    QList<LabelElement *> labels;          // all labels that are white with the focus
    const SettingDescriptor *setting = nullptr; // null: one of the screen's own entries
    std::function<QString()> text;         // the own entries' text
};

struct SettingsScreen::Menu {
    QString name;
    tScreenMode mode = 0;
    ImageElement *panel = nullptr;
    ImageElement *inside = nullptr;
    QList<LabelElement *> items;
    QStringList texts;
    int cursor = 0;
    int row = 0;
    int column = 0;
    std::function<void(int)> choose;
};

struct SettingsScreen::Field {
    QString name;
    tScreenMode mode = 0;
    ImageElement *holder = nullptr;
    QLineEdit *edit = nullptr;
    const SettingDescriptor *setting = nullptr;
    bool numeric = true;
};

// ---------------------------------------------------------------- the screen

SettingsScreen::SettingsScreen(ScreenHost &host)
    : ScreenComponent(host), m_screenSaver(host.scene().element(u"ImageScreenSaver1"_qs))
{
    m_drives = [] {
        QList<OpticalDriveChoice> choices;
        for (const tOpticalDrive &d : GetOpticalDrives())
            choices.append({QString(d.DriveLetter), d.Name});
        return choices;
    };
    m_profiles = [this] {
        return CoverProfiles::GetCoverProfiles(tCoverFolders::Standard(this->host().appPath()).Profiles).Names;
    };
    m_remote = [this](const tSettings &s, bool update, QStringList *texts) {
        if (!m_remoteMapping)
            m_remoteMapping = std::make_unique<RemoteMapping>(
                RemoteMappingEnvironment::current(this->host().appPath(), ::ProgVersion()));
        const RemoteMappingResult r = update ? m_remoteMapping->update(s) : m_remoteMapping->check(s);
        if (texts)
            *texts = r.messages;
        return RemoteRowState{r.state.IsAdministrator, r.state.LaunchNeedsUpdate || r.state.CloseNeedsUpdate};
    };
    m_startProgram = [](const QString &program, const QString &arguments, QString *error) {
        const RunProgramResult r = RunProgram(program, arguments, false, false);
        if (!r.started && error)
            *error = r.messages().join(u'\n');
        return r.started;
    };

    build();
    if (OptionMenus *menus = host.screen<OptionMenus>()) {
        menus->setSettingsRedraw([this] {
            SettingsRow = 9;
            SettingsColumn = 0;
            ShowSettings();
        });
    }
    host.window()->installEventFilter(this);
}

SettingsScreen::~SettingsScreen()
{
    host().window()->removeEventFilter(this);
}

void SettingsScreen::build()
{
    Scene &scene = host().scene();
    m_panel = scene.addImage(u"ImageSettingsBackground"_qs, {0, kPanelTop, 1920, 920});
    m_panel->setBackground(kPanelColor);
    m_panel->setZValue(kSettingsZ);
    m_panel->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    m_panel->hide();

    m_version = scene.addLabel(u"Settings_Label_ProgVersion"_qs, {0, 8, 1896, 30}, m_panel);
    m_version->setFont(fonts::Make(kVerdana, kEntryFont));
    m_version->setColor(colors::LightSkyBlue);
    m_version->setAlignment(Qt::AlignRight | Qt::AlignTop);

    const auto own = [&](int row, int column, const QString &name, int size, std::function<QString()> text) {
        auto e = std::make_unique<Entry>();
        e->row = row;
        e->column = column;
        e->label = entryLabel(scene, name, entryX(row, column), rowY(row), size, m_panel);
        e->label->setAmpersandPairs(true);
        e->labels = {e->label};
        e->text = std::move(text);
        Entry *added = e.get();
        m_entries.push_back(std::move(e));
        return added;
    };

    own(4, 0, u"Settings_Label_WebHelp"_qs, kMainFont, [] { return u"Online Help"_qs; });
    m_heading = entryLabel(scene, u"Settings_Label_ScanFolders"_qs, 24, 88, kMainFont, m_panel);
    m_heading->setText(u"SmartSync Folders and Settings"_qs);
    m_folderIcon = scene.addImage(u"Settings_Image_FolderIcon"_qs, {98, 136, 50, 50}, m_panel);
    own(5, 0, u"Settings_Label_AddFolder"_qs, kEntryFont,
        [] { return u"Add New Folders for Scanning / Arrow Right to Edit >"_qs; });

    // The list shows seven folders; a longer list scrolls inside this box so
    // that it never runs into the rows below.
    m_folderBox = scene.addImage(u"Settings_Image_FolderList"_qs, {820, 99, 1080, kFolderLine * kFolderLines + 4}, m_panel);
    m_folderBox->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    {
        auto e = std::make_unique<Entry>();
        e->row = 5;
        e->column = 1;
        m_folders = entryLabel(scene, u"Settings_Label_Folders"_qs, 30, 0, kFolderFont, m_folderBox);
        e->label = m_folders;
        e->labels = {m_folders};
        e->text = [this] {
            QStringList lines;
            for (const tScannedFolders &f : std::as_const(host().settings().Folders))
                lines << f.Folder;
            return lines.join(u"\r\n"_qs);
        };
        m_entries.push_back(std::move(e));
    }
    for (int i = 0; i < kFolderLines; ++i) {
        m_marks[size_t(i)] = scene.addImage(u"Settings_Image_X%1"_qs.arg(i + 1), {0, 6 + kFolderLine * i, 24, 24}, m_folderBox);
        m_marks[size_t(i)]->hide();
    }

    own(7, 0, u"Settings_Label_ForceRefresh"_qs, kEntryFont, [this] {
        return QFileInfo::exists(::SmartSyncFile(host().appPath()))
                   ? u"Remove \"CVB_SmartSync.bin\" to Force a Full DB Sync"_qs
                   : u"Next Sync will perform a Full Database Sync Refresh"_qs;
    });
    own(8, 1, u"Settings_Label_ClearCache"_qs, kEntryFont, [this] {
        return QFileInfo(host().cachePath()).isDir() ? u"/ Clear Artwork Cache"_qs : u"/ Artwork Cache Cleared"_qs;
    });
    own(19, 2, u"Settings_Label_MCEUpdateReg"_qs, kEntryFont,
        [this] { return RemoteRegistryStatusText(m_remoteState.administrator, m_remoteState.needsUpdate); });
    own(20, 0, u"Settings_Label_Save"_qs, kMainFont, [] { return u"SAVE"_qs; });
    own(20, 1, u"Settings_Label_Discard"_qs, kMainFont,
        [this] { return host().settings().Changed ? u"DISCARD"_qs : u"EXIT"_qs; });

    // Every setting with an entry, from the table.
    for (const SettingDescriptor &d : SettingsTable()) {
        if (!d.screen)
            continue;
        const SettingScreenEntry &s = *d.screen;
        auto e = std::make_unique<Entry>();
        e->row = s.row;
        e->column = s.column;
        e->setting = &d;
        qreal x = entryX(s.row, s.column);
        if (s.action == SettingAction::FileDialog) {
            // A caption, and the path after it.
            const bool mount = s.row == 11;
            LabelElement *caption = entryLabel(scene, mount ? u"Settings_Label_VCD_FP"_qs : u"Settings_Label_PDVDFilePath"_qs,
                                               x, rowY(s.row), kEntryFont, m_panel);
            caption->setText(mount ? u"Virtual CloneDrive File Path:"_qs
                                   : u"PDVDLP.exe/PDVDLaunchPolicy.exe Location:"_qs);
            e->labels.append(caption);
            x += std::ceil(caption->textWidth()) + 14;
        }
        e->label = entryLabel(scene, s.element, x, rowY(s.row), kEntryFont, m_panel);
        // Paths and free text are shown as they are; the other texts write a
        // literal ampersand doubled.
        e->label->setAmpersandPairs(s.action != SettingAction::FileDialog && s.action != SettingAction::TextEdit);
        e->labels.append(e->label);
        m_entries.push_back(std::move(e));
    }

    for (const MenuPlace &place : kMenus) {
        auto m = std::make_unique<Menu>();
        m->name = QString::fromUtf16(place.name);
        m->mode = place.mode;
        // A light frame around a dark inside, so that the menu stands out
        // from the panel under it.
        m->panel = scene.addImage(m->name, {0, 0, 10, 10});
        m->panel->setBackground(colors::LightSkyBlue);
        m->panel->setZValue(kPopupZ);
        m->panel->hide();
        m->inside = scene.addImage(m->name + u"_Inside"_qs, {2, 2, 6, 6}, m->panel);
        m->inside->setBackground(QColor(0x12, 0x26, 0x42));
        m_menus.push_back(std::move(m));
    }

    for (const FieldPlace &place : kFields) {
        auto f = std::make_unique<Field>();
        f->name = QString::fromUtf16(place.name);
        f->mode = place.mode;
        for (const SettingDescriptor &d : SettingsTable())
            if (d.screen && d.screen->editElement == f->name)
                f->setting = &d;
        Q_ASSERT_X(f->setting, "SettingsScreen", qPrintable(f->name));
        f->numeric = f->setting && f->setting->screen->action == SettingAction::NumberEdit;
        f->holder = scene.addImage(f->name, {place.x, place.y, place.width, kFieldHeight}, m_panel);
        f->holder->hide();
        auto *edit = new QLineEdit;
        edit->setObjectName(f->name);
        edit->setFrame(false);
        edit->setFont(fonts::Make(kVerdana, 22));
        edit->setStyleSheet(u"QLineEdit { background: #F8F8FF; color: #000000; border: 2px solid #87CEFA; padding: 0 2px; }"_qs);
        edit->resize(int(place.width), int(kFieldHeight));
        auto *proxy = new QGraphicsProxyWidget(f->holder);
        proxy->setWidget(edit);
        proxy->setGeometry({0, 0, place.width, kFieldHeight});
        f->edit = edit;
        m_fields.push_back(std::move(f));
    }
}

void SettingsScreen::registerKeys(KeyDispatcher &dispatcher)
{
    ModeKeys rows;
    const auto move = [this](auto rule) {
        return [this, rule] {
            const SettingsFocus next = rule(focus());
            if (next == focus())
                return;
            setFocus(next);
        };
    };
    const auto folderCount = [this] { return int(host().settings().Folders.size()); };
    rows.Down = move([folderCount](const SettingsFocus &f) { return SettingsDown(f, folderCount()); });
    rows.Left = move([](const SettingsFocus &f) { return SettingsLeft(f); });
    rows.Right = move([folderCount](const SettingsFocus &f) { return SettingsRight(f, folderCount()); });
    rows.Up = [this, folderCount] {
        bool leaveScreen = false;
        const SettingsFocus next = SettingsUp(focus(), folderCount(), host().settings().Changed, &leaveScreen);
        if (leaveScreen)
            leaveUnchanged();
        else if (!(next == focus()))
            setFocus(next);
    };
    rows.Enter = [this] { enter(); };
    dispatcher.setModes(smSettingsFirst, smSettingsLast, rows);

    ModeKeys menu;
    menu.Up = [this] {
        if (m_openMenu && m_openMenu->cursor > 0) {
            --m_openMenu->cursor;
            showMenu();
        }
    };
    menu.Down = [this] {
        if (m_openMenu && m_openMenu->cursor + 1 < m_openMenu->texts.size()) {
            ++m_openMenu->cursor;
            showMenu();
        }
    };
    menu.Enter = [this] { closeMenu(true); };
    menu.Backspace = [this] { closeMenu(false); };
    for (const MenuPlace &place : kMenus)
        dispatcher.setMode(place.mode, menu);
    // The edit fields take their keys first (the field filter); their modes
    // have nothing else to do.
    for (const FieldPlace &place : kFields)
        dispatcher.setMode(place.mode, ModeKeys{});
}

void SettingsScreen::dumpState(QJsonObject &state) const
{
    state[u"SettingsOpen"_qs] = isOpen();
    state[u"SettingsRow"_qs] = SettingsRow;
    state[u"SettingsColumn"_qs] = SettingsColumn;
    state[u"FolderIndex"_qs] = FolderIndex;
    state[u"Changed"_qs] = host().settings().Changed;
    if (m_openMenu) {
        QJsonObject menu;
        menu[u"name"_qs] = m_openMenu->name;
        menu[u"items"_qs] = QJsonArray::fromStringList(m_openMenu->texts);
        menu[u"cursor"_qs] = m_openMenu->cursor;
        state[u"SettingsMenu"_qs] = menu;
    }
    if (m_openField) {
        QJsonObject field;
        field[u"name"_qs] = m_openField->name;
        field[u"text"_qs] = m_openField->edit->text();
        state[u"SettingsField"_qs] = field;
    }
}

bool SettingsScreen::isOpen() const
{
    return m_panel->isShown();
}

QStringList SettingsScreen::menuItems() const
{
    return m_openMenu ? m_openMenu->texts : QStringList();
}

int SettingsScreen::menuCursor() const
{
    return m_openMenu ? m_openMenu->cursor : -1;
}

QLineEdit *SettingsScreen::openField() const
{
    return m_openField ? m_openField->edit : nullptr;
}

SettingsScreen::Entry *SettingsScreen::entryAt(int row, int column) const
{
    for (const std::unique_ptr<Entry> &e : m_entries)
        if (e->row == row && e->column == column)
            return e.get();
    return nullptr;
}

// ---------------------------------------------------------------- drawing

void SettingsScreen::Open()
{
    host().settingsBackup() = host().settings();
    SettingsRow = 5;
    SettingsColumn = 0;
    FolderIndex = 0;
    m_folderScroll = 0;
    browser().ScreenMode = tScreenMode(SettingsRow);
    host().UpdateIcons();
    ShowSettings();
}

void SettingsScreen::setFocus(const SettingsFocus &f)
{
    SettingsRow = f.row;
    SettingsColumn = f.column;
    FolderIndex = f.folderIndex;
    browser().ScreenMode = tScreenMode(f.row);
    ShowSettings();
}

void SettingsScreen::checkRemote()
{
    if (m_remote)
        m_remoteState = m_remote(host().settings(), false, nullptr);
}

void SettingsScreen::ShowSettings()
{
    const tSettings &s = host().settings();
    if ((SettingsRow == 5 && SettingsColumn == 0) || SettingsRow == 19)
        checkRemote();

    for (const std::unique_ptr<Entry> &e : m_entries) {
        e->label->setText(e->setting ? e->setting->screen->text(s) : e->text());
        const bool focused = e->row == SettingsRow && e->column == SettingsColumn;
        for (LabelElement *l : std::as_const(e->labels))
            l->setColor(focused ? QColor(Qt::white) : colors::LightSkyBlue);
    }
    m_heading->setColor(SettingsRow >= 5 && SettingsRow <= 8 ? QColor(Qt::white) : colors::LightSkyBlue);

    ImageResources &images = host().images();
    const QString folderPicture = SettingsRow == 5 && SettingsColumn == 0 ? u"PngFolderSel"_qs : u"PngFolder"_qs;
    if (m_folderIcon->pictureName() != folderPicture)
        m_folderIcon->setPicture(images.image(folderPicture), folderPicture);

    // Keep the focused folder inside the seven lines.
    const int folders = int(s.Folders.size());
    if (SettingsRow == 5 && SettingsColumn == 1) {
        if (FolderIndex < m_folderScroll)
            m_folderScroll = FolderIndex;
        if (FolderIndex >= m_folderScroll + kFolderLines)
            m_folderScroll = FolderIndex - kFolderLines + 1;
    }
    m_folderScroll = qBound(0, m_folderScroll, qMax(0, folders - kFolderLines));
    const qreal shift = -kFolderLine * m_folderScroll;
    m_folders->setPos(30, shift);
    for (int i = 0; i < kFolderLines; ++i) {
        ImageElement *mark = m_marks[size_t(i)];
        const bool selected = SettingsRow == 5 && SettingsColumn == 1 && FolderIndex == i;
        const QString picture = selected ? u"PngSmallXSel"_qs : u"PngSmallX"_qs;
        if (i < folders && mark->pictureName() != picture)
            mark->setPicture(images.image(picture), picture);
        mark->setPos(0, 6 + kFolderLine * i + shift);
        mark->setVisible(i < folders);
    }

    if (Entry *save = entryAt(20, 0))
        save->label->setVisible(s.Changed);
    m_version->setText(u"Cinevue v."_qs + ::ProgVersion());
    m_panel->show();
}

// ---------------------------------------------------------------- Enter

void SettingsScreen::enter()
{
    const int row = SettingsRow;
    const int column = SettingsColumn;
    switch (row * 10 + column) {
    case 40: openHelp(); break;
    case 50: addFolder(); return; // the browser redraws the screen when it closes
    case 51: removeFolder(); break;
    case 70: removeSnapshot(); break;
    case 81: clearCache(); break;
    case 90:
        if (OptionMenus *menus = host().screen<OptionMenus>())
            menus->OpenDefaultSort();
        break;
    case 192: updateRegistry(); break;
    case 200: save(); return;
    case 201: discard(); return;
    default:
        if (const SettingDescriptor *setting = SettingAt(row, column)) {
            enterSetting(*setting);
            if (m_openMenu || m_openField || browser().ScreenMode == smFolderBrowser)
                return; // they redraw when they close
        }
        break;
    }
    ShowSettings();
}

void SettingsScreen::enterSetting(const SettingDescriptor &setting)
{
    tSettings &s = host().settings();
    const SettingScreenEntry &entry = *setting.screen;
    const QString current = setting.values(s).value(0);
    // A choice of a menu: the value as the table stores it, set when it differs.
    const auto chooseValue = [this, &setting](const QString &value) {
        tSettings &live = host().settings();
        if (setting.values(live).value(0) == value)
            return;
        if (setting.take(live, value))
            markChanged();
    };

    switch (entry.action) {
    case SettingAction::Toggle:
        setting.take(s, BoolToText(!TextToBool(current)));
        markChanged();
        break;
    case SettingAction::Clear:
        setting.take(s, QString());
        markChanged();
        break;
    case SettingAction::NumberEdit:
    case SettingAction::TextEdit:
        for (const std::unique_ptr<Field> &f : m_fields)
            if (f->setting == &setting)
                openField(*f, setting);
        break;
    case SettingAction::FileDialog:
        chooseFile(setting);
        break;
    case SettingAction::Menu: {
        const QString key = setting.key;
        Menu *menu = nullptr;
        const auto find = [this](const QString &name) {
            for (const std::unique_ptr<Menu> &m : m_menus)
                if (m->name == name)
                    return m.get();
            return static_cast<Menu *>(nullptr);
        };
        if (key == u"VCDDriveLetter"_qs) {
            const QList<OpticalDriveChoice> drives = m_drives ? m_drives() : QList<OpticalDriveChoice>();
            if (drives.isEmpty()) {
                messages::ShowMessage(u"No optical drive was found."_qs, host().window());
                break;
            }
            QStringList names;
            for (const OpticalDriveChoice &d : drives)
                names << d.name;
            openMenu(*find(u"Settings_PopupMenu_Drive"_qs), names,
                     [chooseValue, drives](int i) { chooseValue(drives.at(i).letter); });
        } else if (key == u"CoverProfile"_qs) {
            QStringList names = m_profiles ? m_profiles() : QStringList();
            if (names.isEmpty() || names.first() != u"Default"_qs)
                names.prepend(u"Default"_qs);
            names.removeDuplicates();
            openMenu(*find(u"Settings_PopupMenu_CoverProfile"_qs), names,
                     [chooseValue, names](int i) { chooseValue(names.at(i)); });
        } else {
            if (key == u"Player4EncMedia"_qs)
                menu = find(u"Settings_PopupMenu_EncPlayer"_qs);
            else if (key.startsWith(u"Player4"_qs))
                menu = find(u"Settings_PopupMenu_Player"_qs);
            else if (key == u"PDVDLP"_qs)
                menu = find(u"Settings_PopupMenu_PDVDLP"_qs);
            else if (key == u"ButtonLaunch"_qs)
                menu = find(u"Settings_PopupMenu_MCELaunch"_qs);
            else if (key == u"ButtonClose"_qs)
                menu = find(u"Settings_PopupMenu_MCEClose"_qs);
            if (!menu)
                break;
            const QStringList items = entry.choices;
            // The player menus choose by position; the others store the item.
            const bool byPosition = key.startsWith(u"Player4"_qs);
            openMenu(*menu, items, [chooseValue, items, byPosition](int i) {
                chooseValue(byPosition ? PlayerName(tPlayers(i)) : items.at(i));
            });
        }
        break;
    }
    case SettingAction::None:
        break;
    }
}

void SettingsScreen::openHelp()
{
    const QString page = m_helpPage.isEmpty() ? FindHelpPage(QCoreApplication::applicationDirPath()) : m_helpPage;
    if (page.isEmpty()) {
        messages::ShowError(u"The help page (help/index.html) was not found beside the program."_qs, host().window());
        return;
    }
    const QString opener = QStandardPaths::findExecutable(u"xdg-open"_qs);
    if (opener.isEmpty()) {
        messages::ShowError(u"No web browser could be started (xdg-open was not found). The help page is "_qs + page,
                            host().window());
        return;
    }
    QString error;
    if (!m_startProgram || !m_startProgram(opener, quotedArgument(page), &error))
        messages::ShowError(u"The help page could not be opened: "_qs + error, host().window());
}

void SettingsScreen::addFolder()
{
    FolderBrowser *folders = host().screen<FolderBrowser>();
    if (!folders)
        return;
    folders->Open(FolderBrowserRequest{}, [this](const QString &chosen) {
        browser().ScreenMode = tScreenMode(SettingsRow);
        if (!chosen.isEmpty()) {
            // Stored with its separator, as every monitored folder is.
            host().settings().Folders.append({WithTrailingSeparator(chosen), false});
            markChanged();
        }
        ShowSettings();
    });
}

void SettingsScreen::chooseFile(const SettingDescriptor &setting)
{
    FolderBrowser *folders = host().screen<FolderBrowser>();
    if (!folders)
        return;
    const bool mount = setting.screen->row == 11;
    FolderBrowserRequest request;
    request.title = mount ? u"Virtual CloneDrive Mount (VCDMount.exe, cinevue-mount)"_qs
                          : u"PowerDVD Launch Policy (PDVD*.exe, cinevue-play)"_qs;
    request.filePatterns = mount ? QStringList{u"VCDMount.exe"_qs, u"cinevue-mount"_qs}
                                 : QStringList{u"PDVD*.exe"_qs, u"cinevue-play"_qs};
    request.startPath = folderOf(setting.values(host().settings()).value(0));
    folders->Open(request, [this, &setting](const QString &chosen) {
        browser().ScreenMode = tScreenMode(SettingsRow);
        tSettings &s = host().settings();
        if (!chosen.isEmpty() && chosen != setting.values(s).value(0)) {
            setting.take(s, chosen);
            markChanged();
        }
        ShowSettings();
    });
}

void SettingsScreen::removeFolder()
{
    tSettings &s = host().settings();
    if (FolderIndex < 0 || FolderIndex >= s.Folders.size())
        return;
    s.Folders.removeAt(FolderIndex);
    markChanged();
    const SettingsFocus next = SettingsAfterFolderRemoved(focus(), int(s.Folders.size()));
    SettingsRow = next.row;
    SettingsColumn = next.column;
    FolderIndex = next.folderIndex;
}

void SettingsScreen::removeSnapshot()
{
    const QString file = ::SmartSyncFile(host().appPath());
    if (QFileInfo::exists(file) && !QFile::remove(file))
        messages::ShowError(u"\u201C%1\u201D could not be removed."_qs.arg(file), host().window());
}

void SettingsScreen::clearCache()
{
    const QString folder = host().cachePath();
    if (QFileInfo(folder).isDir() && !QDir(folder).removeRecursively())
        messages::ShowError(u"The artwork cache \u201C%1\u201D could not be removed completely."_qs.arg(folder),
                            host().window());
}

void SettingsScreen::updateRegistry()
{
    // The state of the check that drew row 19.
    if (!m_remoteState.administrator || !m_remote)
        return;
    QStringList texts;
    m_remoteState = m_remote(host().settings(), true, &texts);
    for (const QString &text : std::as_const(texts))
        messages::ShowMessage(text, host().window());
}

void SettingsScreen::save()
{
    QString error;
    if (!host().SaveConfig(&error)) {
        messages::ShowError(u"The settings could not be saved: "_qs + error, host().window());
        ShowSettings();
        return;
    }
    leave();
}

void SettingsScreen::discard()
{
    host().settings() = host().settingsBackup();
    host().settings().Changed = false;
    leave();
}

void SettingsScreen::leaveUnchanged()
{
    // Nothing to save or undo: the icon bar takes the focus back.
    browser().ScreenMode = smIconBar;
    m_panel->hide();
    host().UpdateIcons();
    host().UpdateGlowEffect();
}

void SettingsScreen::leave()
{
    BrowserState &b = browser();
    const tSettings &s = host().settings();
    const bool loaded = !host().titles().Title.isEmpty();
    b.ScreenMode = smIconBar;
    if (!loaded && !s.Folders.isEmpty())
        b.IconIndex = 1; // the sync icon: what a new user does next
    m_panel->hide();
    // With folders listed the backdrop's own hint (run a sync) takes over from
    // the quick start guide; both at once would be drawn over each other.
    if (!loaded && !s.Folders.isEmpty() && s.ShowHelp) {
        if (ProcessingLabels *processing = host().screen<ProcessingLabels>();
            processing && processing->heading()->isShown()
            && processing->heading()->text() == u"Quick Start Guide"_qs)
            host().HideProcessing();
    }
    host().UpdateIcons();
    host().UpdateGlowEffect();
    if (loaded)
        host().UpdateDetails();
}

// ---------------------------------------------------------------- pop-up menus

void SettingsScreen::openMenu(Menu &menu, const QStringList &items, std::function<void(int)> choose)
{
    Scene &scene = host().scene();
    for (LabelElement *old : std::as_const(menu.items))
        scene.removeElement(old);
    menu.items.clear();
    menu.texts = items;
    menu.row = SettingsRow;
    menu.column = SettingsColumn;
    menu.choose = std::move(choose);
    // The first item is under the cursor as soon as the menu shows.
    menu.cursor = 0;

    qreal width = 0;
    for (int i = 0; i < items.size(); ++i) {
        LabelElement *l = entryLabel(scene, menu.name + u"_Item%1"_qs.arg(i), kMenuPadding,
                                     6 + kMenuItemHeight * i + 4, kEntryFont, menu.inside);
        l->setAmpersandPairs(true);
        l->setText(items.at(i));
        width = qMax(width, l->textWidth());
        menu.items.append(l);
    }
    const QSizeF size(std::ceil(width) + 2 * kMenuPadding, kMenuItemHeight * items.size() + 16);
    const QPointF at = PopupMenuPosition(menuPosition(SettingsRow, SettingsColumn), host().window()->size());
    // Kept on the surface, as a menu is kept on the screen.
    const QPointF place(qBound<qreal>(0, at.x(), Scene::kWidth - size.width()),
                        qBound<qreal>(0, at.y(), Scene::kHeight - size.height()));
    menu.panel->setGeometry({place, size});
    menu.inside->setGeometry({2, 2, size.width() - 4, size.height() - 4});
    m_openMenu = &menu;
    browser().ScreenMode = menu.mode;
    showMenu();
}

void SettingsScreen::showMenu()
{
    if (!m_openMenu)
        return;
    for (int i = 0; i < m_openMenu->items.size(); ++i)
        m_openMenu->items.at(i)->setColor(i == m_openMenu->cursor ? QColor(Qt::white) : colors::LightSkyBlue);
    m_openMenu->panel->show();
}

void SettingsScreen::closeMenu(bool choose)
{
    Menu *menu = m_openMenu;
    if (!menu)
        return;
    m_openMenu = nullptr;
    menu->panel->hide();
    SettingsRow = menu->row;
    SettingsColumn = menu->column;
    browser().ScreenMode = tScreenMode(menu->row);
    if (choose && menu->cursor >= 0 && menu->cursor < menu->texts.size() && menu->choose)
        menu->choose(menu->cursor);
    ShowSettings();
}

// ---------------------------------------------------------------- edit fields

void SettingsScreen::openField(Field &field, const SettingDescriptor &setting)
{
    field.edit->setText(setting.values(host().settings()).value(0));
    // The whole text is selected, so typing replaces the value.
    field.edit->selectAll();
    field.holder->show();
    field.edit->setFocus();
    m_openField = &field;
    browser().ScreenMode = field.mode;
    // The field sees every key before the dispatcher: Enter ends the edit,
    // every other key has been given to the field or refused (eventFilter).
    host().dispatcher().setFieldFilter([this](quint16 &Key, QChar &KeyChar) {
        if (!m_openField || screenSaverShowing())
            return;
        const bool enterKey = Key == vk::Return;
        Key = 0;
        KeyChar = QChar();
        if (enterKey)
            endField();
    });
}

void SettingsScreen::endField()
{
    Field &field = *m_openField;
    tSettings &s = host().settings();
    const SettingDescriptor &setting = *field.setting;
    const QString current = setting.values(s).value(0);
    QString value = field.edit->text();
    if (field.numeric) {
        const std::optional<qint32> number = NumberFieldValue(value, 0);
        if (!number) {
            messages::ShowError(u"%1 is too large for this setting; enter a number up to 2147483647."_qs.arg(value),
                                host().window());
            // The field stays open; the next digit starts the number again.
            field.edit->selectAll();
            return;
        }
        if (QString::number(*number) != current)
            markChanged();
        value = QString::number(qMax<qint32>(*number, setting.screen->minimum));
        setting.take(s, value);
    } else if (value != current) {
        setting.take(s, value);
        markChanged();
    }
    field.holder->hide();
    field.edit->clearFocus();
    m_openField = nullptr;
    host().dispatcher().setFieldFilter({});
    browser().ScreenMode = tScreenMode(SettingsRow);
    ShowSettings();
}

bool SettingsScreen::screenSaverShowing() const
{
    return m_screenSaver && m_screenSaver->isShown();
}

bool SettingsScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_openField || watched != host().window() || event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    // The key that ends the screensaver is used up there; Enter belongs to
    // the field filter. The window sees every key as well.
    if (screenSaverShowing() || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        return false;
    if (m_openField->numeric) {
        const QString text = key->text();
        if (text.size() != 1 || text.at(0) < u'0' || text.at(0) > u'9')
            return false; // refused: only digits go into a number
    }
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey(),
                   key->nativeModifiers(), key->text(), key->isAutoRepeat(), ushort(key->count()));
    QApplication::sendEvent(m_openField->edit, &copy);
    return false;
}
