#include "settings/remotemapping.h"

#include "platform/textfile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace remotemapping;

namespace {

// Entries of the mapping table (button, 000000, key type, modifier, usage).
const QString kMute = u"0E00000001E200"_qs;          // Mute -> multimedia key Mute
const QString kPower = u"0C000000038100"_qs;         // Power -> raw input Shutdown
const QString kWindows = u"0D000000040525"_qs;       // Windows -> Ctrl+Alt+8
const QString kWindowsAlt8 = u"0D000000040425"_qs;   // Windows -> Alt+8: modifier byte differs
const QString kGreen = u"5C000000040525"_qs;         // Green -> Ctrl+Alt+8
const QString kGreenInfo = u"5C000000010902"_qs;     // Green -> multimedia key Info
const QString kRed = u"5B00000004043D"_qs;           // Red -> Alt+F4
const QString kAbsent = u"-"_qs;

const QString kSuccess = u"Registry updated successfully.  Please reboot to apply MCE Remote Control configuration changes."_qs;
const QString kLinkCreated = u"Link has been created ..."_qs;

QString fullPath(const QString &value)
{
    return u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\HidIr\\Remotes\\745a17a0-74d3-11d0-b6fe-00a0c90f57da: "_qs
           + value;
}

tSettings settingsWith(const QString &launch, const QString &close, bool debug = false)
{
    tSettings s;
    s.ButtonLaunch = launch;
    s.ButtonClose = close;
    s.Debug = debug;
    return s;
}

// A program folder, a registry file, an applications folder and a fixed
// clock, with administrator rights switchable.
class Fixture
{
public:
    Fixture()
        : store(std::make_shared<FileRegistryStore>(dir.filePath(u"Registry.ini"_qs)))
    {
        env.store = store;
        env.appPath = dir.filePath(u"app"_qs) + u'/';
        QDir().mkpath(env.appPath);
        env.progVersion = u"9.8.7.6"_qs;
        env.programPath = dir.filePath(u"bin/cinevue"_qs);
        env.applicationsFolder = dir.filePath(u"share/applications"_qs);
        env.isAdministrator = [this] { return admin; };
        env.now = QDateTime(QDate(2024, 3, 5), QTime(21, 7, 9));
    }
    Fixture(const Fixture &) = delete;

    // "-" leaves the value absent.
    bool set(const QString &valueName, const QString &hex)
    {
        return hex == kAbsent || WriteRegistryHex(*env.store, RegistryHive::LocalMachine, kKeyPath, valueName, hex);
    }
    QString get(const QString &valueName) const
    {
        const QString hex = ReadRegistryValue(*env.store, RegistryHive::LocalMachine, kKeyPath, valueName, u"Hex"_qs);
        return hex == u"ERROR" ? kAbsent : hex;
    }
    QStringList log(const QString &name) const
    {
        QStringList lines;
        if (!ReadTextFile(env.appPath + u"Logs/"_qs + name, &lines))
            return {u"<no file>"_qs};
        return lines;
    }
    QString fileText(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : u"<no file>"_qs;
    }
    QString header() const
    {
        const QLocale locale = QLocale::system();
        return u"Debug Log Generated "_qs + locale.toString(env.now.date(), QLocale::ShortFormat) + u' '
               + locale.toString(env.now.time(), QLocale::LongFormat) + u" with CVB v9.8.7.6"_qs;
    }

    QTemporaryDir dir;
    std::shared_ptr<IRegistryStore> store;
    RemoteMappingEnvironment env;
    bool admin = true;
};

// A store that refuses to write the named values.
class RefusingStore : public IRegistryStore
{
public:
    RefusingStore(std::shared_ptr<IRegistryStore> inner, QSet<QString> refused)
        : m_inner(std::move(inner)), m_refused(std::move(refused))
    {
    }
    std::optional<RegistryValue> readValue(RegistryHive hive, const QString &keyPath, const QString &valueName) const override
    {
        return m_inner->readValue(hive, keyPath, valueName);
    }
    bool writeValue(RegistryHive hive, const QString &keyPath, const QString &valueName, const RegistryValue &value) override
    {
        return !m_refused.contains(valueName) && m_inner->writeValue(hive, keyPath, valueName, value);
    }
    bool deleteValue(RegistryHive hive, const QString &keyPath, const QString &valueName) override
    {
        return m_inner->deleteValue(hive, keyPath, valueName);
    }

private:
    std::shared_ptr<IRegistryStore> m_inner;
    QSet<QString> m_refused;
};

QString describe(const tMCECodeRecord &e)
{
    return e.MCECode + u" | "_qs + e.ButtonType + u" | "_qs + e.Button + u" | "_qs + e.KeyStroke;
}

} // namespace

class TestRemoteMapping : public QObject
{
    Q_OBJECT
private slots:
    void decodeTable_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QStringList>("entries"); // MCECode | ButtonType | Button | KeyStroke

        QTest::newRow("35 digits: two entries and a fragment")
            << (kWindows + kRed + u"0E00000"_qs)
            << QStringList{kWindows + u" | Keyboard Stroke | Windows | [Ctrl]+[Alt]+8"_qs,
                           kRed + u" | Keyboard Stroke | Red | [Alt]+F4"_qs};
        QTest::newRow("multimedia key and raw input use the four-digit code")
            << (kMute + kPower + kGreenInfo)
            << QStringList{kMute + u" | Multimedia Key | Mute | Mute"_qs, kPower + u" | Raw Input | Power | Shutdown"_qs,
                           kGreenInfo + u" | Multimedia Key | Green | Info"_qs};
        QTest::newRow("all four modifiers, digit zero")
            << u"17000000040F27"_qs
            << QStringList{u"17000000040F27 | Keyboard Stroke | Record | [Ctrl]+[Shift]+[Alt]+[Win]+0"_qs};
        QTest::newRow("unknown button, key and key type")
            << u"6A00000004FFFF00000000020000"_qs
            << QStringList{u"6A00000004FFFF | Keyboard Stroke | Unknown | [Ctrl]+[Shift]+[Alt]+[Win]+Unknown"_qs,
                           u"00000000020000 |  | 0 | "_qs};
        QTest::newRow("high modifier digit ignored") << u"0A00000004A91E"_qs
                                                     << QStringList{u"0A00000004A91E | Keyboard Stroke | Clear | [Ctrl]+[Win]+1"_qs};
        QTest::newRow("missing value") << u"ERROR"_qs << QStringList();
        QTest::newRow("empty value") << QString() << QStringList();
        QTest::newRow("fragment only") << u"0D0000000405"_qs << QStringList();
    }
    void decodeTable()
    {
        QFETCH(QString, hex);
        QFETCH(QStringList, entries);
        const QList<tMCECodeRecord> decoded = DecodeMappingTable(hex);
        QStringList got;
        for (const tMCECodeRecord &e : decoded)
            got << describe(e);
        QCOMPARE(got, entries);
        if (!decoded.isEmpty())
            QCOMPARE(EncodeMappingTable(decoded), hex.left(decoded.size() * 14));
    }

    void lookups_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("button id to name") << u"ButtonNameOfID"_qs << u"48"_qs << u"Recorded TV"_qs;
        QTest::newRow("button name to id") << u"ButtonIDOfName"_qs << u"Yellow"_qs << u"5D"_qs;
        QTest::newRow("two spaces in Video Library") << u"ButtonIDOfName"_qs << u"Video Library  (Asrock, Harmony)"_qs << u"4A"_qs;
        QTest::newRow("one space is another name") << u"ButtonIDOfName"_qs << u"Video Library (Asrock, Harmony)"_qs << u"Unknown"_qs;
        QTest::newRow("names compare exactly") << u"ButtonIDOfName"_qs << u"green"_qs << u"Unknown"_qs;
        QTest::newRow("ids compare exactly") << u"ButtonNameOfID"_qs << u"5c"_qs << u"Unknown"_qs;
        QTest::newRow("gap in the button codes") << u"ButtonNameOfID"_qs << u"2B"_qs << u"Unknown"_qs;
        QTest::newRow("Guide is no table name") << u"ButtonIDOfName"_qs << u"Guide"_qs << u"Unknown"_qs;
        QTest::newRow("Guide choice is the guide button") << u"ConfiguredButtonID"_qs << u"Guide"_qs << u"26"_qs;
        QTest::newRow("other choices by name") << u"ConfiguredButtonID"_qs << u"Recorded TV"_qs << u"48"_qs;
        QTest::newRow("digit 0 is usage 27") << u"KeyNameOfCode"_qs << u"27"_qs << u"0"_qs;
        QTest::newRow("digit 1 is usage 1E") << u"KeyNameOfCode"_qs << u"1E"_qs << u"1"_qs;
        QTest::newRow("letter Z") << u"KeyNameOfCode"_qs << u"1D"_qs << u"Z"_qs;
        QTest::newRow("F4") << u"KeyNameOfCode"_qs << u"3D"_qs << u"F4"_qs;
        QTest::newRow("NumPad 0 after NumPad 9") << u"KeyNameOfCode"_qs << u"62"_qs << u"NumPad 0"_qs;
        QTest::newRow("F24") << u"KeyNameOfCode"_qs << u"73"_qs << u"F24"_qs;
        QTest::newRow("keyboard Stop") << u"KeyNameOfCode"_qs << u"78"_qs << u"Stop"_qs;
        QTest::newRow("application command Stop") << u"KeyNameOfCode"_qs << u"B700"_qs << u"Stop"_qs;
        QTest::newRow("raw input Wake") << u"KeyNameOfCode"_qs << u"8300"_qs << u"Wake"_qs;
        QTest::newRow("gap in the usages") << u"KeyNameOfCode"_qs << u"32"_qs << u"Unknown"_qs;
        QTest::newRow("rows without code never match") << u"KeyNameOfCode"_qs << QString() << u"Unknown"_qs;
        QTest::newRow("modifier none") << u"ModifierText"_qs << u"00"_qs << QString();
        QTest::newRow("modifier Shift+Win") << u"ModifierText"_qs << u"0A"_qs << u"[Shift]+[Win]+"_qs;
        QTest::newRow("modifier by last digit only") << u"ModifierText"_qs << u"F4"_qs << u"[Alt]+"_qs;
        QTest::newRow("modifier not hexadecimal") << u"ModifierText"_qs << u"0Z"_qs << QString();
    }
    void lookups()
    {
        QFETCH(QString, kind);
        QFETCH(QString, input);
        QFETCH(QString, output);
        QString got;
        if (kind == u"ButtonNameOfID")
            got = ButtonNameOfID(input);
        else if (kind == u"ButtonIDOfName")
            got = ButtonIDOfName(input);
        else if (kind == u"ConfiguredButtonID")
            got = ConfiguredButtonID(input);
        else if (kind == u"KeyNameOfCode")
            got = KeyNameOfCode(input);
        else
            got = ModifierText(input);
        QCOMPARE(got, output);
    }

    void tables()
    {
        QCOMPARE(ButtonTable().size(), 71);
        QSet<QString> codes, names;
        for (const RemoteTableRow &row : ButtonTable()) {
            codes << row.code;
            names << row.name;
            QCOMPARE(ButtonIDOfName(ButtonNameOfID(row.code)), row.code);
        }
        QCOMPARE(codes.size(), 71);
        QCOMPARE(names.size(), 71);

        QCOMPARE(KeyTable().size(), 158);
        QCOMPARE(KeyTable().first().name, u"(None)"_qs);
        int withoutCode = 0;
        for (const RemoteTableRow &row : KeyTable())
            withoutCode += row.code.isEmpty() ? 1 : 0;
        QCOMPARE(withoutCode, 14); // "(None)" and 13 separators
        QCOMPARE(KeyTable().last().name, u"Play/Pause"_qs);
    }

    // One call of ConfigureMCERemote on a prepared registry; "-" is an absent value.
    void configure_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("backup");
        QTest::addColumn<QString>("outsideBackup");
        QTest::addColumn<QString>("launch");
        QTest::addColumn<QString>("close");
        QTest::addColumn<bool>("update");
        QTest::addColumn<bool>("admin");
        QTest::addColumn<bool>("launchNeedsUpdate");
        QTest::addColumn<bool>("closeNeedsUpdate");
        QTest::addColumn<bool>("backupExists");
        QTest::addColumn<QString>("tableAfter");
        QTest::addColumn<QString>("backupAfter");

        QTest::newRow("check: launch entry already Ctrl+Alt+8")
            << (kMute + kWindows) << kAbsent << kAbsent << u"Windows"_qs << u"None"_qs << false << true
            << false << false << false << (kMute + kWindows) << kAbsent;
        QTest::newRow("check: modifier byte differs")
            << (kMute + kWindowsAlt8) << kAbsent << kAbsent << u"Windows"_qs << u"None"_qs << false << true
            << true << false << false << (kMute + kWindowsAlt8) << kAbsent;
        QTest::newRow("check: buttons missing from the table")
            << kMute << kAbsent << kAbsent << u"Green"_qs << u"Red"_qs << false << true
            << true << true << false << kMute << kAbsent;
        QTest::newRow("check: compares the live table, not the backup")
            << (kMute + kGreen) << kMute << kAbsent << u"Green"_qs << QString() << false << true
            << false << false << true << (kMute + kGreen) << kMute;
        QTest::newRow("check: two spaces name the Video Library button")
            << kMute << kAbsent << kAbsent << u"Video Library  (Asrock, Harmony)"_qs << u"None"_qs << false << true
            << true << false << false << kMute << kAbsent;
        QTest::newRow("update: modifier byte rewritten in place")
            << (kMute + kWindowsAlt8 + kPower) << kAbsent << kAbsent << u"Windows"_qs << u"None"_qs << true << true
            << true << false << true << (kMute + kWindows + kPower) << (kMute + kWindowsAlt8 + kPower);
        QTest::newRow("update: new entries appended, launch first")
            << kMute << kAbsent << kAbsent << u"Green"_qs << u"Red"_qs << true << true
            << true << true << true << (kMute + kGreen + kRed) << kMute;
        QTest::newRow("update: None for both restores the backup")
            << (kMute + kGreen + kRed) << (kMute + kPower) << kAbsent << u"None"_qs << u"None"_qs << true << true
            << false << false << true << (kMute + kPower) << (kMute + kPower);
        QTest::newRow("update: empty settings count as None")
            << (kMute + kGreen) << kMute << kAbsent << QString() << QString() << true << true
            << false << false << true << kMute << kMute;
        QTest::newRow("update: outside tool's backup becomes backup and baseline")
            << (kMute + kGreen) << kAbsent << (kPower + kGreenInfo) << u"Green"_qs << u"None"_qs << true << true
            << true << false << true << (kPower + kGreen) << (kPower + kGreenInfo);
        QTest::newRow("update: Cinevue's backup wins over the outside tool's")
            << (kMute + kGreen) << kMute << kPower << u"Green"_qs << u"None"_qs << true << true
            << true << false << true << (kMute + kGreen) << kMute;
        QTest::newRow("update: missing table gives an empty backup")
            << kAbsent << kAbsent << kAbsent << u"Windows"_qs << u"Red"_qs << true << true
            << true << true << true << (kWindows + kRed) << QString();
        QTest::newRow("update: Guide stands for the TV Guide button")
            << kMute << kAbsent << kAbsent << u"Guide"_qs << u"Record"_qs << true << true
            << true << true << true << (kMute + u"26000000040525"_qs + u"1700000004043D"_qs) << kMute;
        QTest::newRow("update: unknown button name changes nothing")
            << kMute << kAbsent << kAbsent << u"Purple"_qs << u"None"_qs << true << true
            << false << false << true << kMute << kMute;
        QTest::newRow("update: trailing fragment is not written back")
            << (kWindows + kRed + u"ABCDEF"_qs) << kAbsent << kAbsent << u"Windows"_qs << u"Red"_qs << true << true
            << false << false << true << (kWindows + kRed) << (kWindows + kRed + u"ABCDEF"_qs);
        QTest::newRow("update without administrator rights leaves the table")
            << kMute << kAbsent << kAbsent << u"Green"_qs << u"None"_qs << true << false
            << true << false << false << kMute << kMute;
    }
    void configure()
    {
        QFETCH(QString, table);
        QFETCH(QString, backup);
        QFETCH(QString, outsideBackup);
        QFETCH(QString, launch);
        QFETCH(QString, close);
        QFETCH(bool, update);
        QFETCH(bool, admin);
        QFETCH(bool, launchNeedsUpdate);
        QFETCH(bool, closeNeedsUpdate);
        QFETCH(bool, backupExists);
        QFETCH(QString, tableAfter);
        QFETCH(QString, backupAfter);

        Fixture f;
        f.admin = admin;
        QVERIFY(f.set(kTableValue, table));
        QVERIFY(f.set(kBackupValue, backup));
        QVERIFY(f.set(kOutsideBackupValue, outsideBackup));

        const RemoteMappingResult r = ConfigureMCERemote(settingsWith(launch, close), update, f.env);
        QCOMPARE(r.state.IsAdministrator, admin);
        QCOMPARE(r.state.LaunchNeedsUpdate, launchNeedsUpdate);
        QCOMPARE(r.state.CloseNeedsUpdate, closeNeedsUpdate);
        QCOMPARE(r.state.BackupExists, backupExists);
        QCOMPARE(f.get(kTableValue), tableAfter);
        QCOMPARE(f.get(kBackupValue), backupAfter);
        QCOMPARE(f.get(kOutsideBackupValue), outsideBackup); // only ever read

        const bool writes = update && admin;
        QCOMPARE(r.registryUpdated, writes);
        QCOMPARE(r.shortcutCreated, writes);
        QCOMPARE(r.messages, writes ? (QStringList{kSuccess, kLinkCreated}) : QStringList());
        QCOMPARE(QFileInfo::exists(f.env.launchShortcutFile()), writes);
        if (writes)
            QCOMPARE(EncodeMappingTable(r.entries), tableAfter);
        QVERIFY(!QFileInfo::exists(f.env.appPath + u"Logs"_qs)); // Debug off
    }

    void secondUpdateKeepsTheBackup()
    {
        Fixture f;
        QVERIFY(f.set(kTableValue, kMute + kWindowsAlt8));
        RemoteMapping mapping(f.env);

        QVERIFY(mapping.check(settingsWith(u"Windows"_qs, u"Red"_qs)).messages.isEmpty());
        QCOMPARE(mapping.state(), (RemoteMappingState{true, true, true, false}));

        QCOMPARE(mapping.update(settingsWith(u"Windows"_qs, u"Red"_qs)).messages, (QStringList{kSuccess, kLinkCreated}));
        QCOMPARE(f.get(kTableValue), kMute + kWindows + kRed);
        QCOMPARE(f.get(kBackupValue), kMute + kWindowsAlt8);
        mapping.check(settingsWith(u"Windows"_qs, u"Red"_qs));
        QCOMPARE(mapping.state(), (RemoteMappingState{true, false, false, true}));

        // The live table changes meanwhile; the next update starts from the
        // backup again, so the close button set to None gets its old state back.
        QVERIFY(f.set(kTableValue, kMute + kWindows + kRed + kPower));
        const RemoteMappingResult second = mapping.update(settingsWith(u"Blue"_qs, u"None"_qs));
        QCOMPARE(second.messages, QStringList{kSuccess}); // the shortcut exists already
        QCOMPARE(f.get(kTableValue), kMute + kWindowsAlt8 + u"5E000000040525"_qs);
        QCOMPARE(f.get(kBackupValue), kMute + kWindowsAlt8);
        QCOMPARE(mapping.state(), (RemoteMappingState{true, true, false, true}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("shortcut");
        QTest::addColumn<QStringList>("logTail");
        QTest::newRow("backup cannot be written")
            << kBackupValue << QStringList{u"[ERROR] Failed to back up original registry value.  Aborting update."_qs} << false
            << QStringList{u" * Registry Value=\"ERROR\""_qs, QString(),
                           u"[ERROR] Failed to back up original registry value.  Aborting update."_qs, QString(),
                           u"END OF DEBUG LOG"_qs};
        QTest::newRow("live table cannot be written")
            << kTableValue
            << QStringList{u"[ERROR] Failed to update registry with new MCE Remote Control configuration."_qs, kLinkCreated}
            << true
            << QStringList{u"   * Saved"_qs, u" * Shortcut created successfully"_qs, QString(), u"END OF DEBUG LOG"_qs};
    }
    void failures()
    {
        QFETCH(QString, refused);
        QFETCH(QStringList, messages);
        QFETCH(bool, shortcut);
        QFETCH(QStringList, logTail);
        Fixture f;
        QVERIFY(f.set(kTableValue, kMute));
        f.env.store = std::make_shared<RefusingStore>(f.store, QSet<QString>{refused});

        const RemoteMappingResult r = ConfigureMCERemote(settingsWith(u"Green"_qs, u"Red"_qs, true), true, f.env);
        QCOMPARE(r.messages, messages);
        QVERIFY(!r.registryUpdated);
        QCOMPARE(f.get(kTableValue), kMute);
        QCOMPARE(r.shortcutCreated, shortcut);
        QCOMPARE(QFileInfo::exists(f.env.launchShortcutFile()), shortcut);
        QVERIFY(r.keymapFile.isEmpty());
        QVERIFY(r.keymapCommand.isEmpty());
        QVERIFY(!QFileInfo::exists(f.env.keymapFile()));
        const QStringList log = f.log(u"DebugLog_MCERegUpdate.txt"_qs);
        QCOMPARE(log.mid(log.size() - logTail.size()), logTail);
        if (refused == kBackupValue)
            QVERIFY(log.contains(u" * Backup failed"_qs));
    }

    void debugLogOfCheck()
    {
        Fixture f;
        f.admin = false;
        QVERIFY(f.set(kTableValue, kMute + kWindowsAlt8));
        const RemoteMappingResult r = ConfigureMCERemote(settingsWith(u"Windows"_qs, u"Red"_qs, true), false, f.env);
        QCOMPARE(r.debugLogFile, f.env.appPath + u"Logs/DebugLog_MCERegCheck.txt"_qs);
        QVERIFY2(r.debugLogError.isEmpty(), qPrintable(r.debugLogError));
        const QStringList expected{
            f.header(),
            QString(65, u'-'),
            QString(),
            u"Cinevue does not have Administrator rights"_qs,
            QString(),
            u"Reading "_qs + fullPath(u"ReportMappingTable"_qs),
            u" * Registry Value=\"0E00000001E2000D000000040425\""_qs,
            QString(),
            u"Reading "_qs + fullPath(u"ReportMappingTable.CVB_Backup"_qs),
            u" * Registry Value=\"ERROR\""_qs,
            QString(),
            u" * Checking for pre-existing backup from Advanced MCE Remote Mapper"_qs,
            u"    Reading "_qs + fullPath(u"ReportMappingTable.Backup"_qs),
            u"     * Registry Value=\"ERROR\""_qs,
            QString(),
            u"Using current Registry Values as baseline for applying new changes to Registry"_qs,
            QString(),
            u"Converting Registry Binary Byte String to 2 MCE Code Records:"_qs,
            u"  [01] (0E00000001E200) - Multimedia Key:  Mute = Mute"_qs,
            u"  [02] (0D000000040425) - Keyboard Stroke:  Windows = [Alt]+8"_qs,
            QString(),
            u"Checking if Configured Buttons match the Registry:"_qs,
            u" * Configured Launch Button \"Windows\" has Button ID \"0D\""_qs,
            u" * Found same Button [02] \"Windows\" with a different configuration in the Registry"_qs,
            u" * Launch button configuration does not match"_qs,
            u" * Configured Close Button \"Red\" has Button ID \"5B\""_qs,
            u" * Close button configuration does not match"_qs,
            QString(),
            u"END OF DEBUG LOG"_qs,
        };
        QCOMPARE(f.log(u"DebugLog_MCERegCheck.txt"_qs), expected);
        QVERIFY(!QFileInfo::exists(f.env.appPath + u"Logs/DebugLog_MCERegUpdate.txt"_qs));

        // A check with both buttons set to None, over the earlier file.
        QVERIFY(f.set(kBackupValue, kMute));
        ConfigureMCERemote(settingsWith(u"None"_qs, QString(), true), false, f.env);
        const QStringList second = f.log(u"DebugLog_MCERegCheck.txt"_qs);
        QCOMPARE(second.mid(9, 2), (QStringList{u" * Registry Value=\"0E00000001E200\""_qs, QString()}));
        QCOMPARE(second.mid(second.size() - 5),
                 (QStringList{u"Checking if Configured Buttons match the Registry:"_qs,
                              u" * Launch button set to None, not checking against Registry"_qs,
                              u" * Close button set to None, not checking against Registry"_qs, QString(),
                              u"END OF DEBUG LOG"_qs}));
        QVERIFY(!second.contains(u" * Checking for pre-existing backup from Advanced MCE Remote Mapper"_qs));
    }

    void debugLogOfUpdate()
    {
        Fixture f;
        QVERIFY(f.set(kTableValue, kMute));
        QVERIFY(f.set(kOutsideBackupValue, kPower));
        const RemoteMappingResult r = ConfigureMCERemote(settingsWith(u"Green"_qs, u"None"_qs, true), true, f.env);
        const QString shortcut = f.env.applicationsFolder + u"/cinevue.desktop"_qs;
        const QString keymap = f.env.appPath + u"cinevue_rc6_mce.toml"_qs;
        const QStringList expected{
            f.header(),
            QString(65, u'-'),
            QString(),
            u"Cinevue Run as Administrator"_qs,
            QString(),
            u"Reading "_qs + fullPath(u"ReportMappingTable"_qs),
            u" * Registry Value=\"0E00000001E200\""_qs,
            QString(),
            u"Reading "_qs + fullPath(u"ReportMappingTable.CVB_Backup"_qs),
            u" * Registry Value=\"ERROR\""_qs,
            QString(),
            u" * Checking for pre-existing backup from Advanced MCE Remote Mapper"_qs,
            u"    Reading "_qs + fullPath(u"ReportMappingTable.Backup"_qs),
            u"     * Registry Value=\"0C000000038100\""_qs,
            QString(),
            u"Copying existing Advanced MCE Remote Mapper backup as source for new Cinevue Backup"_qs,
            u"Creating Backup: "_qs + fullPath(u"ReportMappingTable.CVB_Backup"_qs),
            u" * Backup written successfully"_qs,
            u"Using Advanced MCE Remote Mapper Backup Values as baseline for applying new changes to Registry"_qs,
            QString(),
            u"Converting Registry Binary Byte String to 1 MCE Code Records:"_qs,
            u"  [01] (0C000000038100) - Raw Input:  Power = Shutdown"_qs,
            QString(),
            u"Checking if Configured Buttons match the Registry:"_qs,
            u" * Configured Launch Button \"Green\" has Button ID \"5C\""_qs,
            u" * Launch button configuration does not match"_qs,
            u" * Close button set to None, not checking against Registry"_qs,
            QString(),
            u"Re-verifying Registry Backup Exists Before Applying Registry Updates:"_qs,
            u"Reading "_qs + fullPath(u"ReportMappingTable.CVB_Backup"_qs),
            u" * Registry Value=\"0C000000038100\""_qs,
            QString(),
            u"Backup exists."_qs,
            u"New Values to Write to Registry:"_qs,
            u"  [01] (0C000000038100) - Raw Input:  Power = Shutdown"_qs,
            u"  [02] (5C000000040525) - Keyboard Stroke:  Green = [Ctrl]+[Alt]+8"_qs,
            u"Converting 2 MCE Code Records to Registry Binary Byte String"_qs,
            u"Registry Value=\"0C0000000381005C000000040525\""_qs,
            u"Writing Updates to "_qs + fullPath(u"ReportMappingTable"_qs),
            u" * Registry updated successfully.  Please reboot to apply MCE Remote Control configuration changes."_qs,
            QString(),
            u"Beginning Shortcut Creation Routine:"_qs,
            u" * Shortcut to CVB Program Path: \""_qs + f.env.programPath + u'"',
            u" * Configuring Description, Path, Working Directory, and Hotkey (CTRL+ALT+8)"_qs,
            u" * Shortcut does not exist, Saving: \""_qs + shortcut + u'"',
            u"   * Saved"_qs,
            u" * Shortcut created successfully"_qs,
            QString(),
            u"Writing Remote Control Keymap for ir-keytable:"_qs,
            u" * Launch Button \"Green\" has Scan Code 0x800f045c, mapped to KEY_PROG1"_qs,
            u" * Keymap written: \""_qs + keymap + u'"',
            u" * Install it with: ir-keytable -w "_qs + keymap,
            QString(),
            u"END OF DEBUG LOG"_qs,
        };
        QCOMPARE(f.log(u"DebugLog_MCERegUpdate.txt"_qs), expected);
        QCOMPARE(r.debugLogFile, f.env.appPath + u"Logs/DebugLog_MCERegUpdate.txt"_qs);
        QVERIFY(!QFileInfo::exists(f.env.appPath + u"Logs/DebugLog_MCERegCheck.txt"_qs));
    }

    void launchShortcutCreatedOnceNeverReplaced()
    {
        Fixture f;
        f.env.applicationsFolder = f.dir.filePath(u"home/.local/share/applications"_qs); // made when missing
        f.env.programPath = f.dir.filePath(u"opt/Cine vue/cinevue"_qs);
        const QString file = f.env.launchShortcutFile();
        QCOMPARE(file, f.env.applicationsFolder + u"/cinevue.desktop"_qs);

        const RemoteMappingResult first = ConfigureMCERemote(settingsWith(u"Green"_qs, u"Red"_qs), true, f.env);
        QVERIFY(first.shortcutCreated);
        QVERIFY(first.messages.contains(kLinkCreated));
        const QStringList lines = f.fileText(file).split(u'\n');
        QCOMPARE(lines.first(), u"[Desktop Entry]"_qs);
        QVERIFY(lines.contains(u"Name=Cinevue"_qs));
        QVERIFY(lines.contains(u"Comment=Cinevue GUI for My Movies"_qs));
        QVERIFY2(lines.contains(u"Exec=\""_qs + f.env.programPath + u'"'), qPrintable(lines.join(u'|')));
        QVERIFY(lines.contains(u"Path="_qs + f.env.appPath));

        // The user's own edits stay; a later update neither replaces nor reports it.
        QFile edit(file);
        QVERIFY(edit.open(QIODevice::WriteOnly | QIODevice::Truncate));
        edit.write("[Desktop Entry]\nName=My Cinevue\n");
        edit.close();
        const RemoteMappingResult second = ConfigureMCERemote(settingsWith(u"Green"_qs, u"Red"_qs, true), true, f.env);
        QVERIFY(!second.shortcutCreated);
        QCOMPARE(second.messages, QStringList{kSuccess});
        QCOMPARE(f.fileText(file), u"[Desktop Entry]\nName=My Cinevue\n"_qs);
        const QStringList log = f.log(u"DebugLog_MCERegUpdate.txt"_qs);
        QVERIFY(log.contains(u" * Shortcut \""_qs + file + u"\" already exists, Aborting"_qs));
        QVERIFY(log.contains(u" * Shortcut was not created"_qs));

        // CreateLaunchShortcut alone reports the same.
        QVERIFY(!CreateLaunchShortcut(f.env));
    }

    void launchShortcutFailure()
    {
        Fixture f;
        QFile blocker(f.dir.filePath(u"file"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        f.env.applicationsFolder = f.dir.filePath(u"file/applications"_qs);
        QStringList lines;
        QVERIFY(!CreateLaunchShortcut(f.env, [&](const QString &line) { lines << line; }));
        QCOMPARE(lines.at(3), u" * Shortcut does not exist, Saving: \""_qs + f.env.launchShortcutFile() + u'"');
        QCOMPARE(lines.at(4), u"    [ERROR] Save Failed"_qs);
        QVERIFY2(lines.at(5).contains(u"cinevue.desktop"_qs), qPrintable(lines.at(5)));
        QCOMPARE(lines.last(), u" * Shortcut was not created"_qs);
    }

    void keymapFile_data()
    {
        QTest::addColumn<QString>("launch");
        QTest::addColumn<QString>("close");
        QTest::addColumn<QStringList>("scanCodes"); // empty: no keymap
        QTest::newRow("launch and close")
            << u"Green"_qs << u"Red"_qs
            << QStringList{u"0x800f045c = \"KEY_PROG1\" # Green: launch Cinevue"_qs,
                           u"0x800f045b = \"KEY_PROG2\" # Red: close the program in front"_qs};
        QTest::newRow("launch only") << u"Windows"_qs << u"None"_qs
                                     << QStringList{u"0x800f040d = \"KEY_PROG1\" # Windows: launch Cinevue"_qs};
        QTest::newRow("Guide and Recorded TV")
            << u"Guide"_qs << u"Recorded TV"_qs
            << QStringList{u"0x800f0426 = \"KEY_PROG1\" # Guide: launch Cinevue"_qs,
                           u"0x800f0448 = \"KEY_PROG2\" # Recorded TV: close the program in front"_qs};
        QTest::newRow("no known button") << u"None"_qs << u"Purple"_qs << QStringList();
    }
    void keymapFile()
    {
        QFETCH(QString, launch);
        QFETCH(QString, close);
        QFETCH(QStringList, scanCodes);
        Fixture f;
        const QString file = f.env.appPath + u"cinevue_rc6_mce.toml"_qs;
        QFile stale(file); // from an earlier choice
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();

        const RemoteMappingResult r = ConfigureMCERemote(settingsWith(launch, close), true, f.env);
        QVERIFY(r.registryUpdated);
        if (scanCodes.isEmpty()) {
            QVERIFY(!QFileInfo::exists(file));
            QVERIFY(r.keymapFile.isEmpty());
            QVERIFY(r.keymapCommand.isEmpty());
            QCOMPARE(r.keymapCommand.commandLine(), QString());
            return;
        }
        const QString header = u"# Media Center remote buttons mapped by Cinevue.\n"
                               u"[[protocols]]\n"
                               u"name = \"cinevue_rc6_mce\"\n"
                               u"protocol = \"rc6\"\n"
                               u"variant = \"rc6_mce\"\n"
                               u"[protocols.scancodes]\n"_qs;
        QCOMPARE(f.fileText(file), header + scanCodes.join(u'\n') + u'\n');
        QCOMPARE(r.keymapFile, file);
        QCOMPARE(r.keymapCommand.program, u"ir-keytable"_qs);
        QCOMPARE(r.keymapCommand.arguments, (QStringList{u"-w"_qs, file}));
        QCOMPARE(r.keymapCommand.commandLine(), u"ir-keytable -w "_qs + file);

        // A check never writes it.
        QVERIFY(QFile::remove(file));
        const RemoteMappingResult check = ConfigureMCERemote(settingsWith(launch, close), false, f.env);
        QVERIFY(check.keymapFile.isEmpty());
        QVERIFY(!QFileInfo::exists(file));
    }

    void keymapCommandQuotesForAShell()
    {
        const RemoteKeymapCommand c = RemoteKeymapInstallCommand(u"/srv/my files/it's.toml"_qs);
        QCOMPARE(c.arguments, (QStringList{u"-w"_qs, u"/srv/my files/it's.toml"_qs}));
        QCOMPARE(c.commandLine(), u"ir-keytable -w '/srv/my files/it'\\''s.toml'"_qs);
    }
};

QTEST_GUILESS_MAIN(TestRemoteMapping)
#include "tst_remotemapping.moc"
