#pragma once
// The settings screen: every setting as a text entry on one full-width panel,
// changed with the arrows and Enter alone. Toggles flip on Enter, choices
// open a pop-up menu, numbers and free text open a small edit field, folders
// and programs open the on-screen folder browser. Changes go into the live
// settings at once and are saved ("SAVE") or undone ("DISCARD") on leaving;
// removing the sync snapshot, clearing the artwork cache, the help page and
// the registry update act at once and stay.
//
// The entries that show a setting come from the settings table (one
// declaration per setting); the screen adds its own entries (help, folders,
// snapshot, cache, registry, SAVE and DISCARD/EXIT).

#include "ui/screen.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Element;
class ImageElement;
class LabelElement;
class QLineEdit;
class RemoteMapping;
struct SettingDescriptor;

// ---------------------------------------------------------------- rules

// Where the focus is: the row (4 to 20, the screen mode), the entry in the
// row, and the focused folder of row 5.
struct SettingsFocus {
    int row = 5;
    int column = 0;
    int folderIndex = 0;
    bool operator==(const SettingsFocus &) const = default;
};

// The arrows. A move that is not allowed keeps the focus. Up from "Online
// Help" leaves the screen when nothing was changed.
SettingsFocus SettingsDown(const SettingsFocus &focus, int folderCount);
SettingsFocus SettingsUp(const SettingsFocus &focus, int folderCount, bool changed, bool *leave);
SettingsFocus SettingsLeft(const SettingsFocus &focus);
SettingsFocus SettingsRight(const SettingsFocus &focus, int folderCount);
// The focus after the folder at `focus.folderIndex` was removed; `folderCount`
// is the number left.
SettingsFocus SettingsAfterFolderRemoved(const SettingsFocus &focus, int folderCount);

// Row 19's registry entry.
QString RemoteRegistryStatusText(bool administrator, bool needsUpdate);

// A pop-up menu's place on the design surface: its position on a 1920 x 1080
// screen times the whole-number quotients of the real screen size (at least
// 1), brought back to the surface the screen stretches.
QPointF PopupMenuPosition(const QPoint &position, const QSize &screen);

// A numeric field's text on Enter: "0" + text as a decimal number, raised to
// `minimum` when it is 0. std::nullopt when it does not fit 32 bits.
std::optional<qint32> NumberFieldValue(const QString &text, int minimum);

// The help page that ships with the program, looked for beside the executable
// in `programFolder`, in its "help" folder and in the install's share folder;
// empty when there is none.
QString FindHelpPage(const QString &programFolder);

// One optical drive of the drive menu.
struct OpticalDriveChoice {
    QString letter;
    QString name;
    bool operator==(const OpticalDriveChoice &) const = default;
};

// What row 19 shows: the administrator test and the last registry check.
struct RemoteRowState {
    bool administrator = false;
    bool needsUpdate = false;
};

// ---------------------------------------------------------------- the screen

class SettingsScreen : public QObject, public ScreenComponent
{
    Q_OBJECT
public:
    explicit SettingsScreen(ScreenHost &host);
    ~SettingsScreen() override;

    // Modes 4 to 20 (the rows) and the pop-up menus and edit fields (21 to
    // 27, 31 to 34).
    void registerKeys(KeyDispatcher &dispatcher) override;
    // SettingsRow, SettingsColumn, FolderIndex, Changed and the open input.
    void dumpState(QJsonObject &state) const override;

    // Enter on the gear icon: backup copy, focus on the folder row.
    void Open();
    // Redraws every entry from the settings and the focus.
    void ShowSettings();
    bool isOpen() const;

    int SettingsRow = 5;
    int SettingsColumn = 0;
    int FolderIndex = 0;

    // ---- the outside world, replaceable by tests
    using DriveLister = std::function<QList<OpticalDriveChoice>()>;
    using ProfileLister = std::function<QStringList()>; // "Default" first
    // `update` false: check only. Texts for message boxes go to `messages`.
    using RemoteCall = std::function<RemoteRowState(const tSettings &, bool update, QStringList *messages)>;
    // Starts a program without a shell; false with the reason when it fails.
    using ProgramStarter = std::function<bool(const QString &program, const QString &arguments, QString *error)>;
    void setDriveLister(DriveLister lister) { m_drives = std::move(lister); }
    void setProfileLister(ProfileLister lister) { m_profiles = std::move(lister); }
    void setRemoteCall(RemoteCall call) { m_remote = std::move(call); }
    void setProgramStarter(ProgramStarter starter) { m_startProgram = std::move(starter); }
    void setHelpPage(const QString &path) { m_helpPage = path; }

    // The open pop-up menu's items and cursor (empty when none is open).
    QStringList menuItems() const;
    int menuCursor() const;
    // The open edit field, or nullptr.
    QLineEdit *openField() const;

private:
    struct Entry;
    struct Menu;
    struct Field;

    void build();
    Entry *entryAt(int row, int column) const;
    void setFocus(const SettingsFocus &focus);
    SettingsFocus focus() const { return {SettingsRow, SettingsColumn, FolderIndex}; }
    // After SAVE or DISCARD/EXIT.
    void leave();
    // Up from "Online Help" with nothing changed.
    void leaveUnchanged();
    void markChanged() { host().settings().Changed = true; }
    void checkRemote();

    // Enter on the focused entry.
    void enter();
    void enterSetting(const SettingDescriptor &setting);
    void openHelp();
    void addFolder();
    void removeFolder();
    void removeSnapshot();
    void clearCache();
    void updateRegistry();
    void save();
    void discard();
    void chooseFile(const SettingDescriptor &setting);

    // Pop-up menus.
    void openMenu(Menu &menu, const QStringList &items, std::function<void(int)> choose);
    void showMenu();
    void closeMenu(bool choose);
    // Edit fields.
    void openField(Field &field, const SettingDescriptor &setting);
    void endField();
    bool screenSaverShowing() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

    ImageElement *m_panel = nullptr;
    LabelElement *m_heading = nullptr;       // Settings_Label_ScanFolders
    LabelElement *m_version = nullptr;       // Settings_Label_ProgVersion
    ImageElement *m_folderIcon = nullptr;    // Settings_Image_FolderIcon
    ImageElement *m_folderBox = nullptr;     // clips the folder list to its seven lines
    LabelElement *m_folders = nullptr;       // Settings_Label_Folders
    std::array<ImageElement *, 7> m_marks{}; // Settings_Image_X1 ... X7
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::vector<std::unique_ptr<Menu>> m_menus;
    std::vector<std::unique_ptr<Field>> m_fields;
    Menu *m_openMenu = nullptr;
    Field *m_openField = nullptr;
    int m_folderScroll = 0;
    bool m_remoteChecked = false;
    RemoteRowState m_remoteState;
    const Element *m_screenSaver = nullptr;

    DriveLister m_drives;
    ProfileLister m_profiles;
    RemoteCall m_remote;
    ProgramStarter m_startProgram;
    QString m_helpPage;
    std::unique_ptr<RemoteMapping> m_remoteMapping;
};
