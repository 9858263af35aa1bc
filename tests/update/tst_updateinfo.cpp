// The update answer and the package checksum: CRC-64/WE and its text form,
// the answer parser's partial reads, and which answers offer an update.

#include "update/crc64.h"
#include "update/updateinfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray pattern(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char((i * 7 + 3) % 256);
    return data;
}

QByteArray answerXml(const QByteArray &children, const QByteArray &root = "CinevueInfo")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + ">" + children + "</" + root + ">";
}

const QByteArray kFullAnswer = "<Version>1.7.2017.0006</Version><UpgradeType>Optional</UpgradeType>"
                               "<NewVersion>1.8.2018.0001</NewVersion><Changes><![CDATA[Faster sync & <more>]]></Changes>"
                               "<URL>https://example.org/Cinevue_1.8.zip</URL><CRC64>0af0a4f1e359ec62</CRC64>"
                               "<Size>123456</Size>";

tUpdate oldAnswer()
{
    tUpdate u;
    u.Version = u"old version"_qs;
    u.UpgradeType = u"old type"_qs;
    u.NewVersion = u"old new"_qs;
    u.Changes = u"old changes"_qs;
    u.URL = u"old url"_qs;
    u.CRC64 = u"old crc"_qs;
    u.Size = 77;
    return u;
}

tUpdate answerFor(const QString &version, const QString &type, const QString &newVersion)
{
    tUpdate u;
    u.Version = version;
    u.UpgradeType = type;
    u.NewVersion = newVersion;
    return u;
}

} // namespace

class TestUpdateInfo : public QObject
{
    Q_OBJECT

private slots:
    void crc64_data();
    void crc64();
    void crc64Text_data();
    void crc64Text();
    void crc64OfMissingFile();
    void parse_data();
    void parse();
    void decide_data();
    void decide();
    void placeholderVersion();
    void dialogTexts();
};

void TestUpdateInfo::crc64_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << u"0000000000000000"_qs;
    QTest::newRow("check value 123456789") << QByteArray("123456789") << u"0af0a4f1e359ec62"_qs;
    QTest::newRow("one character") << QByteArray("a") << u"9aa9c0ac27f473ce"_qs;
    QTest::newRow("one file block of 61440 bytes") << pattern(61440) << u"3ecd7c74e3db5642"_qs;
    QTest::newRow("a block and one byte more") << pattern(61441) << u"449ccef1ace6d254"_qs;
}

// Over memory in one piece, in two uneven pieces, and over a file read in
// blocks: always the same text.
void TestUpdateInfo::crc64()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, text);
    QCOMPARE(Crc64Text(Crc64::of(data)), text);

    Crc64 pieces;
    pieces.update(QByteArrayView(data).first(data.size() / 3));
    pieces.update(QByteArrayView(data).sliced(data.size() / 3));
    QCOMPARE(Crc64Text(pieces.value()), text);

    QTemporaryDir dir;
    QFile file(dir.filePath(u"package.zip"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    QCOMPARE(FileCrc64Text(file.fileName()), text);
}

void TestUpdateInfo::crc64Text_data()
{
    QTest::addColumn<quint64>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("least significant byte first") << quint64(0x62EC59E3F1A4F00AULL) << u"0af0a4f1e359ec62"_qs;
    QTest::newRow("lower-case digits, leading zeros kept") << quint64(0x00000000000000ABULL) << u"ab00000000000000"_qs;
    QTest::newRow("all ones") << ~quint64(0) << u"ffffffffffffffff"_qs;
}

void TestUpdateInfo::crc64Text()
{
    QFETCH(quint64, value);
    QFETCH(QString, text);
    QCOMPARE(Crc64Text(value), text);
}

void TestUpdateInfo::crc64OfMissingFile()
{
    QTemporaryDir dir;
    QCOMPARE(FileCrc64Text(dir.filePath(u"absent.zip"_qs)), u"0000000000000000"_qs);
    QCOMPARE(FileCrc64Text(dir.path()), u"0000000000000000"_qs); // a folder cannot be read as a file
}

void TestUpdateInfo::parse_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<tUpdate>("expected");

    tUpdate full;
    full.Version = u"1.7.2017.0006"_qs;
    full.UpgradeType = u"Optional"_qs;
    full.NewVersion = u"1.8.2018.0001"_qs;
    full.Changes = u"Faster sync & <more>"_qs;
    full.URL = u"https://example.org/Cinevue_1.8.zip"_qs;
    full.CRC64 = u"0af0a4f1e359ec62"_qs;
    full.Size = 123456;
    QTest::newRow("every field") << answerXml(kFullAnswer) << true << full;

    QTest::newRow("another root element leaves everything") << answerXml(kFullAnswer, "UpdateInfo") << false << oldAnswer();
    QTest::newRow("not XML leaves everything") << QByteArray("<html><body>Not found") << false << oldAnswer();
    QTest::newRow("empty body leaves everything") << QByteArray() << false << oldAnswer();

    tUpdate firstThree = oldAnswer();
    firstThree.Version = full.Version;
    firstThree.UpgradeType = full.UpgradeType;
    firstThree.NewVersion = full.NewVersion;
    QByteArray noChanges = kFullAnswer;
    noChanges.replace("<Changes><![CDATA[Faster sync & <more>]]></Changes>", "");
    QTest::newRow("missing element: the fields before it are new") << answerXml(noChanges) << false << firstThree;

    tUpdate allButSize = full;
    allButSize.Size = 77;
    QByteArray badSize = kFullAnswer;
    badSize.replace("<Size>123456</Size>", "<Size>12 kB</Size>");
    QTest::newRow("bad Size keeps the old Size") << answerXml(badSize) << false << allButSize;
    QByteArray hugeSize = kFullAnswer;
    hugeSize.replace("<Size>123456</Size>", "<Size>4294967296</Size>");
    QTest::newRow("Size beyond 32 bits keeps the old Size") << answerXml(hugeSize) << false << allButSize;

    tUpdate empties = full;
    empties.Changes.clear();
    QByteArray emptyChanges = kFullAnswer;
    emptyChanges.replace("<Changes><![CDATA[Faster sync & <more>]]></Changes>", "<Changes/>");
    QTest::newRow("empty element is an empty text") << answerXml(emptyChanges) << true << empties;

    tUpdate utf8 = full;
    utf8.Changes = u"Neue Übersicht für Filme"_qs;
    QByteArray umlauts = kFullAnswer;
    umlauts.replace("<![CDATA[Faster sync & <more>]]>", "Neue \xc3\x9c" "bersicht f\xc3\xbcr Filme");
    QTest::newRow("UTF-8 text") << answerXml(umlauts) << true << utf8;
}

void TestUpdateInfo::parse()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, complete);
    QFETCH(tUpdate, expected);
    tUpdate update = oldAnswer();
    QCOMPARE(ParseUpdateAnswer(body, update), complete);
    QCOMPARE(update.Version, expected.Version);
    QCOMPARE(update.UpgradeType, expected.UpgradeType);
    QCOMPARE(update.NewVersion, expected.NewVersion);
    QCOMPARE(update.Changes, expected.Changes);
    QCOMPARE(update.URL, expected.URL);
    QCOMPARE(update.CRC64, expected.CRC64);
    QCOMPARE(update.Size, expected.Size);
}

void TestUpdateInfo::decide_data()
{
    QTest::addColumn<tUpdate>("answer");
    QTest::addColumn<UpdateDecision>("decision");
    const QString running = u"1.7.2017.0006"_qs;
    const QString newer = u"1.8.2018.0001"_qs;
    QTest::newRow("optional") << answerFor(running, u"Optional"_qs, newer) << UpdateDecision::Optional;
    QTest::newRow("mandatory") << answerFor(running, u"Mandatory"_qs, newer) << UpdateDecision::Mandatory;
    QTest::newRow("None") << answerFor(running, u"None"_qs, newer) << UpdateDecision::None;
    QTest::newRow("none in lower case is mandatory") << answerFor(running, u"none"_qs, newer) << UpdateDecision::Mandatory;
    QTest::newRow("optional in lower case is mandatory") << answerFor(running, u"optional"_qs, newer) << UpdateDecision::Mandatory;
    QTest::newRow("empty type is mandatory") << answerFor(running, QString(), newer) << UpdateDecision::Mandatory;
    QTest::newRow("answer for another version") << answerFor(u"1.6.2016.0001"_qs, u"Mandatory"_qs, newer) << UpdateDecision::None;
    QTest::newRow("answer for another version, even newer") << answerFor(u"1.7.2017.0007"_qs, u"Optional"_qs, u"9.9.9999.9999"_qs) << UpdateDecision::None;
    QTest::newRow("same NewVersion") << answerFor(running, u"Mandatory"_qs, running) << UpdateDecision::None;
    QTest::newRow("no answer yet") << tUpdate() << UpdateDecision::None;
    QTest::newRow("NewVersion with a slash") << answerFor(running, u"Mandatory"_qs, u"../../bin/x"_qs) << UpdateDecision::None;
    QTest::newRow("NewVersion with a backslash") << answerFor(running, u"Optional"_qs, u"2\\x"_qs) << UpdateDecision::None;
    QTest::newRow("NewVersion beginning with a dot") << answerFor(running, u"Optional"_qs, u".hidden"_qs) << UpdateDecision::None;
    QTest::newRow("empty NewVersion") << answerFor(running, u"Optional"_qs, QString()) << UpdateDecision::None;
}

void TestUpdateInfo::decide()
{
    QFETCH(tUpdate, answer);
    QFETCH(UpdateDecision, decision);
    QCOMPARE(DecideUpdate(answer, u"1.7.2017.0006"_qs), decision);
}

void TestUpdateInfo::placeholderVersion()
{
    QCOMPARE(UpdateCheckVersion(u"1.0.0.0"_qs), u"1.3.2017.1111"_qs);
    QCOMPARE(UpdateCheckVersion(u"1.0.0.0000"_qs), u"1.0.0.0000"_qs);
    QCOMPARE(UpdateCheckVersion(u"1.7.2017.0006"_qs), u"1.7.2017.0006"_qs);
    // The answer is compared with the version the check sends.
    QCOMPARE(DecideUpdate(answerFor(u"1.3.2017.1111"_qs, u"Optional"_qs, u"1.4"_qs), UpdateCheckVersion(u"1.0.0.0"_qs)),
             UpdateDecision::Optional);
}

void TestUpdateInfo::dialogTexts()
{
    tUpdate u = answerFor(u"1.7.2017.0006"_qs, u"Optional"_qs, u"1.8.2018.0001"_qs);
    u.Changes = u"New clock."_qs;
    QCOMPARE(OptionalUpdateText(u),
             u"An new Cinevue update to v.1.8.2018.0001 is available.\n\nNew clock.\n\nUpdate now?"_qs);
    QCOMPARE(MandatoryUpdateText(u),
             u"A mandatory Cinevue Update to v.1.8.2018.0001 is required.\n\nNew clock.\n\nProgram will now update."_qs);
    QVERIFY(PackageManagerUpdateText(u).startsWith(u"A new Cinevue version v.1.8.2018.0001 is available.\n\nNew clock.\n\n"_qs));
    QVERIFY(PackageManagerUpdateText(u).contains(u"package manager"_qs));
}

QTEST_GUILESS_MAIN(TestUpdateInfo)
#include "tst_updateinfo.moc"
