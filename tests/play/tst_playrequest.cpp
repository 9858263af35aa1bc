// cinevue-play's rules without mpv: what a PowerDVD command line asks for,
// which disc or file it resolves to (folders, images, the virtual drive),
// what mpv is given, and when a title counts as watched. Disc images are
// built here byte by byte: just the headers that tell a disc's kind.

#include "platform/discimage.h"
#include "platform/virtualdrive.h"
#include "play/playrequest.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

Q_DECLARE_METATYPE(tPlayRequest)

namespace {

constexpr qsizetype kSector = 2048;

void putBothEndian32(QByteArray &b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i) {
        b[at + i] = char((v >> (8 * i)) & 0xFF);
        b[at + 7 - i] = char((v >> (8 * i)) & 0xFF);
    }
}

void putDirectoryRecord(QByteArray &b, qsizetype at, quint32 extent, const QByteArray &name)
{
    const int length = 33 + int(name.size()) + (name.size() % 2 == 0 ? 1 : 0);
    b[at] = char(length);
    putBothEndian32(b, at + 2, extent);
    putBothEndian32(b, at + 10, quint32(kSector));
    b[at + 25] = 0x02; // a folder
    b[at + 32] = char(name.size());
    std::memcpy(b.data() + at + 33, name.constData(), size_t(name.size()));
}

// An ISO 9660 image whose root holds `folders`.
QByteArray isoImage(const QByteArray &volume, const QList<QByteArray> &folders)
{
    QByteArray b(20 * kSector, '\0');
    const qsizetype pvd = 16 * kSector;
    b[pvd] = 1;
    std::memcpy(b.data() + pvd + 1, "CD001", 5);
    b[pvd + 6] = 1;
    const QByteArray label = volume.leftJustified(32, ' ');
    std::memcpy(b.data() + pvd + 40, label.constData(), 32);
    putDirectoryRecord(b, pvd + 156, 18, QByteArray(1, '\0'));
    const qsizetype end = 17 * kSector;
    b[end] = char(255);
    std::memcpy(b.data() + end + 1, "CD001", 5);
    qsizetype at = 18 * kSector;
    for (const QByteArray &name : QList<QByteArray>{QByteArray(1, '\0'), QByteArray(1, '\1')} + folders) {
        putDirectoryRecord(b, at, 19, name);
        at += uchar(b.at(at));
    }
    return b;
}

// A UDF-only image: just the volume recognition sequence.
QByteArray udfImage(const char *nsr)
{
    QByteArray b(20 * kSector, '\0');
    const char *ids[] = {"BEA01", nsr, "TEA01"};
    for (int i = 0; i < 3; ++i) {
        b[(16 + i) * kSector + 6] = 1;
        std::memcpy(b.data() + (16 + i) * kSector + 1, ids[i], 5);
    }
    return b;
}

void write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestPlayRequest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void inspectImage_data();
    void inspectImage();
    void resolve_data();
    void resolve();
    void mpvArguments_data();
    void mpvArguments();
    void watchedRule_data();
    void watchedRule();
};

void TestPlayRequest::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<tPlayRequest>("request");

    using F = tPlayRequest::Form;
    QTest::newRow("path") << QStringList{u"/m/Alien (1979)"_qs, u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs,
                                         u"/fullscreen_mode_on"_qs}
                          << true
                          << tPlayRequest{F::Path, u"/m/Alien (1979)"_qs, {}, {}, u"PowerDVDCinema"_qs,
                                          {u"/fullscreen_mode_on"_qs}};
    QTest::newRow("path that looks like an option")
        << QStringList{u"-rf"_qs, u"/LaunchProgram"_qs, u"PowerDVD"_qs} << true
        << tPlayRequest{F::Path, u"-rf"_qs, {}, {}, u"PowerDVD"_qs, {}};
    QTest::newRow("AutoPlay, DVD") << QStringList{u"AUTOPLAY"_qs, u"DVD"_qs, u"V:\\"_qs, u"/LaunchProgram"_qs,
                                                  u"PowerDVD"_qs}
                                   << true << tPlayRequest{F::AutoPlay, {}, u"DVD"_qs, u"V"_qs, u"PowerDVD"_qs, {}};
    QTest::newRow("AutoPlay, empty kind")
        << QStringList{u"AUTOPLAY"_qs, u"v:\\"_qs, u"/LaunchProgram"_qs, u"PowerCinema"_qs, u"/a"_qs, u"/b"_qs}
        << true << tPlayRequest{F::AutoPlay, {}, {}, u"v"_qs, u"PowerCinema"_qs, {u"/a"_qs, u"/b"_qs}};
    QTest::newRow("virtual drive") << QStringList{u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs, u"/fullscreen_mode_on"_qs}
                                   << true
                                   << tPlayRequest{F::Drive, {}, {}, {}, u"PowerDVDCinema"_qs, {u"/fullscreen_mode_on"_qs}};
    QTest::newRow("nothing") << QStringList() << false << tPlayRequest();
    QTest::newRow("AutoPlay without drive") << QStringList{u"AUTOPLAY"_qs} << false << tPlayRequest();
    QTest::newRow("AutoPlay, kind without drive") << QStringList{u"AUTOPLAY"_qs, u"BR"_qs, u"/LaunchProgram"_qs}
                                                  << false << tPlayRequest();
}

void TestPlayRequest::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, ok);
    QFETCH(tPlayRequest, request);
    const tPlayRequestResult result = ParsePlayRequest(arguments);
    QCOMPARE(result.Request.has_value(), ok);
    QCOMPARE(result.Error.isEmpty(), ok);
    if (ok)
        QCOMPARE(*result.Request, request);
}

void TestPlayRequest::inspectImage_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("label");

    QTest::newRow("DVD image") << isoImage("ALIEN", {"AUDIO_TS", "VIDEO_TS"}) << int(tDiscKind::DVD) << u"ALIEN"_qs;
    QTest::newRow("Blu-ray image with ISO names") << isoImage("HEAT_1995", {"BDMV", "CERTIFICATE"})
                                                  << int(tDiscKind::Bluray) << u"HEAT_1995"_qs;
    QTest::newRow("data disc") << isoImage("BACKUP", {"PHOTOS"}) << int(tDiscKind::Unknown) << u"BACKUP"_qs;
    QTest::newRow("UDF 2.x only: Blu-ray") << udfImage("NSR03") << int(tDiscKind::Bluray) << QString();
    QTest::newRow("UDF 1.02 only: DVD") << udfImage("NSR02") << int(tDiscKind::DVD) << QString();
    QTest::newRow("no image") << QByteArray(100000, 'x') << int(tDiscKind::Unknown) << QString();
    QTest::newRow("short file") << QByteArray("CD001") << int(tDiscKind::Unknown) << QString();
    QByteArray broken = isoImage("BROKEN", {"VIDEO_TS"});
    broken[16 * kSector + 156 + 2] = char(0x7F); // root folder far beyond the end
    QTest::newRow("root folder outside the file") << broken << int(tDiscKind::Unknown) << u"BROKEN"_qs;
}

void TestPlayRequest::inspectImage()
{
    QFETCH(QByteArray, content);
    QFETCH(int, kind);
    QFETCH(QString, label);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"disc.iso"_qs);
    write(path, content);
    const tDiscImageInfo info = InspectDiscImage(path);
    QCOMPARE(int(info.Kind), kind);
    QCOMPARE(info.VolumeLabel, label);
}

void TestPlayRequest::resolve_data()
{
    // Paths below the scratch folder are written with "@/"; "mount" attaches
    // an image to V first ("letter=name").
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mount");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("media");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("loc");
    QTest::addColumn<QString>("error");

    const QStringList lp{u"/LaunchProgram"_qs, u"PowerDVDCinema"_qs};
    const int dvd = int(tDiscKind::DVD);
    const int bd = int(tDiscKind::Bluray);
    const int file = int(tDiscKind::Unknown);
    QTest::newRow("DVD folder") << QStringList{u"@/Alien"_qs} + lp << QString() << dvd << u"@/Alien"_qs
                                << u"Alien"_qs << u"@/Alien"_qs << QString();
    QTest::newRow("VIDEO_TS itself") << QStringList{u"@/Alien/VIDEO_TS"_qs} + lp << QString() << dvd
                                     << u"@/Alien/VIDEO_TS"_qs << u"Alien"_qs << u"@/Alien/VIDEO_TS"_qs << QString();
    QTest::newRow("lower-case video_ts") << QStringList{u"@/Up"_qs} + lp << QString() << dvd << u"@/Up"_qs << u"Up"_qs
                                         << u"@/Up"_qs << QString();
    QTest::newRow("Blu-ray folder") << QStringList{u"@/Heat"_qs} + lp << QString() << bd << u"@/Heat"_qs
                                    << u"Heat"_qs << u"@/Heat"_qs << QString();
    QTest::newRow("BDMV itself: the disc is its parent") << QStringList{u"@/Heat/BDMV"_qs} + lp << QString() << bd
                                                        << u"@/Heat"_qs << u"Heat"_qs << u"@/Heat/BDMV"_qs
                                                        << QString();
    QTest::newRow("both: Blu-ray") << QStringList{u"@/Both"_qs} + lp << QString() << bd << u"@/Both"_qs << u"Both"_qs
                                   << u"@/Both"_qs << QString();
    QTest::newRow("MKV file") << QStringList{u"@/Files/-Heat & Co.mkv"_qs} + lp << QString() << file
                              << u"@/Files/-Heat & Co.mkv"_qs << u"-Heat & Co"_qs << u"@/Files/-Heat & Co.mkv"_qs
                              << QString();
    QTest::newRow("ISO given as a path") << QStringList{u"@/Images/alien.iso"_qs} + lp << QString() << dvd
                                         << u"@/Images/alien.iso"_qs << u"alien"_qs << u"@/Images/alien.iso"_qs
                                         << QString();
    QTest::newRow("folder without a disc") << QStringList{u"@/Empty"_qs} + lp << QString() << file << QString()
                                           << QString() << QString() << u"holds no VIDEO_TS or BDMV"_qs;
    QTest::newRow("missing") << QStringList{u"@/Nothing"_qs} + lp << QString() << file << QString() << QString()
                             << QString() << u"does not exist"_qs;
    QTest::newRow("AutoPlay DVD") << QStringList{u"AUTOPLAY"_qs, u"DVD"_qs, u"V:\\"_qs} + lp << u"V=heat.iso"_qs
                                  << dvd << u"@/Images/heat.iso"_qs << u"heat"_qs << u"@/Images/heat.iso"_qs
                                  << QString();
    QTest::newRow("AutoPlay BR: the kind wins") << QStringList{u"AUTOPLAY"_qs, u"BR"_qs, u"v:\\"_qs} + lp
                                                << u"V=alien.iso"_qs << bd << u"@/Images/alien.iso"_qs << u"alien"_qs
                                                << u"@/Images/alien.iso"_qs << QString();
    QTest::newRow("AutoPlay, no kind: guessed") << QStringList{u"AUTOPLAY"_qs, u"V:\\"_qs} + lp << u"V=heat.iso"_qs
                                                << bd << u"@/Images/heat.iso"_qs << u"heat"_qs
                                                << u"@/Images/heat.iso"_qs << QString();
    QTest::newRow("AutoPlay, no kind, no disc image: a file")
        << QStringList{u"AUTOPLAY"_qs, u"V:\\"_qs} + lp << u"V=data.iso"_qs << file << u"@/Images/data.iso"_qs
        << u"data"_qs << u"@/Images/data.iso"_qs << QString();
    QTest::newRow("AutoPlay, empty drive") << QStringList{u"AUTOPLAY"_qs, u"DVD"_qs, u"V:\\"_qs} + lp << QString()
                                           << file << QString() << QString() << QString() << u"No disc in drive"_qs;
    QTest::newRow("AutoPlay, unknown drive") << QStringList{u"AUTOPLAY"_qs, u"DVD"_qs, u"Q:\\"_qs} + lp
                                             << u"V=heat.iso"_qs << file << QString() << QString() << QString()
                                             << u"There is no drive Q:"_qs;
    QTest::newRow("virtual drive") << lp << u"W=alien.iso"_qs << dvd << u"@/Images/alien.iso"_qs << u"alien"_qs
                                   << u"@/Images/alien.iso"_qs << QString();
    QTest::newRow("virtual drive, nothing mounted") << lp << QString() << file << QString() << QString() << QString()
                                                    << u"No disc in the virtual drive"_qs;
}

void TestPlayRequest::resolve()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, mount);
    QFETCH(int, kind);
    QFETCH(QString, media);
    QFETCH(QString, name);
    QFETCH(QString, loc);
    QFETCH(QString, error);

    QTemporaryDir root;
    const QString base = root.path();
    for (const char *folder : {"Alien/VIDEO_TS", "Up/video_ts", "Heat/BDMV", "Both/VIDEO_TS", "Both/BDMV", "Empty/JUNK"})
        QVERIFY(QDir().mkpath(base + u'/' + QString::fromLatin1(folder)));
    write(base + u"/Files/-Heat & Co.mkv"_qs, "mkv");
    write(base + u"/Images/alien.iso"_qs, isoImage("ALIEN", {"VIDEO_TS"}));
    write(base + u"/Images/heat.iso"_qs, udfImage("NSR03"));
    write(base + u"/Images/data.iso"_qs, isoImage("DATA", {"DOCS"}));
    FileRegistryStore store(base + u"/Registry.ini"_qs);
    if (!mount.isEmpty())
        QVERIFY(AttachImage(store, mount.at(0), base + u"/Images/"_qs + mount.mid(2)));

    const auto expand = [&](QString text) { return text.replace(u"@/"_qs, base + u'/'); };
    QStringList expanded;
    for (const QString &a : arguments)
        expanded << expand(a);
    const tPlayRequestResult parsed = ParsePlayRequest(expanded);
    QVERIFY(parsed.Request);
    const tPlaybackSourceResult result = ResolvePlaybackSource(*parsed.Request, store);
    if (!error.isEmpty()) {
        QVERIFY(!result.Source);
        QVERIFY2(result.Error.contains(error), qPrintable(result.Error));
        return;
    }
    QVERIFY2(result.Source, qPrintable(result.Error));
    QCOMPARE(int(result.Source->Kind), kind);
    QCOMPARE(result.Source->Media, expand(media));
    QCOMPARE(result.Source->Name, name);
    QCOMPARE(result.Source->Loc, expand(loc));
}

void TestPlayRequest::mpvArguments_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("media");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("display");
    QTest::addColumn<QStringList>("expected");

    const QStringList common{u"--input-conf=/t/input.conf"_qs, u"--input-ipc-server=/t/mpv.sock"_qs,
                             u"--watch-later-directory=/home/Cache/watch_later"_qs, u"--save-position-on-quit"_qs};
    const QStringList screen{u"--fullscreen"_qs, u"--force-window=yes"_qs};
    const QStringList headless{u"--vo=null"_qs, u"--ao=null"_qs};
    QTest::newRow("DVD folder on a display")
        << int(tDiscKind::DVD) << u"/m/Alien"_qs << u"Alien"_qs << true
        << QStringList{u"--pause"_qs, u"--title=Alien - Cinevue Player (PowerDVD)"_qs} + common + screen
               + QStringList{u"--dvd-device=/m/Alien"_qs, u"--"_qs, u"dvd://"_qs};
    QTest::newRow("Blu-ray image headless")
        << int(tDiscKind::Bluray) << u"/i/heat.iso"_qs << u"heat"_qs << false
        << QStringList{u"--pause"_qs, u"--title=heat - Cinevue Player (PowerDVD)"_qs} + common + headless
               + QStringList{u"--bluray-device=/i/heat.iso"_qs, u"--"_qs, u"bd://"_qs};
    QTest::newRow("file named like an option, title with $")
        << int(tDiscKind::Unknown) << u"/m/--help.mkv"_qs << u"Cost $5 ${path}"_qs << false
        << QStringList{u"--pause"_qs, u"--title=Cost $$5 $${path} - Cinevue Player (PowerDVD)"_qs} + common
               + headless + QStringList{u"--"_qs, u"/m/--help.mkv"_qs};
}

void TestPlayRequest::mpvArguments()
{
    QFETCH(int, kind);
    QFETCH(QString, media);
    QFETCH(QString, name);
    QFETCH(bool, display);
    QFETCH(QStringList, expected);
    tPlaybackSource source{u"/loc"_qs, name, tDiscKind(kind), media};
    tMpvSettings settings{display, u"/home/Cache/watch_later"_qs, u"/t/input.conf"_qs, u"/t/mpv.sock"_qs};
    QCOMPARE(MpvArguments(source, settings), expected);
}

void TestPlayRequest::watchedRule_data()
{
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<int>>("watchedAt"); // the messages that made it count as watched
    QTest::addColumn<bool>("failed");

    const auto percent = [](const char *value) {
        return u"{\"event\":\"property-change\",\"id\":1,\"name\":\"percent-pos\",\"data\":%1}"_qs.arg(
            QString::fromLatin1(value));
    };
    const auto chapter = [](const char *name, int value) {
        return u"{\"event\":\"property-change\",\"id\":2,\"name\":\"%1\",\"data\":%2}"_qs.arg(QString::fromLatin1(name))
            .arg(value);
    };
    const auto endFile = [](const char *reason) {
        return u"{\"event\":\"end-file\",\"reason\":\"%1\",\"file_error\":\"unrecognized file format\"}"_qs.arg(
            QString::fromLatin1(reason));
    };
    QTest::newRow("below 90 %") << QStringList{percent("50"), percent("89.9")} << QList<int>() << false;
    QTest::newRow("90 % of the length") << QStringList{percent("50"), percent("90")} << QList<int>{1} << false;
    QTest::newRow("end of the file") << QStringList{percent("12"), endFile("eof")} << QList<int>{1} << false;
    QTest::newRow("stopped by the user") << QStringList{percent("40"), endFile("quit")} << QList<int>() << false;
    QTest::newRow("last chapter") << QStringList{chapter("chapters", 5), chapter("chapter", 3), chapter("chapter", 4)}
                                  << QList<int>{2} << false;
    QTest::newRow("chapter count after the chapter")
        << QStringList{chapter("chapter", 4), chapter("chapters", 5)} << QList<int>{1} << false;
    QTest::newRow("one chapter says nothing") << QStringList{chapter("chapters", 1), chapter("chapter", 0)}
                                              << QList<int>() << false;
    QTest::newRow("eof-reached")
        << QStringList{u"{\"event\":\"property-change\",\"name\":\"eof-reached\",\"data\":true}"_qs} << QList<int>{0}
        << false;
    QTest::newRow("no position yet") << QStringList{percent("null")} << QList<int>() << false;
    QTest::newRow("reported once") << QStringList{percent("95"), percent("99"), endFile("eof")} << QList<int>{0}
                                   << false;
    QTest::newRow("cannot play") << QStringList{endFile("error")} << QList<int>() << true;
    QTest::newRow("other messages") << QStringList{u"{\"request_id\":0,\"error\":\"success\"}"_qs,
                                                   u"{\"event\":\"playback-restart\"}"_qs}
                                    << QList<int>() << false;
}

void TestPlayRequest::watchedRule()
{
    QFETCH(QStringList, messages);
    QFETCH(QList<int>, watchedAt);
    QFETCH(bool, failed);
    PlaybackProgress progress;
    QList<int> at;
    for (int i = 0; i < messages.size(); ++i) {
        const QJsonDocument doc = QJsonDocument::fromJson(messages.at(i).toUtf8());
        QVERIFY2(doc.isObject(), qPrintable(messages.at(i)));
        if (progress.update(doc.object()))
            at.append(i);
    }
    QCOMPARE(at, watchedAt);
    QCOMPARE(progress.watched(), !watchedAt.isEmpty());
    QCOMPARE(progress.failed(), failed);
    QCOMPARE(progress.error(), failed ? u"unrecognized file format"_qs : QString());
}

QTEST_GUILESS_MAIN(TestPlayRequest)
#include "tst_playrequest.moc"
