#include "sync/snapshot.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray hex(const char *text) { return QByteArray::fromHex(QByteArray(text)); }

QByteArray utf16le(const QString &s)
{
    QByteArray out;
    for (QChar c : s) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

tDirectories sample()
{
    tDirDiscInfo folderDisc;
    folderDisc.XML = u"/m/Alien/mymovies.xml"_qs;
    folderDisc.FileDate = 0x4ACFA3D6;
    folderDisc.Loc = u"/m/Alien"_qs;
    tDirDiscInfo iso;
    iso.XML = QString();
    iso.FileDate = -1;
    iso.Loc = u"/m/Amélie/Amélie – 𝄞.iso"_qs; // accents, a dash and a surrogate pair
    iso.Container = ctISO;
    tDirDiscInfo box;
    box.Loc = u"BoxSetParent"_qs;
    tDirectoryRec root;
    root.Directory = u"/m"_qs;
    root.GroupDir = true;
    tDirectoryRec alien;
    alien.Directory = u"/m/Alien"_qs;
    alien.mmXMLFile = u"/m/Alien/mymovies.xml"_qs;
    alien.FileDate = 0x4ACFA3D6;
    alien.CVBWatchedFileDate = 1;
    alien.CVBNotWatchedFileDate = -1;
    alien.CVBWatchListFileDate = 0x7FFFFFFF;
    alien.DiscInfo = {folderDisc, iso, box};
    tDirectoryRec mkv;
    mkv.Directory = u"/m/Clips"_qs;
    tDirDiscInfo m;
    m.Loc = u"/m/Clips/a.mkv"_qs;
    m.Container = ctMKV;
    tDirDiscInfo mp4;
    mp4.Loc = u"/m/Clips/b.mp4"_qs;
    mp4.Container = ctMP4;
    mkv.DiscInfo = {m, mp4};
    return {root, alien, mkv};
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// A record whose layout has padding between fields and a byte string.
struct Mixed {
    bool Flag = false;
    qint32 Number = 0;
    QString Name;
    qint16 Small = 0;
    tKBAnsiString Raw;
    std::array<quint8, 3> Triple{};
    bool operator==(const Mixed &) const = default;
};
const TKBType &mixedType()
{
    static const TKBType t = KBRecord({
        KBField(&Mixed::Flag, KBPlain<bool>()),
        KBField(&Mixed::Number, KBPlain<qint32>()),
        KBField(&Mixed::Name, KBUnicodeString()),
        KBField(&Mixed::Small, KBPlain<qint16>()),
        KBField(&Mixed::Raw, KBAnsiString()),
        KBField(&Mixed::Triple, KBStaticArray<quint8, 3>(KBPlain<quint8>())),
    });
    return t;
}
} // namespace

Q_DECLARE_METATYPE(TKBDynamicOptions)

class TestSnapshot : public QObject
{
    Q_OBJECT
private slots:
    void layouts_data()
    {
        QTest::addColumn<tDirectories>("value");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("empty snapshot") << tDirectories() << hex("0101010000000000");

        tDirectoryRec m;
        m.Directory = u"C:\\M"_qs;
        m.GroupDir = true;
        QTest::newRow("group directory without discs")
            << tDirectories{m}
            << hex("01010100" "01000000" "04000000") + utf16le(u"C:\\M"_qs)
                   + hex("00000000" "00000000000000000000000000000000" "00000000" "01000000");

        tDirectoryRec withDisc;
        withDisc.Directory = u"D"_qs;
        withDisc.FileDate = -2;
        tDirDiscInfo disc;
        disc.XML = u"X"_qs;
        disc.FileDate = 0x01020304;
        disc.Loc = u"L"_qs;
        disc.Container = ctMKV;
        disc.Found = true;
        withDisc.DiscInfo = {disc};
        QTest::newRow("one disc: container and found bytes, two bytes padding")
            << tDirectories{withDisc}
            << hex("01010100" "01000000"
                   "01000000" "4400" "00000000" "FEFFFFFF" "000000000000000000000000"
                   "01000000"                                     // disc count
                   "01000000" "5800" "04030201" "01000000" "4C00" // XML, FileDate, Loc
                   "03" "01" "0000"                               // ctMKV, Found, padding
                   "00" "000000");                                // GroupDir, padding
    }
    void layouts()
    {
        QFETCH(tDirectories, value);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeSnapshot(value).toHex(' '), bytes.toHex(' '));
        QCOMPARE(TKBDynamic::GetSize(&value, DirectoriesType()), qint64(bytes.size()));

        tDirectories decoded;
        QVERIFY(TKBDynamic::Decode(bytes, &decoded, DirectoriesType(), kSnapshotVersion));
        QCOMPARE(decoded, value);
    }

    void roundTripWithOptions_data()
    {
        QTest::addColumn<TKBDynamicOptions>("options");
        QTest::newRow("none") << TKBDynamicOptions();
        QTest::newRow("utf-8 strings") << TKBDynamicOptions(kdoUTF16ToUTF8);
        QTest::newRow("16-bit lengths") << TKBDynamicOptions(kdoLimitToWordSize);
        QTest::newRow("utf-8 and 16-bit") << (kdoUTF16ToUTF8 | kdoLimitToWordSize);
        QTest::newRow("code pages and arch flag") << (kdoAnsiStringCodePage | kdoCPUArchCompatibility);
    }
    void roundTripWithOptions()
    {
        QFETCH(TKBDynamicOptions, options);
        const tDirectories value = sample();
        QBuffer buffer;
        QVERIFY(buffer.open(QIODevice::ReadWrite));
        buffer.write("prefix");
        TKBDynamic::WriteTo(buffer, &value, DirectoriesType(), kSnapshotVersion, options);
        buffer.write("trailer");
        const QByteArray written = buffer.data();
        QCOMPARE(quint8(written[7]), quint8(0x01 | options.toInt()));
        QCOMPARE(TKBDynamic::GetSize(&value, DirectoriesType(), options),
                 qint64(written.size() - 6 - 7));

        // The reader takes the options from the header and stops after the value.
        buffer.seek(6);
        tDirectories decoded;
        QVERIFY(TKBDynamic::ReadFrom(buffer, &decoded, DirectoriesType(), kSnapshotVersion));
        QCOMPARE(decoded, value);
        QCOMPARE(buffer.read(7), QByteArrayLiteral("trailer"));
    }

    void readsHandMadeUtf8WordStream()
    {
        // One directory "Cé" (3 UTF-8 bytes), 16-bit lengths and counts.
        const QByteArray bytes = hex("01070100" "0100" "0300" "43C3A9" "0000"
                                     "01000000" "02000000" "03000000" "04000000" "0000" "00" "000000");
        tDirectories decoded;
        QVERIFY(TKBDynamic::Decode(bytes, &decoded, DirectoriesType(), kSnapshotVersion));
        QCOMPARE(decoded.size(), 1);
        QCOMPARE(decoded[0].Directory, u"Cé"_qs);
        QCOMPARE(decoded[0].FileDate, 1);
        QCOMPARE(decoded[0].CVBWatchListFileDate, 4);
        QVERIFY(!decoded[0].GroupDir);
    }

    void mixedRecordLayout()
    {
        Mixed v;
        v.Flag = true;
        v.Number = -3;
        v.Name = u"ab"_qs;
        v.Small = 0x0102;
        v.Raw = {QByteArrayLiteral("xyz"), 1252};
        v.Triple = {7, 8, 9};
        // Flag, 3 padding, Number, Name, Small, 2 padding, Raw (+code page), Triple, 1 padding.
        const QByteArray plain = hex("01000000" "FDFFFFFF" "02000000" "61006200" "0201" "0000"
                                     "03000000" "78797A" "070809" "00");
        QCOMPARE(TKBDynamic::Encode(&v, mixedType(), 7).mid(4).toHex(' '), plain.toHex(' '));
        const QByteArray withCodePage = TKBDynamic::Encode(&v, mixedType(), 7, kdoAnsiStringCodePage);
        QCOMPARE(withCodePage.mid(4 + 24, 5).toHex(' '), hex("78797AE404").toHex(' '));

        for (const TKBDynamicOptions options : {TKBDynamicOptions(), TKBDynamicOptions(kdoAnsiStringCodePage)}) {
            Mixed decoded;
            QVERIFY(TKBDynamic::Decode(TKBDynamic::Encode(&v, mixedType(), 7, options), &decoded, mixedType(), 7));
            Mixed expected = v;
            if (!(options & kdoAnsiStringCodePage))
                expected.Raw.CodePage = 0; // not recorded
            QCOMPARE(decoded, expected);
        }
    }

    void otherFormatOrVersionIsRejectedUntouched_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("data version 2") << hex("0101020000000000");
        QTest::newRow("format 2") << hex("0201010000000000");
    }
    void otherFormatOrVersionIsRejectedUntouched()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        tDirectories value = sample();
        QVERIFY(!TKBDynamic::ReadFrom(buffer, &value, DirectoriesType(), kSnapshotVersion));
        QCOMPARE(buffer.pos(), qint64(0));
        QCOMPARE(value, sample());
    }

    void encodingErrors()
    {
        QString tooLong(65536, u'a');
        try {
            TKBDynamic::Encode(&tooLong, KBUnicodeString(), 1, kdoLimitToWordSize);
            QFAIL("no word limit error");
        } catch (const EKBDynamicLimit &e) {
            QVERIFY(dynamic_cast<const EKBDynamicWordLimit *>(&e));
            QCOMPARE(e.message(), u"Invalid dynamic array size 65536 (max 65535)"_qs);
        }
        tooLong.chop(1);
        QCOMPARE(TKBDynamic::Encode(&tooLong, KBUnicodeString(), 1, kdoLimitToWordSize).size(), 4 + 2 + 2 * 65535);

        QList<qint32> longArray(65536);
        QVERIFY_THROWS_EXCEPTION(EKBDynamicWordLimit,
                                 TKBDynamic::GetSize(&longArray, KBDynArray<qint32>(KBPlain<qint32>()),
                                                     kdoLimitToWordSize));

        const QString loneSurrogate = QString(QChar(0xD800)) + u"x"_qs;
        try {
            TKBDynamic::Encode(&loneSurrogate, KBUnicodeString(), 1, kdoUTF16ToUTF8);
            QFAIL("no UTF-8 error");
        } catch (const EKBDynamic &e) {
            QCOMPARE(e.message(), u"UnicodeToUtf8 failed!"_qs);
        }
        // Without the option the string is plain UTF-16 and fine.
        QCOMPARE(TKBDynamic::Encode(&loneSurrogate, KBUnicodeString(), 1).size(), 4 + 4 + 4);

        int anything = 0;
        try {
            TKBDynamic::Encode(&anything, KBUnsupported(u"Variant"_qs), 1);
            QFAIL("no type error");
        } catch (const EKBDynamicInvalidType &e) {
            QCOMPARE(e.message(), u"Unsupported field type Variant"_qs);
        }
    }

    void decodingErrors_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("invalid utf-8") << hex("01030100" "01000000" "02000000" "C328") + QByteArray(32, '\0')
                                       << u"Utf8ToUnicode failed!"_qs;
        QTest::newRow("string longer than the data") << hex("01010100" "01000000" "FF000000" "4100")
                                                     << u"Stream read error"_qs;
        QTest::newRow("negative count") << hex("01010100" "FFFFFFFF") << u"Stream read error"_qs;
        QTest::newRow("huge count") << hex("01010100" "FFFFFF7F" "00") << u"Stream read error"_qs;
        QTest::newRow("short header") << hex("0101") << u"Stream read error"_qs;
    }
    void decodingErrors()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        tDirectories value;
        try {
            TKBDynamic::Decode(bytes, &value, DirectoriesType(), kSnapshotVersion);
            QFAIL("no error");
        } catch (const EKBDynamic &e) {
            QCOMPARE(e.message(), message);
        }
    }

    void writeErrorIsReported()
    {
        QByteArray storage;
        QBuffer readOnly(&storage);
        QVERIFY(readOnly.open(QIODevice::ReadOnly));
        const tDirectories value = sample();
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): ReadOnly device");
        try {
            TKBDynamic::WriteTo(readOnly, &value, DirectoriesType(), kSnapshotVersion);
            QFAIL("no error");
        } catch (const EKBDynamic &e) {
            QCOMPARE(e.message(), u"Stream write error"_qs);
        }
    }

    void saveAndLoad()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"CVB_SmartSync.bin"_qs);
        tDirectories value = sample();
        QCOMPARE(SaveSnapshot(path, value), QString());
        // Found is the import's own mark and never comes back from the file.
        value[1].DiscInfo[0].Found = true;
        QCOMPARE(SaveSnapshot(path, value), QString());
        const SnapshotLoad load = LoadSnapshot(path);
        QCOMPARE(load.status, SnapshotLoad::Loaded);
        QVERIFY(load.error.isEmpty());
        QCOMPARE(load.Directories, sample());

        QVERIFY(!SaveSnapshot(dir.filePath(u"no/folder/CVB_SmartSync.bin"_qs), value).isEmpty());

        // A snapshot of many megabytes goes to the file in pieces, as encoded.
        tDirectories large;
        for (int i = 0; i < 40000; ++i)
            large.append(tDirectoryRec{u"/media/Movies/Title %1"_qs.arg(i), u"/media/Movies/Title %1/mymovies.xml"_qs.arg(i),
                                       i, 0, 0, 0, {tDirDiscInfo{{}, i, u"/media/Movies/Title %1"_qs.arg(i), ctFolder, false}},
                                       false});
        QCOMPARE(SaveSnapshot(path, large), QString());
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QVERIFY(bytes.size() > 4 << 20);
        QVERIFY(bytes == EncodeSnapshot(large));
    }

    void loadFallsBackToFullRefresh_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("hasError");
        QTest::newRow("no file") << QByteArray() << int(SnapshotLoad::Missing) << false;
        QTest::newRow("another version") << hex("0101020000000000") << int(SnapshotLoad::OtherFormat) << false;
        QTest::newRow("empty file") << QByteArray("", 0) << int(SnapshotLoad::Corrupt) << true;
        QTest::newRow("cut in the middle") << EncodeSnapshot(sample()).chopped(9) << int(SnapshotLoad::Corrupt) << true;
        QByteArray badContainer = EncodeSnapshot({tDirectoryRec{u"D"_qs, {}, 0, 0, 0, 0, {tDirDiscInfo{}}, false}});
        badContainer[badContainer.size() - 8] = char(9);
        QTest::newRow("container out of range") << badContainer << int(SnapshotLoad::Corrupt) << true;
    }
    void loadFallsBackToFullRefresh()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(bool, hasError);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"CVB_SmartSync.bin"_qs);
        if (!bytes.isNull())
            writeFile(path, bytes);
        const SnapshotLoad load = LoadSnapshot(path);
        QCOMPARE(int(load.status), status);
        QVERIFY(load.Directories.isEmpty());
        QCOMPARE(!load.error.isEmpty(), hasError);
    }

    void everyTruncationIsCaught()
    {
        const QByteArray full = EncodeSnapshot(sample());
        for (qsizetype n = 0; n < full.size(); ++n) {
            tDirectories value;
            bool threw = false;
            try {
                TKBDynamic::Decode(full.left(n), &value, DirectoriesType(), kSnapshotVersion);
            } catch (const EKBDynamic &e) {
                threw = e.message() == u"Stream read error";
            }
            QVERIFY2(threw, qPrintable(QStringLiteral("prefix of %1 bytes").arg(n)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
