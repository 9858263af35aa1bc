#include "platform/registrystore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kVcdKey = u"Software\\Elaborate Bytes\\VirtualCloneDrive\\0"_qs;
const QString kRemoteKey = u"SYSTEM\\CurrentControlSet\\Services\\HidIr\\Remotes\\745a17a0-74d3-11d0-b6fe-00a0c90f57da"_qs;

QByteArray utf16Bytes(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

} // namespace

class TestRegistryStore : public QObject
{
    Q_OBJECT
private slots:
    // Values written through one store and read back with ReadRegistryValue.
    void readRegistryValue_data()
    {
        QTest::addColumn<int>("type"); // -1: nothing written
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("result");

        const QByteArray entry = QByteArray::fromHex("040000000D0000");
        QTest::newRow("text") << int(RegistryValue::Text) << u"/isos/Alien.iso"_qs << QByteArray() << QString() << u"/isos/Alien.iso"_qs;
        QTest::newRow("text with special characters")
            << int(RegistryValue::Text) << u"/isos/[100%] a=b\r\nc"_qs << QByteArray() << QString() << u"/isos/[100%] a=b\r\nc"_qs;
        QTest::newRow("text ends at NUL") << int(RegistryValue::Text) << u"abc\0def"_qs << QByteArray() << QString() << u"abc"_qs;
        QTest::newRow("long text is not cut") << int(RegistryValue::Text) << QString(300, u'x') << QByteArray() << QString() << QString(300, u'x');
        QTest::newRow("empty text") << int(RegistryValue::Text) << QString() << QByteArray() << QString() << QString();
        QTest::newRow("absent value") << -1 << QString() << QByteArray() << QString() << u"ERROR"_qs;
        QTest::newRow("absent value as hex") << -1 << QString() << QByteArray() << u"Hex"_qs << u"ERROR"_qs;
        QTest::newRow("binary as hex") << int(RegistryValue::Binary) << QString() << (entry + QByteArray::fromHex("ab")) << u"Hex"_qs << u"040000000D0000AB"_qs;
        QTest::newRow("empty binary as hex") << int(RegistryValue::Binary) << QString() << QByteArray() << u"Hex"_qs << QString();
        QTest::newRow("text value as hex") << int(RegistryValue::Text) << u"0400"_qs << QByteArray() << u"Hex"_qs << u"ERROR"_qs;
        QTest::newRow("binary read as text") << int(RegistryValue::Binary) << QString() << (utf16Bytes(u"D:\\a.iso"_qs) + QByteArray(2, '\0')) << QString() << u"D:\\a.iso"_qs;
        QTest::newRow("unknown mode") << int(RegistryValue::Text) << u"x"_qs << QByteArray() << u"Binary"_qs << u"ERROR"_qs;
    }
    void readRegistryValue()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QByteArray, data);
        QFETCH(QString, mode);
        QFETCH(QString, result);

        QTemporaryDir dir;
        const QString file = dir.filePath(u"Registry.ini"_qs);
        {
            FileRegistryStore writer(file);
            QVERIFY(writer.writeText(RegistryHive::CurrentUser, kVcdKey, u"Other"_qs, u"noise"_qs));
            if (type >= 0)
                QVERIFY(writer.writeValue(RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs,
                                          RegistryValue{RegistryValue::Type(type), text, data}));
        }
        const FileRegistryStore reader(file);
        QCOMPARE(ReadRegistryValue(reader, RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs, mode), result);
    }

    void keysAndHives()
    {
        QTemporaryDir dir;
        FileRegistryStore store(dir.filePath(u"Registry.ini"_qs));
        const QByteArray table = QByteArray::fromHex("0400000016000004000000170000");
        QVERIFY(store.writeBinary(RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable"_qs, table));
        QVERIFY(store.writeBinary(RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable.CVB_Backup"_qs, QByteArray()));

        // Same path in the other hive is another key.
        QVERIFY(!store.readValue(RegistryHive::CurrentUser, kRemoteKey, u"ReportMappingTable"_qs));
        // Key paths and names ignore letter case, like the registry.
        QCOMPARE(ReadRegistryValue(store, RegistryHive::LocalMachine, kRemoteKey.toUpper(), u"reportmappingtable"_qs, u"Hex"_qs),
                 u"0400000016000004000000170000"_qs);
        QCOMPARE(ReadRegistryValue(store, RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable.CVB_Backup"_qs, u"Hex"_qs), QString());
        QCOMPARE(ReadRegistryValue(store, RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable.Backup"_qs, u"Hex"_qs), u"ERROR"_qs);

        // Overwriting replaces; deleting removes only that value.
        QVERIFY(store.writeBinary(RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable"_qs, QByteArray::fromHex("01")));
        QCOMPARE(ReadRegistryValue(store, RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable"_qs, u"Hex"_qs), u"01"_qs);
        QVERIFY(store.deleteValue(RegistryHive::LocalMachine, kRemoteKey, u"REPORTMAPPINGTABLE"_qs));
        QVERIFY(!store.readValue(RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable"_qs));
        QVERIFY(store.readValue(RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable.CVB_Backup"_qs));
        QVERIFY(store.deleteValue(RegistryHive::CurrentUser, u"No\\Such\\Key"_qs, u"x"_qs));
    }

    void badFiles()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"Registry.ini"_qs);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("stray line before any key\n"
                    "[HKCU\\Software\\Elaborate Bytes\\VirtualCloneDrive\\0]\n"
                    "LastMountedFile=text:/isos/A.iso\n"
                    "Broken=hex:ABC\n"
                    "no equals sign here\n");
        }
        FileRegistryStore store(file);
        QCOMPARE(ReadRegistryValue(store, RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs), u"/isos/A.iso"_qs);
        QCOMPARE(ReadRegistryValue(store, RegistryHive::CurrentUser, kVcdKey, u"Broken"_qs, u"Hex"_qs), u"ERROR"_qs);

        // A write keeps the lines it cannot read.
        QVERIFY(store.writeText(RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs, u"/isos/B.iso"_qs));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        QVERIFY(after.contains("stray line before any key\n"));
        QVERIFY(after.contains("Broken=hex:ABC\n"));
        QVERIFY(after.contains("no equals sign here\n"));
        QCOMPARE(ReadRegistryValue(store, RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs), u"/isos/B.iso"_qs);

        // A file that cannot be read is neither read nor replaced.
        const QString folderInTheWay = dir.filePath(u"Folder.ini"_qs);
        QVERIFY(QDir().mkpath(folderInTheWay + u"/inside"_qs));
        FileRegistryStore blocked(folderInTheWay);
        QCOMPARE(ReadRegistryValue(blocked, RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs), u"ERROR"_qs);
        QVERIFY(!blocked.writeText(RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs, u"x"_qs));
        QVERIFY(QFileInfo::exists(folderInTheWay + u"/inside"_qs));

        // A missing folder: nothing to read, and the write reports failure.
        FileRegistryStore missing(dir.filePath(u"gone/Registry.ini"_qs));
        QVERIFY(!missing.readValue(RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs));
        QVERIFY(!missing.writeText(RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs, u"x"_qs));
    }

    void defaultStoreCanBeReplaced()
    {
        QTemporaryDir dir;
        auto store = std::make_shared<FileRegistryStore>(dir.filePath(u"Registry.ini"_qs));
        QVERIFY(store->writeText(RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs, u"/isos/C.iso"_qs));
        SetRegistryStore(store);
        QCOMPARE(RegistryStore(), std::shared_ptr<IRegistryStore>(store));
        QCOMPARE(ReadRegistryValue(RegistryHive::CurrentUser, kVcdKey, u"LastMountedFile"_qs), u"/isos/C.iso"_qs);
        SetRegistryStore(nullptr);
        QVERIFY(RegistryStore() != std::shared_ptr<IRegistryStore>(store));
    }

    void hexConversion_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("upper case") << u"00FF7A"_qs << true << QByteArray::fromHex("00ff7a");
        QTest::newRow("lower case") << u"00ff7a"_qs << true << QByteArray::fromHex("00ff7a");
        QTest::newRow("empty") << QString() << true << QByteArray();
        QTest::newRow("odd length") << u"ABC"_qs << false << QByteArray();
        QTest::newRow("not a digit") << u"0G"_qs << false << QByteArray();
    }
    void hexConversion()
    {
        QFETCH(QString, hex);
        QFETCH(bool, valid);
        QFETCH(QByteArray, bytes);
        const auto got = HexToBytes(hex);
        QCOMPARE(got.has_value(), valid);
        if (valid) {
            QCOMPARE(*got, bytes);
            QCOMPARE(BytesToHex(*got), hex.toUpper());
        }
    }

    void writeRegistryHex_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("two entries") << u"0D0000000405255B00000004043D"_qs << true << u"0D0000000405255B00000004043D"_qs;
        QTest::newRow("lower case digits") << u"5c000000040525"_qs << true << u"5C000000040525"_qs;
        QTest::newRow("empty table") << QString() << true << QString();
        QTest::newRow("odd last digit dropped") << u"0D0"_qs << true << u"0D"_qs;
        QTest::newRow("not hexadecimal") << u"ERROR!"_qs << false << u"ERROR"_qs;
    }
    void writeRegistryHex()
    {
        QFETCH(QString, hex);
        QFETCH(bool, stored);
        QFETCH(QString, readBack);
        QTemporaryDir dir;
        FileRegistryStore store(dir.filePath(u"Registry.ini"_qs));
        QCOMPARE(WriteRegistryHex(store, RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable"_qs, hex), stored);
        QCOMPARE(ReadRegistryValue(store, RegistryHive::LocalMachine, kRemoteKey, u"ReportMappingTable"_qs, u"Hex"_qs), readBack);
    }
};

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registrystore.moc"
