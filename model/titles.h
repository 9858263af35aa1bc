#pragma once
// The in-memory collection. Every array is a Qt implicitly shared container, so
// copying a tTitles (for a background writer, say) is cheap and the copy is a
// consistent snapshot that later edits on the main thread do not touch.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Fixed 32-bit types: stored files hold these as 4-byte numbers, and a
// decoder must be able to hold (and then refuse) a number outside the list.
enum tMediaType : qint32 { mtNotSet, mtMovie, mtTV, mtMusic, mtDoc, mtOther };
enum tDiscTypes : qint32 { dtDVD, dtHDDVD, dtBluray, dt4KUltraHD };
enum tContainers : qint32 { ctFolder, ctISO, ctMP4, ctMKV, ctUnknown };

struct tEpisode {
    qint32 Season = 0;
    qint32 EpiNum = 0;
    QString EpiName;
    QString Runtime;
    QString MPLS;
    QString Loc;
    bool operator==(const tEpisode &) const = default;
};

struct tDiscInfo {
    QString Loc;
    tContainers Container = ctFolder;
    QString Name;
    bool InDrive = false;
    QString ChangerSlot;
    QList<tEpisode> Episodes;
    bool operator==(const tDiscInfo &) const = default;
};

struct tAudioTracks {
    QString Channels;
    QString AudioType;
    QString Language;
    bool operator==(const tAudioTracks &) const = default;
};

struct tActor {
    QString Actor;
    QString Role;
    bool operator==(const tActor &) const = default;
};

struct tCrew {
    QStringList Director;
    QStringList Writer;
    QStringList Producer;
    QStringList Cinematography;
    QStringList Editor;
    QStringList Music;
    QStringList Sound;
    QStringList Art;
    bool operator==(const tCrew &) const = default;
};

// Defaults are those of a freshly created record (all fields zero / empty);
// the import and the placeholder builder set the "missing" markers
// (9999, 999, "99990101", ...) themselves.
struct tTitle {
    QString ID;
    QString PID;
    QString Title;
    QString SortTitle;
    QString Directory;
    qint32 CollectionNum = 0;
    QList<tDiscInfo> DiscInfo;
    bool InDrive = false;
    tMediaType MediaType = mtNotSet;
    bool Lent = false;
    bool New = false;
    bool Online = false;
    bool SeriesBoxSetParent = false;
    bool SeriesBoxSetChild = false;
    QString Edition;
    QString AspectRatio;
    QString VideoStandard;
    QList<tAudioTracks> AudioTracks;
    QStringList Subtitles;
    tDiscTypes DiscType = dtDVD;
    QString ImgFolder;
    QString ImgFront;
    QString ImgCoverFront;
    QString ImgCoverBack;
    QString ImgFanArt;
    qint32 Year = 0;
    qint32 Runtime = 0;
    QString ReleaseDate;
    QString AddedDate;
    bool Watched = false;
    bool WatchedCVB = false;
    bool WatchList = false;
    QString Description;
    QString ExtraFeatures;
    qint32 Stars = 0;
    QString Rated;
    QString RatedDesc;
    bool RatedAdult = false;
    bool TVRating = false;
    QStringList Genres;
    QStringList Cats;
    QList<tActor> Actors;
    tCrew Crew;
    bool operator==(const tTitle &) const = default;
};

struct tTitles {
    QStringList MyGenres;
    QStringList MyCats;
    QList<tTitle> Title;
    bool operator==(const tTitles &) const = default;
};

// Value names as stored in files, and their display words.
QString MediaTypeName(tMediaType v);
QString DiscTypeName(tDiscTypes v);
QString ContainerName(tContainers v);
// "DVD Folder", "ISO", "MP4", "MKV", "Unknown"
QString ContainerDisplayWord(tContainers v);
// Exact (case-sensitive) name lookups; std::nullopt for an unknown name.
std::optional<tMediaType> MediaTypeFromName(const QString &name);
std::optional<tDiscTypes> DiscTypeFromName(const QString &name);
std::optional<tContainers> ContainerFromName(const QString &name);

// ISO, MP4 and MKV: a disc that is one media file.
inline bool IsFileContainer(tContainers c) { return c == ctISO || c == ctMP4 || c == ctMKV; }

// The placeholder title for a directory with media but no usable title XML.
// `lastComponent` is the last component of the directory path.
tTitle PlaceholderTitle(const QString &directory, const QString &lastComponent, const QString &errorText);
