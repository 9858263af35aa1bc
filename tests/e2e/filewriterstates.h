#pragma once
// The known states that cv_filewriter writes over and over and that
// tst_crashsafety expects to find after a kill: two of each kind, distinct and
// large enough that one write takes some milliseconds. Both programs build
// them from this header, so they agree byte for byte.

#include "app/config.h"
#include "model/titles.h"
#include "sync/dirrecords.h"
#include "tools/collectiongen.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <utility>

namespace crashstates {

// The two states of every kind are called "A" and "B".
inline QString other(const QString &state) { return state == u"A" ? u"B"_qs : u"A"_qs; }
inline int indexOf(const QString &state) { return state == u"B" ? 1 : 0; }

// Incompressible bytes, the same for the same seed.
inline QByteArray noise(quint32 seed, qsizetype size)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; i += 4) {
        const quint32 word = random.generate();
        for (qsizetype k = 0; k < 4 && i + k < size; ++k)
            bytes[i + k] = char(word >> (8 * k));
    }
    return bytes;
}

// ---------------------------------------------------------------- database

inline tTitles databaseState(const QString &state)
{
    CollectionGenOptions options;
    options.titleCount = state == u"A" ? 300 : 450;
    options.seed = state == u"A" ? 11 : 12;
    return GenerateCollection(options);
}

// ---------------------------------------------------------------- snapshot

inline tDirectories snapshotState(const QString &state)
{
    const int count = state == u"A" ? 12000 : 18000;
    QRandomGenerator random(state == u"A" ? 21 : 22);
    tDirectories directories;
    directories.reserve(count);
    for (int i = 0; i < count; ++i) {
        tDirectoryRec rec;
        rec.Directory = u"/srv/movies-%1/Collection/Title %2 (%3)/"_qs.arg(state).arg(i).arg(1950 + i % 70);
        rec.mmXMLFile = rec.Directory + u"mymovies.xml"_qs;
        rec.FileDate = qint32(random.generate());
        rec.CVBWatchedFileDate = i % 7 == 0 ? qint32(random.generate()) : 0;
        rec.CVBWatchListFileDate = i % 11 == 0 ? qint32(random.generate()) : 0;
        rec.GroupDir = i % 50 == 0;
        for (int d = 0, discs = 1 + i % 3; d < discs; ++d) {
            tDirDiscInfo disc;
            disc.Loc = rec.Directory + u"Disc %1"_qs.arg(d + 1);
            disc.XML = d == 0 ? QString() : disc.Loc + u".mymovies.xml"_qs;
            disc.FileDate = qint32(random.generate());
            disc.Container = d == 2 ? ctISO : ctFolder;
            rec.DiscInfo << disc;
        }
        directories << rec;
    }
    return directories;
}

// ---------------------------------------------------------------- configuration

inline tSettings configState(const QString &state)
{
    const bool a = state == u"A";
    tSettings s;
    for (int i = 0, count = a ? 4000 : 6000; i < count; ++i)
        s.Folders << tScannedFolders{u"/srv/share-%1/Movies/Folder number %2 of the %1 settings/"_qs.arg(state).arg(i)};
    s.AutoScan = a;
    s.DefaultSort = a ? SortAddedDes : SortProdYearAsc;
    s.DefaultShowWatched = !a;
    s.ISOMountTimeout = a ? 45 : 90;
    s.VCDFilePath = u"/opt/mount-%1/cinevue-mount"_qs.arg(state);
    s.VCDDriveLetter = a ? u"V"_qs : u"W"_qs;
    s.PDVD.OtherOptions = u"/options-of-%1"_qs.arg(state);
    s.LocalArt = a;
    s.MaxActors = a ? 40 : 300;
    s.ShowClock = a;
    s.DetailsDelay = a ? 3 : 9;
    s.ScreenSaverDelay = a ? 2 : 7;
    return s;
}

// ---------------------------------------------------------------- artwork cache

// Title i of a state; A has IDs 0..23 and B 4..27, so each update both adds
// and removes cache folders. A title's images lie below
// <sources>/<state>/<id>/ and differ in size between the states.
inline QList<int> artTitleNumbers(const QString &state)
{
    QList<int> numbers;
    for (int i = state == u"A" ? 0 : 4, end = i + 24; i < end; ++i)
        numbers << i;
    return numbers;
}

// The image fields of a title and the name each is cached under.
struct ArtImage {
    QString tTitle::*field;
    QString value;
    QString storedName;
};
inline QList<ArtImage> artImages()
{
    return {{&tTitle::ImgFolder, u"folder.jpg"_qs, u"folder.jpg"_qs},
            {&tTitle::ImgFanArt, u"VIDEO_TS\\fanart.jpg"_qs, u"fanart.jpg"_qs},
            {&tTitle::ImgCoverFront, u"front.jpg"_qs, u"front.jpg"_qs},
            {&tTitle::ImgCoverBack, u"back.jpg"_qs, u"back.jpg"_qs}};
}

inline QString artId(int number) { return u"art-title-%1"_qs.arg(number, 3, 10, QLatin1Char('0')); }

inline QByteArray artImageBytes(const QString &state, int number, int image)
{
    const qsizetype size = (state == u"A" ? 40000 : 65000) + number * 97 + image * 1013;
    return noise(quint32(1000 * number + 10 * image + indexOf(state)), size);
}

inline tTitles artState(const QString &state, const QString &sources)
{
    tTitles titles;
    for (int number : artTitleNumbers(state)) {
        tTitle t;
        t.ID = artId(number);
        t.Title = u"Artwork title %1"_qs.arg(number);
        t.Directory = sources + u'/' + state + u'/' + t.ID;
        for (const ArtImage &image : artImages())
            t.*image.field = image.value;
        titles.Title << t;
    }
    return titles;
}

// ---------------------------------------------------------------- update packages

inline QString packageVersion(const QString &state) { return state == u"A" ? u"2.0.0.0001"_qs : u"2.0.0.0002"_qs; }
inline QString packageFileName(const QString &state) { return u"package-%1.zip"_qs.arg(state); }
inline QByteArray programHeader(const QString &state) { return "Cinevue program " + state.toLatin1() + '\n'; }

// Entries of a package by relative path. Both hold the program, a library and
// forty data files; each also has a file the other lacks, B's in a folder of
// its own, so that installing B over A adds a folder.
inline QList<std::pair<QString, QByteArray>> packageFiles(const QString &state)
{
    const quint32 base = state == u"A" ? 100 : 200;
    QList<std::pair<QString, QByteArray>> files;
    files.append({u"cinevue"_qs, programHeader(state) + noise(base, 700000)});
    files.append({u"lib/libcore.so"_qs, noise(base + 1, 900000)});
    for (int i = 0; i < 40; ++i)
        files.append({u"share/data/file%1.dat"_qs.arg(i, 2, 10, QLatin1Char('0')), noise(base + 10 + i, 6000 + 50 * i)});
    if (state == u"A")
        files.append({u"lib/plugins/a-only.so"_qs, noise(base + 2, 30000)});
    else
        files.append({u"lib/b-only/b-only.so"_qs, noise(base + 2, 30000)});
    return files;
}

} // namespace crashstates
