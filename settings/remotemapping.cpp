#include "settings/remotemapping.h"

#include "platform/desktopentry.h"
#include "platform/paths.h"
#include "platform/privileges.h"
#include "platform/textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>

using namespace remotemapping;

namespace {

const QString kError = u"ERROR"_qs;
const QString kUnknown = u"Unknown"_qs;
const QString kNone = u"None"_qs;

QString hex2(int value) { return QString::number(value, 16).toUpper().rightJustified(2, u'0'); }

QList<RemoteTableRow> buildButtonTable()
{
    return {
        {u"00"_qs, u"0"_qs}, {u"01"_qs, u"1"_qs}, {u"02"_qs, u"2"_qs}, {u"03"_qs, u"3"_qs},
        {u"04"_qs, u"4"_qs}, {u"05"_qs, u"5"_qs}, {u"06"_qs, u"6"_qs}, {u"07"_qs, u"7"_qs},
        {u"08"_qs, u"8"_qs}, {u"09"_qs, u"9"_qs}, {u"0A"_qs, u"Clear"_qs}, {u"0B"_qs, u"Enter"_qs},
        {u"0C"_qs, u"Power"_qs}, {u"0D"_qs, u"Windows"_qs}, {u"0E"_qs, u"Mute"_qs}, {u"0F"_qs, u"Info/More"_qs},
        {u"10"_qs, u"Volume Up"_qs}, {u"11"_qs, u"Volume Down"_qs}, {u"12"_qs, u"Channel Up"_qs},
        {u"13"_qs, u"Channel Down"_qs}, {u"14"_qs, u"Fast Forward"_qs}, {u"15"_qs, u"Rewind"_qs},
        {u"16"_qs, u"Play"_qs}, {u"17"_qs, u"Record"_qs}, {u"18"_qs, u"Pause"_qs}, {u"19"_qs, u"Stop"_qs},
        {u"1A"_qs, u"Next/Skip"_qs}, {u"1B"_qs, u"Previous/Replay"_qs}, {u"1C"_qs, u"Hash (#)"_qs},
        {u"1D"_qs, u"Star (*)"_qs}, {u"1E"_qs, u"Up"_qs}, {u"1F"_qs, u"Down"_qs}, {u"20"_qs, u"Left"_qs},
        {u"21"_qs, u"Right"_qs}, {u"22"_qs, u"OK"_qs}, {u"23"_qs, u"Back"_qs}, {u"24"_qs, u"DVD Menu"_qs},
        {u"25"_qs, u"Live TV, XBox Red (B)"_qs}, {u"26"_qs, u"TV Guide, XBox Yellow (Y)"_qs},
        {u"27"_qs, u"Zoom/AR (Asrock, Mediagate)"_qs}, {u"28"_qs, u"XBox Open/Close"_qs},
        {u"29"_qs, u"Power On (Harmony)"_qs}, {u"2A"_qs, u"Power Off (Harmony)"_qs},
        {u"32"_qs, u"Visualisation (HP)"_qs}, {u"33"_qs, u"Slideshow (HP)"_qs}, {u"34"_qs, u"Eject (HP)"_qs},
        {u"3B"_qs, u"Close App/Exit (HP)"_qs}, {u"46"_qs, u"My TV (Harmony)"_qs},
        {u"47"_qs, u"Music Library (Asrock, Harmony)"_qs}, {u"48"_qs, u"Recorded TV"_qs},
        {u"49"_qs, u"Picture Library (Asrock, Harmony)"_qs},
        {u"4A"_qs, u"Video Library  (Asrock, Harmony)"_qs}, // two spaces, as the settings offer it
        {u"4B"_qs, u"DVD Angle (Mediagate MG-IR02BK)"_qs}, {u"4C"_qs, u"DVD Audio (Mediagate MG-IR02BK)"_qs},
        {u"4D"_qs, u"Subtitles (Mediagate MG-IR02BK)"_qs}, {u"4E"_qs, u"Print (HP)"_qs},
        {u"4F"_qs, u"XBox Display"_qs}, {u"50"_qs, u"Radio (Asrock, Harmony)"_qs}, {u"51"_qs, u"XBox Title"_qs},
        {u"5A"_qs, u"Teletext"_qs}, {u"5B"_qs, u"Red"_qs}, {u"5C"_qs, u"Green"_qs}, {u"5D"_qs, u"Yellow"_qs},
        {u"5E"_qs, u"Blue"_qs}, {u"64"_qs, u"XBox 'X' Button"_qs}, {u"65"_qs, u"Power (Microsoft Remote 1039)"_qs},
        {u"66"_qs, u"XBox Green (A)"_qs}, {u"68"_qs, u"XBox Blue (X)"_qs}, {u"6C"_qs, u"Xbox Channel Up"_qs},
        {u"6D"_qs, u"XBox Channel Down"_qs}, {u"6E"_qs, u"Play/Pause (HP HDX)"_qs},
    };
}

QList<RemoteTableRow> buildKeyTable()
{
    QList<RemoteTableRow> t;
    auto key = [&](int usage, const QString &name) { t.append({hex2(usage), name}); };
    auto separator = [&](const QString &text = u"===================="_qs) { t.append({QString(), text}); };

    t.append({QString(), u"(None)"_qs});
    separator();
    key(0x27, u"0"_qs);
    for (int d = 1; d <= 9; ++d)
        key(0x1E + d - 1, QString::number(d));
    separator();
    for (int l = 0; l < 26; ++l)
        key(0x04 + l, QString(QChar(u'A' + l)));
    separator();
    key(0x28, u"Return"_qs);
    key(0x29, u"Escape"_qs);
    key(0x2A, u"Backspace"_qs);
    key(0x2B, u"Tab"_qs);
    key(0x2C, u"Space"_qs);
    separator();
    key(0x2D, u"OemMinus"_qs);
    key(0x2E, u"OemPlus"_qs);
    key(0x2F, u"OemOpenBracket"_qs);
    key(0x30, u"OemCloseBracket"_qs);
    key(0x31, u"OemPipe"_qs);
    key(0x33, u"OemSemiColon"_qs);
    key(0x34, u"OemQuotes"_qs);
    key(0x35, u"OemTilde"_qs);
    key(0x36, u"OemComma"_qs);
    key(0x37, u"OemPeriod"_qs);
    key(0x38, u"OemQuestion"_qs);
    separator();
    key(0x39, u"CapsLock"_qs);
    for (int f = 1; f <= 12; ++f)
        key(0x3A + f - 1, u"F"_qs + QString::number(f));
    separator();
    key(0x46, u"PrintScreen"_qs);
    key(0x47, u"ScrollLock"_qs);
    key(0x48, u"Break"_qs);
    key(0x49, u"Insert"_qs);
    key(0x4A, u"Home"_qs);
    key(0x4B, u"PageUp"_qs);
    key(0x4C, u"Delete"_qs);
    key(0x4D, u"End"_qs);
    key(0x4E, u"PageDown"_qs);
    separator();
    key(0x4F, u"Right"_qs);
    key(0x50, u"Left"_qs);
    key(0x51, u"Down"_qs);
    key(0x52, u"Up"_qs);
    separator();
    key(0x53, u"NumLock"_qs);
    key(0x54, u"NumPad /"_qs);
    key(0x55, u"NumPad *"_qs);
    key(0x56, u"NumPad -"_qs);
    key(0x57, u"NumPad +"_qs);
    key(0x58, u"NumPad Enter"_qs);
    for (int n = 1; n <= 9; ++n)
        key(0x59 + n - 1, u"NumPad "_qs + QString::number(n));
    key(0x62, u"NumPad 0"_qs);
    key(0x63, u"NumPad Del"_qs);
    separator();
    key(0x65, u"App"_qs);
    key(0x66, u"Keyboard Power"_qs);
    key(0x67, u"Equals"_qs);
    separator();
    for (int f = 13; f <= 24; ++f)
        key(0x68 + f - 13, u"F"_qs + QString::number(f));
    separator();
    key(0x74, u"Execute"_qs);
    key(0x75, u"Help"_qs);
    key(0x76, u"Menu"_qs);
    key(0x77, u"Select"_qs);
    key(0x78, u"Stop"_qs);
    key(0x79, u"Again"_qs);
    key(0x7A, u"Undo"_qs);
    key(0x7B, u"Cut"_qs);
    key(0x7C, u"Copy"_qs);
    key(0x7D, u"Paste"_qs);
    key(0x7E, u"Find"_qs);
    key(0x7F, u"Keyboard Mute"_qs);
    key(0x80, u"Keyboard VolumeUP"_qs);
    key(0x81, u"Keyboard VolumeDown"_qs);
    separator(u"========== RAW INPUT MESSAGE"_qs);
    t.append({u"8100"_qs, u"Shutdown"_qs});
    t.append({u"8200"_qs, u"Sleep"_qs});
    t.append({u"8300"_qs, u"Wake"_qs});
    separator(u"========== WM_APPCOMMAND=="_qs);
    t.append({u"E200"_qs, u"Mute"_qs});
    t.append({u"0902"_qs, u"Info"_qs});
    t.append({u"E900"_qs, u"VolumeUp"_qs});
    t.append({u"EA00"_qs, u"VolumeDown"_qs});
    t.append({u"9C00"_qs, u"ChannelUp"_qs});
    t.append({u"9D00"_qs, u"ChannelDown"_qs});
    t.append({u"B300"_qs, u"FastForward"_qs});
    t.append({u"B400"_qs, u"Rewind"_qs});
    t.append({u"B000"_qs, u"Play"_qs});
    t.append({u"B200"_qs, u"Record"_qs});
    t.append({u"B100"_qs, u"Pause"_qs});
    t.append({u"B700"_qs, u"Stop"_qs});
    t.append({u"B500"_qs, u"Next/Skip"_qs});
    t.append({u"B600"_qs, u"Previous/Replay"_qs});
    t.append({u"2402"_qs, u"Back"_qs});
    t.append({u"8D00"_qs, u"TV Guide"_qs});
    t.append({u"CD00"_qs, u"Play/Pause"_qs});
    return t;
}

QString fullPath(const QString &valueName) { return u"HKEY_LOCAL_MACHINE\\"_qs + kKeyPath + u": "_qs + valueName; }

QString entryNumber(qsizetype index) { return QString::number(index + 1).rightJustified(2, u'0'); }

QString entryLine(qsizetype index, const tMCECodeRecord &e)
{
    return u"  ["_qs + entryNumber(index) + u"] ("_qs + e.MCECode + u") - "_qs + e.ButtonType + u":  "_qs + e.Button
           + u" = "_qs + e.KeyStroke;
}

bool isNone(const QString &choice) { return choice.isEmpty() || choice == kNone; }

// The debug log, saved whole after every line so that the file is complete up
// to the last step even when a later step hangs or crashes.
class DebugLog
{
public:
    DebugLog(bool enabled, QString path) : m_enabled(enabled), m_path(std::move(path))
    {
        if (m_enabled)
            QDir().mkpath(QFileInfo(m_path).absolutePath());
    }
    void add(const QString &line)
    {
        if (!m_enabled)
            return;
        m_lines << line;
        QString error;
        if (!WriteTextFile(m_path, m_lines, &error) && m_error.isEmpty())
            m_error = error;
    }
    const QString &error() const { return m_error; }

private:
    bool m_enabled;
    QString m_path;
    QStringList m_lines;
    QString m_error;
};

QString shellQuoted(const QString &argument)
{
    static const QString plain = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_./,:=@%+-"_qs;
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || !plain.contains(c);
    if (!quote)
        return argument;
    QString out = argument;
    out.replace(u"'"_qs, u"'\\''"_qs);
    return u'\'' + out + u'\'';
}

} // namespace

const QList<RemoteTableRow> &ButtonTable()
{
    static const QList<RemoteTableRow> table = buildButtonTable();
    return table;
}

const QList<RemoteTableRow> &KeyTable()
{
    static const QList<RemoteTableRow> table = buildKeyTable();
    return table;
}

QString ButtonNameOfID(const QString &buttonID)
{
    for (const RemoteTableRow &row : ButtonTable()) {
        if (row.code == buttonID)
            return row.name;
    }
    return kUnknown;
}

QString ButtonIDOfName(const QString &name)
{
    for (const RemoteTableRow &row : ButtonTable()) {
        if (row.name == name)
            return row.code;
    }
    return kUnknown;
}

QString KeyNameOfCode(const QString &code)
{
    const QList<RemoteTableRow> &table = KeyTable();
    for (auto it = table.crbegin(); it != table.crend(); ++it) {
        if (!it->code.isEmpty() && it->code == code)
            return it->name;
    }
    return kUnknown;
}

QString ModifierText(const QString &keyModifier)
{
    static const QString texts[16] = {
        QString(), u"[Ctrl]+"_qs, u"[Shift]+"_qs, u"[Ctrl]+[Shift]+"_qs,
        u"[Alt]+"_qs, u"[Ctrl]+[Alt]+"_qs, u"[Shift]+[Alt]+"_qs, u"[Ctrl]+[Shift]+[Alt]+"_qs,
        u"[Win]+"_qs, u"[Ctrl]+[Win]+"_qs, u"[Shift]+[Win]+"_qs, u"[Ctrl]+[Shift]+[Win]+"_qs,
        u"[Alt]+[Win]+"_qs, u"[Ctrl]+[Alt]+[Win]+"_qs, u"[Shift]+[Alt]+[Win]+"_qs, u"[Ctrl]+[Shift]+[Alt]+[Win]+"_qs,
    };
    if (keyModifier.isEmpty())
        return QString();
    bool ok = false;
    const int digit = QString(keyModifier.back()).toInt(&ok, 16);
    return ok ? texts[digit] : QString();
}

QString ConfiguredButtonID(const QString &choice)
{
    const QString id = ButtonIDOfName(choice);
    if (id == kUnknown && choice == u"Guide")
        return u"26"_qs;
    return id;
}

tMCECodeRecord DecodeMCECode(const QString &mceCode)
{
    tMCECodeRecord e;
    e.MCECode = mceCode;
    e.ButtonID = mceCode.mid(0, 2);
    e.KeyType = mceCode.mid(8, 2);
    e.KeyModifier = mceCode.mid(10, 2);
    e.KeyHIDVal = mceCode.mid(12, 2);
    if (e.KeyType == u"01" || e.KeyType == u"03") {
        e.ButtonType = e.KeyType == u"01" ? u"Multimedia Key"_qs : u"Raw Input"_qs;
        e.Key = KeyNameOfCode(e.KeyModifier + e.KeyHIDVal);
        e.KeyStroke = e.Key;
    } else if (e.KeyType == u"04") {
        e.ButtonType = u"Keyboard Stroke"_qs;
        e.Key = KeyNameOfCode(e.KeyHIDVal);
        e.KeyStroke = ModifierText(e.KeyModifier) + e.Key;
    }
    e.Button = ButtonNameOfID(e.ButtonID);
    return e;
}

QList<tMCECodeRecord> DecodeMappingTable(const QString &hex)
{
    QList<tMCECodeRecord> entries;
    if (hex == kError)
        return entries;
    for (qsizetype i = 0; i + 14 <= hex.size(); i += 14)
        entries.append(DecodeMCECode(hex.mid(i, 14)));
    return entries;
}

QString EncodeMappingTable(const QList<tMCECodeRecord> &entries)
{
    QString hex;
    for (const tMCECodeRecord &e : entries)
        hex += e.MCECode;
    return hex;
}

QString RemoteScanCode(const QString &buttonID) { return u"0x800f04"_qs + buttonID.toLower(); }

QString RemoteKeymapText(const QList<RemoteKeymapButton> &buttons)
{
    QString text = u"# Media Center remote buttons mapped by Cinevue.\n"
                   u"[[protocols]]\n"
                   u"name = \"cinevue_rc6_mce\"\n"
                   u"protocol = \"rc6\"\n"
                   u"variant = \"rc6_mce\"\n"
                   u"[protocols.scancodes]\n"_qs;
    for (const RemoteKeymapButton &b : buttons) {
        text += RemoteScanCode(b.buttonID) + u" = \""_qs + b.keyCode + u'"';
        if (!b.purpose.isEmpty() || !b.buttonName.isEmpty()) {
            QString comment = b.buttonName + (b.purpose.isEmpty() ? QString() : u": "_qs + b.purpose);
            comment.replace(u'\n', u' ');
            text += u" # "_qs + comment;
        }
        text += u'\n';
    }
    return text;
}

QString RemoteKeymapCommand::commandLine() const
{
    if (program.isEmpty())
        return QString();
    QStringList parts{program};
    for (const QString &a : arguments)
        parts << shellQuoted(a);
    return parts.join(u' ');
}

RemoteKeymapCommand RemoteKeymapInstallCommand(const QString &keymapFile)
{
    return RemoteKeymapCommand{u"ir-keytable"_qs, {u"-w"_qs, keymapFile}};
}

RemoteMappingEnvironment RemoteMappingEnvironment::current(const QString &appPath, const QString &progVersion)
{
    RemoteMappingEnvironment env;
    env.store = RegistryStore();
    env.appPath = appPath;
    env.progVersion = progVersion;
    env.programPath = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    env.applicationsFolder = UserApplicationsFolder();
    env.isAdministrator = &IsAdministrator;
    return env;
}

QString RemoteMappingEnvironment::launchShortcutFile() const
{
    return applicationsFolder.isEmpty() ? QString() : JoinNative(applicationsFolder, kDesktopEntryFileName);
}

QString RemoteMappingEnvironment::keymapFile() const { return JoinNative(appPath, kKeymapFileName); }

bool CreateLaunchShortcut(const RemoteMappingEnvironment &env, const std::function<void(const QString &)> &logLine)
{
    auto log = [&](const QString &line) {
        if (logLine)
            logLine(line);
    };
    const QString file = env.launchShortcutFile();
    log(u"Beginning Shortcut Creation Routine:"_qs);
    log(u" * Shortcut to CVB Program Path: \""_qs + env.programPath + u'"');
    log(u" * Configuring Description, Path, Working Directory, and Hotkey (CTRL+ALT+8)"_qs);

    bool created = false;
    const QFileInfo info(file);
    if (!file.isEmpty() && (info.exists() || info.isSymLink())) {
        log(u" * Shortcut \""_qs + file + u"\" already exists, Aborting"_qs);
    } else {
        log(u" * Shortcut does not exist, Saving: \""_qs + file + u'"');
        QString error;
        if (file.isEmpty())
            error = u"No applications folder is known for this user"_qs;
        else if (env.programPath.isEmpty())
            error = u"The program's own path is not known"_qs;
        else {
            DesktopEntry entry;
            entry.Name = u"Cinevue"_qs;
            entry.Comment = u"Cinevue GUI for My Movies"_qs;
            entry.Exec = QStringList{env.programPath};
            entry.Path = env.appPath;
            entry.Categories = u"AudioVideo;Video;"_qs;
            created = CreateDesktopEntry(file, entry, &error);
        }
        if (created) {
            log(u"   * Saved"_qs);
        } else {
            log(u"    [ERROR] Save Failed"_qs);
            log(u"      "_qs + error);
        }
    }
    log(created ? u" * Shortcut created successfully"_qs : u" * Shortcut was not created"_qs);
    return created;
}

namespace {

// Linux counterpart of the table: the configured buttons as an ir-keytable
// keymap. A choice of no known button leaves no stale keymap behind.
void writeKeymap(const tSettings &settings, const RemoteMappingEnvironment &env, RemoteMappingResult &result,
                 DebugLog &log)
{
    log.add(u"Writing Remote Control Keymap for ir-keytable:"_qs);
    QList<RemoteKeymapButton> buttons;
    auto add = [&](const QString &choice, const QString &keyCode, const QString &purpose, const QString &role) {
        if (isNone(choice))
            return;
        const QString id = ConfiguredButtonID(choice);
        if (id == kUnknown)
            return;
        buttons.append({choice, id, keyCode, purpose});
        log.add(u" * "_qs + role + u" Button \""_qs + choice + u"\" has Scan Code "_qs + RemoteScanCode(id)
                + u", mapped to "_qs + keyCode);
    };
    add(settings.ButtonLaunch, kLaunchKeyCode, u"launch Cinevue"_qs, u"Launch"_qs);
    add(settings.ButtonClose, kCloseKeyCode, u"close the program in front"_qs, u"Close"_qs);

    const QString file = env.keymapFile();
    if (buttons.isEmpty()) {
        QFile::remove(file);
        log.add(u" * No configured buttons to map, keymap not written"_qs);
        return;
    }
    QSaveFile out(file);
    const QByteArray bytes = RemoteKeymapText(buttons).toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        log.add(u"   [ERROR] Failed to write keymap \""_qs + file + u"\": "_qs + out.errorString());
        return;
    }
    result.keymapFile = file;
    result.keymapCommand = RemoteKeymapInstallCommand(file);
    log.add(u" * Keymap written: \""_qs + file + u'"');
    log.add(u" * Install it with: "_qs + result.keymapCommand.commandLine());
}

} // namespace

RemoteMappingResult ConfigureMCERemote(const tSettings &settings, bool Update, const RemoteMappingEnvironment &env)
{
    RemoteMappingResult result;
    RemoteMappingState &state = result.state;
    const std::shared_ptr<IRegistryStore> storeOwner = env.store ? env.store : RegistryStore();
    IRegistryStore &store = *storeOwner;

    // 1. Debug log.
    if (settings.Debug)
        result.debugLogFile = JoinNative(env.appPath, Update ? kUpdateLogName : kCheckLogName);
    DebugLog log(settings.Debug, result.debugLogFile);
    const QLocale locale = QLocale::system();
    const QDateTime now = env.now.isValid() ? env.now : QDateTime::currentDateTime();
    log.add(u"Debug Log Generated "_qs + locale.toString(now.date(), QLocale::ShortFormat) + u' '
            + locale.toString(now.time(), QLocale::LongFormat) + u" with CVB v"_qs + env.progVersion);
    log.add(QString(65, u'-'));
    log.add(QString());

    // 2. Rights.
    state.IsAdministrator = env.isAdministrator && env.isAdministrator();
    log.add(state.IsAdministrator ? u"Cinevue Run as Administrator"_qs
                                  : u"Cinevue does not have Administrator rights"_qs);
    log.add(QString());

    // 3. The live table and the backups.
    auto read = [&](const QString &valueName, const QString &indent) {
        log.add(indent + u"Reading "_qs + fullPath(valueName));
        const QString hex = ReadRegistryValue(store, RegistryHive::LocalMachine, kKeyPath, valueName, u"Hex"_qs);
        log.add(indent + u" * Registry Value=\""_qs + hex + u'"');
        log.add(QString());
        return hex;
    };
    const QString current = read(kTableValue, QString());
    const QString backup = read(kBackupValue, QString());
    state.BackupExists = backup != kError;
    QString outsideBackup = kError;
    if (!state.BackupExists) {
        log.add(u" * Checking for pre-existing backup from Advanced MCE Remote Mapper"_qs);
        outsideBackup = read(kOutsideBackupValue, u"    "_qs);
    }

    // 4. Baseline: an update always starts from the table as it was before
    // Cinevue first changed it, so that "None" gives a button its old entry back.
    auto writeBackup = [&](const QString &hex) {
        log.add(u"Creating Backup: "_qs + fullPath(kBackupValue));
        const bool ok = WriteRegistryHex(store, RegistryHive::LocalMachine, kKeyPath, kBackupValue, hex);
        log.add(ok ? u" * Backup written successfully"_qs : u" * Backup failed"_qs);
    };
    QString baseline;
    if (!Update) {
        baseline = current;
        log.add(u"Using current Registry Values as baseline for applying new changes to Registry"_qs);
    } else if (state.BackupExists) {
        baseline = backup;
        log.add(u"Using Backup Values as baseline for applying new changes to Registry"_qs);
    } else if (outsideBackup != kError) {
        log.add(u"Copying existing Advanced MCE Remote Mapper backup as source for new Cinevue Backup"_qs);
        writeBackup(outsideBackup);
        baseline = outsideBackup;
        log.add(u"Using Advanced MCE Remote Mapper Backup Values as baseline for applying new changes to Registry"_qs);
    } else {
        // A missing table is an empty one: its backup is an empty value.
        writeBackup(current == kError ? QString() : current);
        baseline = current;
        log.add(u"Using current Registry Values as baseline for applying new changes to Registry"_qs);
    }

    // 5. Entries.
    QList<tMCECodeRecord> &entries = result.entries;
    entries = DecodeMappingTable(baseline);
    log.add(QString());
    log.add(u"Converting Registry Binary Byte String to "_qs + QString::number(entries.size())
            + u" MCE Code Records:"_qs);
    for (qsizetype i = 0; i < entries.size(); ++i)
        log.add(entryLine(i, entries.at(i)));

    // 6, 7. The two buttons.
    log.add(QString());
    log.add(u"Checking if Configured Buttons match the Registry:"_qs);
    auto applyButton = [&](const QString &choice, const QString &stroke, const QString &role) {
        if (isNone(choice)) {
            log.add(u" * "_qs + role + u" button set to None, not checking against Registry"_qs);
            return false;
        }
        const QString id = ConfiguredButtonID(choice);
        log.add(u" * Configured "_qs + role + u" Button \""_qs + choice + u"\" has Button ID \""_qs + id + u'"');
        bool needsUpdate = false;
        if (id != kUnknown) {
            const tMCECodeRecord wanted = DecodeMCECode(id + u"000000"_qs + stroke);
            const auto found = std::find_if(entries.begin(), entries.end(),
                                            [&](const tMCECodeRecord &e) { return e.ButtonID == id; });
            if (found == entries.end()) {
                entries.append(wanted);
                needsUpdate = true;
            } else if (found->KeyType != wanted.KeyType || found->KeyModifier != wanted.KeyModifier
                       || found->KeyHIDVal != wanted.KeyHIDVal) {
                log.add(u" * Found same Button ["_qs + entryNumber(found - entries.begin()) + u"] \""_qs + choice
                        + u"\" with a different configuration in the Registry"_qs);
                *found = wanted; // in place: the entry keeps its position
                needsUpdate = true;
            }
        }
        log.add(u" * "_qs + role + u" button configuration "_qs + (needsUpdate ? u"does not match"_qs : u"matches"_qs));
        return needsUpdate;
    };
    state.LaunchNeedsUpdate = applyButton(settings.ButtonLaunch, kLaunchStroke, u"Launch"_qs);
    state.CloseNeedsUpdate = applyButton(settings.ButtonClose, kCloseStroke, u"Close"_qs);

    // 8. Writing.
    if (Update && state.IsAdministrator) {
        log.add(QString());
        log.add(u"Re-verifying Registry Backup Exists Before Applying Registry Updates:"_qs);
        const QString verified = read(kBackupValue, QString());
        if (verified == kError) {
            const QString message = u"[ERROR] Failed to back up original registry value.  Aborting update."_qs;
            log.add(message);
            result.messages << message;
        } else {
            state.BackupExists = true;
            log.add(u"Backup exists."_qs);
            log.add(u"New Values to Write to Registry:"_qs);
            for (qsizetype i = 0; i < entries.size(); ++i)
                log.add(entryLine(i, entries.at(i)));
            const QString table = EncodeMappingTable(entries);
            log.add(u"Converting "_qs + QString::number(entries.size())
                    + u" MCE Code Records to Registry Binary Byte String"_qs);
            log.add(u"Registry Value=\""_qs + table + u'"');
            log.add(u"Writing Updates to "_qs + fullPath(kTableValue));
            result.registryUpdated = WriteRegistryHex(store, RegistryHive::LocalMachine, kKeyPath, kTableValue, table);
            if (result.registryUpdated) {
                const QString message =
                    u"Registry updated successfully.  Please reboot to apply MCE Remote Control configuration changes."_qs;
                log.add(u" * "_qs + message);
                result.messages << message;
            } else {
                const QString message = u"[ERROR] Failed to update registry with new MCE Remote Control configuration."_qs;
                log.add(u"   "_qs + message);
                result.messages << message;
            }

            log.add(QString());
            result.shortcutCreated = CreateLaunchShortcut(env, [&](const QString &line) { log.add(line); });
            if (result.shortcutCreated)
                result.messages << u"Link has been created ..."_qs;

            if (result.registryUpdated) {
                log.add(QString());
                writeKeymap(settings, env, result, log);
            }
        }
    }

    // 9.
    log.add(QString());
    log.add(u"END OF DEBUG LOG"_qs);
    result.debugLogError = log.error();
    return result;
}

RemoteMapping::RemoteMapping(RemoteMappingEnvironment environment)
    : m_environment(std::move(environment))
{
}

RemoteMappingResult RemoteMapping::check(const tSettings &settings)
{
    RemoteMappingResult result = ConfigureMCERemote(settings, false, m_environment);
    m_state = result.state;
    return result;
}

RemoteMappingResult RemoteMapping::update(const tSettings &settings)
{
    RemoteMappingResult result = ConfigureMCERemote(settings, true, m_environment);
    m_state = result.state;
    return result;
}
