#pragma once
// Two Media Center remote buttons chosen in the settings: one starts Cinevue
// from anywhere, one closes the program in front. The receiver turns buttons
// into key strokes by a binary table (ReportMappingTable, kept here in the
// registry-like store); Cinevue maps the launch button to Ctrl+Alt+8 (the hot
// key of its launch shortcut) and the close button to Alt+F4, keeping a backup
// of the table as it was before its first change.
//
// On Linux the kernel decodes the remote, not that table, so an update also
// writes an ir-keytable keymap for the two buttons and a desktop entry as the
// launch shortcut (a desktop entry cannot carry a hot key: the desktop binds
// the launch key to the entry instead).

#include "app/settings.h"
#include "platform/registrystore.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// One 7-byte entry of the mapping table, as text (two hexadecimal digits a byte).
struct tMCECodeRecord {
    QString MCECode;     // the entry's 14 digits
    QString ButtonID;    // digits 1-2
    QString KeyType;     // digits 9-10: "01" multimedia key, "03" raw input, "04" keyboard stroke
    QString KeyModifier; // digits 11-12
    QString KeyHIDVal;   // digits 13-14
    QString ButtonType;  // "Multimedia Key", "Raw Input", "Keyboard Stroke" or empty
    QString Key;         // name from the key table
    QString Button;      // name from the button table, or "Unknown"
    QString KeyStroke;   // keyboard stroke: modifier text + Key; otherwise Key
    bool operator==(const tMCECodeRecord &) const = default;
};

namespace remotemapping {
// Under HKEY_LOCAL_MACHINE.
inline const QString kKeyPath =
    u"SYSTEM\\CurrentControlSet\\Services\\HidIr\\Remotes\\745a17a0-74d3-11d0-b6fe-00a0c90f57da"_qs;
inline const QString kTableValue = u"ReportMappingTable"_qs;
inline const QString kBackupValue = u"ReportMappingTable.CVB_Backup"_qs;
// Left by the outside mapping tool; only read.
inline const QString kOutsideBackupValue = u"ReportMappingTable.Backup"_qs;

// Entry tails written for the two buttons: keyboard stroke, modifier, HID usage.
inline const QString kLaunchStroke = u"040525"_qs; // Ctrl+Alt+8
inline const QString kCloseStroke = u"04043D"_qs;  // Alt+F4

inline const QString kCheckLogName = u"Logs\\DebugLog_MCERegCheck.txt"_qs;
inline const QString kUpdateLogName = u"Logs\\DebugLog_MCERegUpdate.txt"_qs;

// Linux: the keymap beside the configuration, the keys the two buttons send
// (XF86Launch1 and XF86Launch2 on the desktop, which nothing binds by
// default), and the launch shortcut's file name in the applications folder.
inline const QString kKeymapFileName = u"cinevue_rc6_mce.toml"_qs;
inline const QString kLaunchKeyCode = u"KEY_PROG1"_qs;
inline const QString kCloseKeyCode = u"KEY_PROG2"_qs;
inline const QString kDesktopEntryFileName = u"cinevue.desktop"_qs;
} // namespace remotemapping

// The button table (71 rows) and the key table (158 rows; "(None)" and the
// separator rows have no code), in order.
struct RemoteTableRow {
    QString code;
    QString name;
};
const QList<RemoteTableRow> &ButtonTable();
const QList<RemoteTableRow> &KeyTable();

// Lookups by exact comparison; "Unknown" when nothing matches.
QString ButtonNameOfID(const QString &buttonID);
QString ButtonIDOfName(const QString &name);
// The name of the last key row with this code (two digits for a HID usage,
// four for raw input and application commands).
QString KeyNameOfCode(const QString &code);
// The modifier text of the mask in the last hexadecimal digit ("5" gives
// "[Ctrl]+[Alt]+"); empty for 0 or a digit that is not hexadecimal.
QString ModifierText(const QString &keyModifier);
// The button a settings choice stands for: the button table's name, and
// "Guide", which the launch choices offer, for the table's guide button (26).
QString ConfiguredButtonID(const QString &choice);

// One entry from its 14 digits, with the descriptive fields filled in.
tMCECodeRecord DecodeMCECode(const QString &mceCode);
// The table's entries: length / 14 of them, a trailing fragment ignored;
// "ERROR" (a missing value) is an empty table.
QList<tMCECodeRecord> DecodeMappingTable(const QString &hex);
// The MCECode of every entry, in order.
QString EncodeMappingTable(const QList<tMCECodeRecord> &entries);

// Linux: the RC-6 MCE scan code of a button ("5C" gives "0x800f045c").
QString RemoteScanCode(const QString &buttonID);
struct RemoteKeymapButton {
    QString buttonName;
    QString buttonID;
    QString keyCode; // e.g. "KEY_PROG1"
    QString purpose; // shown in the file's comment
};
// An ir-keytable keymap (TOML, protocol rc6, variant rc6_mce) of the buttons.
QString RemoteKeymapText(const QList<RemoteKeymapButton> &buttons);
// The command that loads a keymap into the receiver, adding to the keys it
// has ("-c" would clear the other buttons of the remote).
struct RemoteKeymapCommand {
    QString program;       // "ir-keytable"
    QStringList arguments; // "-w", file
    QString commandLine() const; // for showing; the file quoted for a shell when needed
    bool isEmpty() const { return program.isEmpty(); }
};
RemoteKeymapCommand RemoteKeymapInstallCommand(const QString &keymapFile);

// What ConfigureMCERemote works with; current() gives the real process's.
struct RemoteMappingEnvironment {
    std::shared_ptr<IRegistryStore> store;
    QString appPath;            // logs and keymap go below it
    QString progVersion;
    QString programPath;        // what the launch shortcut starts
    QString applicationsFolder; // where the launch shortcut goes
    std::function<bool()> isAdministrator;
    QDateTime now;              // the debug log's time; invalid: the current time

    static RemoteMappingEnvironment current(const QString &appPath, const QString &progVersion);
    QString launchShortcutFile() const;
    QString keymapFile() const;
};

// The state the window keeps and the settings screen shows.
struct RemoteMappingState {
    bool IsAdministrator = false;
    bool LaunchNeedsUpdate = false;
    bool CloseNeedsUpdate = false;
    bool BackupExists = false;
    bool operator==(const RemoteMappingState &) const = default;
};

struct RemoteMappingResult {
    RemoteMappingState state;
    // The table as the check found it with the two buttons applied; what an
    // update writes.
    QList<tMCECodeRecord> entries;
    // Texts for message boxes, in order (update only).
    QStringList messages;
    bool registryUpdated = false;
    bool shortcutCreated = false;
    // Linux: the keymap an update wrote and the command that loads it; empty
    // when no configured button is known or the update stopped.
    QString keymapFile;
    RemoteKeymapCommand keymapCommand;
    // The debug log's file (Debug on), and the first error writing it.
    QString debugLogFile;
    QString debugLogError;
};

// Checks (Update false) or checks and writes (Update true) the two buttons'
// entries. Writing the table, the shortcut and the keymap needs administrator
// rights. Every call reads the store again.
RemoteMappingResult ConfigureMCERemote(const tSettings &settings, bool Update, const RemoteMappingEnvironment &env);

// Creates the launch shortcut (on Linux the desktop entry) unless its file
// exists; true only when a new file was saved. `logLine` receives the debug
// log's lines of this step.
bool CreateLaunchShortcut(const RemoteMappingEnvironment &env,
                          const std::function<void(const QString &)> &logLine = {});

// The window's handle on the mapping: the environment it runs in and the
// state of the last check or update.
class RemoteMapping
{
public:
    explicit RemoteMapping(RemoteMappingEnvironment environment);

    RemoteMappingResult check(const tSettings &settings);
    RemoteMappingResult update(const tSettings &settings);

    const RemoteMappingState &state() const { return m_state; }
    const RemoteMappingEnvironment &environment() const { return m_environment; }

private:
    RemoteMappingEnvironment m_environment;
    RemoteMappingState m_state;
};
