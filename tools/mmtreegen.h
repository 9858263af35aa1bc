#pragma once
// Synthetic My Movies folder trees for tests, benchmarks and the demo: title
// folders with title XML, stub media (disc folders, ISO, MP4 and MKV files),
// marker files and, optionally, drawn cover and fan-art images. Deterministic
// for a given seed (file contents; file times are those of the writing).
//
// Layout below the root:
//   Collection/<Title (Year)>/...        most movies; "Collection" is a grouping folder
//   Collection/<Box Set>/<Child (Year)>  a box-set parent (XML only) holding its children
//   Collection/Extras/                   images only, no media
//   TV/<Show>/Season N/                  TV seasons with episodes
//   <Title (Year)>/                      a few titles straight below the root

#include <QList>
#include <QString>
#include <QStringList>

enum class MMTitleKind {
    DVDFolder,         // VIDEO_TS folder and mymovies.xml
    BlurayFolder,      // BDMV folder and mymovies.xml
    ISOFile,           // one .iso and mymovies.xml (the XML names the folder)
    MP4File,           // one .mp4 and its per-file XML
    MKVFile,           // one .mkv and its per-file XML
    MultiDiscFolders,  // Disc 1/, Disc 2/ each with VIDEO_TS and its own mymovies.xml (same ID)
    MultiDiscFiles,    // several .iso with one mymovies.xml, or several .mkv whose per-file XMLs share an ID
    TVSeason,          // a season with episodes on several discs
    BoxSetParent,      // mymovies.xml with IsBoxSetParent and no media
    BoxSetChild,       // IsBoxSetChild with ParentTitle ID
    Encrypted,         // mymovies.xml with root EncryptedData, media present
    EncryptedPerFile,  // enciphered per-file XML beside a readable mymovies.xml
    Corrupt,           // not well-formed, or an integer element that is no integer
    MediaOnly,         // media without any title XML
};

QString MMTitleKindName(MMTitleKind kind);

struct MMTreeOptions {
    QString root;              // created when missing
    int titles = 40;           // title folders to write
    quint32 seed = 1;
    bool images = false;       // drawn posters, covers and fan art (needs a QGuiApplication for text)
    bool stubImages = false;   // without `images`: tiny valid JPEGs under the usual names instead
    int imageWidth = 400;      // posters and cover scans
    int imageHeight = 600;
    int fanArtWidth = 1920;
    int fanArtHeight = 1080;
    int jpegQuality = 85;
    // Every kind appears at least once when `titles` allows it; the rest follow
    // realistic proportions (mostly plain movies).
};

struct MMTitleDir {
    QString directory;        // full path of the title folder (the folder of its first disc)
    MMTitleKind kind = MMTitleKind::DVDFolder;
    QString id;               // the ID the import should find; for titles without a usable XML
                              // the folder's last component (the placeholder ID)
    QString title;            // LocalTitle (or the folder name for placeholders)
    QString parentId;         // box-set children: the parent's ID (empty when the XML leaves it out)
    bool readable = true;     // the import reads a title from the XML (false: placeholder or box set error)
    QStringList media;        // full paths of the disc folders and media files
    QStringList xmlFiles;     // full paths of the title XML files written
    QStringList images;       // full paths of the images written
    QStringList markers;      // full paths of the marker files written
};

struct MMTreeResult {
    bool ok = true;
    QString error;            // first write failure
    QList<MMTitleDir> titles;
    QStringList groupDirs;    // grouping folders that hold title folders but no media
    QStringList extrasDirs;   // folders holding only images
    int files = 0;
    qint64 bytes = 0;
};

MMTreeResult GenerateMyMoviesTree(const MMTreeOptions &options);
