#pragma once
// Import of one My Movies title XML (mymovies.xml or a per-file XML) into the
// collection: one call per disc entry of a scanned directory.

#include "model/titles.h"
#include "sync/dirrecords.h"
#include "sync/folderscan.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class StringPool;
struct LoadedTitleXml;

// Title XML files larger than this are refused as damaged (a real one,
// hundreds of cast members included, stays far below).
inline constexpr qint64 kMaxTitleXmlBytes = 8 * 1024 * 1024;
// Longer texts of a title XML (a synopsis, a name) are cut to this many bytes.
inline constexpr int kMaxFieldBytes = 64 * 1024;

struct ImportContext {
    // The monitored folder that the directory lies in; used to match disc
    // locations that My Movies recorded on another machine (Windows paths).
    QString monitoredFolder;
    // The file last mounted in Virtual CloneDrive; empty when unknown.
    QString lastMountedFile;
    qint32 maxActors = 500;
    // Collect debug-log lines in ImportResult::debugLines.
    bool debug = false;
    // What the scan of this run listed: a title's images are looked up there
    // when it listed the title's directory. Not owned; may be null.
    const DirectoryListings *listings = nullptr;

    // Index of the collection's titles by ID, kept between the calls of one
    // run so that finding a title does not cost a pass over all of them. It
    // follows appends and reallocations of tTitles.Title by itself; code that
    // changes a title's ID in place (other than through the import) between
    // two calls must call resetIndex().
    void resetIndex() const
    {
        m_ids.clear();
        m_indexed = 0;
        m_titles = nullptr;
        m_lastIndexedId.clear();
    }

    // Texts that repeat from title to title (people, roles, genres,
    // languages) are shared by every title of a run.
    StringPool &strings() const;

private:
    friend struct TitleIndexAccess;
    friend struct ListIndexAccess;
    // The collection's genre and category lists as sets, so that adding a
    // file's genres does not search the whole list for each one. They follow
    // appends by themselves and start over when a list got shorter.
    struct ListIndex {
        QSet<QString> seen;
        qsizetype indexed = 0;
    };
    mutable ListIndex m_genres;
    mutable ListIndex m_cats;
    mutable QHash<QString, qsizetype> m_ids;
    mutable qsizetype m_indexed = 0;
    mutable const void *m_titles = nullptr;
    mutable QString m_lastIndexedId; // ID of title m_indexed - 1 when it was indexed
    mutable std::shared_ptr<StringPool> m_strings;
};

enum class ImportStatus {
    Imported,    // the title was created or updated and the disc attached
    Ignored,     // nothing to import (foreign root element, box-set pseudo disc of a non-parent)
    Placeholder, // the caller builds a placeholder title (SyncException) for `placeholderReason`
};

struct ImportResult {
    ImportStatus status = ImportStatus::Ignored;
    // Imported: index of the title in tTitles.Title. Placeholder: always -1,
    // a rejected file leaves the collection untouched.
    qsizetype titleIndex = -1;
    bool titleAppended = false;  // a new title was appended (show the new count)
    QString statusText;          // the title being imported, for the status label
    QString placeholderReason;   // "Missing", "Encrypted" or "Corrupted"
    QString errorText;           // the sync error log line; empty when none
    QString errorDetail;         // why a file was rejected (parser message, bad field)
    QString rentalTitle;         // set when the edition mentions "rental"
    QStringList debugLines;      // only with ImportContext::debug
};

// Imports disc entry `discIndex` of `dir`: reads its title XML, creates or
// updates the title with the same ID in `collection` (also MyGenres/MyCats),
// attaches the disc and sets the disc entry's Found flag. `loaded`, when
// given, is the disc's title XML as a TitleXmlReader read it ahead; without
// it the file is read here.
ImportResult ImportTitleXML(tDirectoryRec &dir, qsizetype discIndex, const ImportContext &ctx,
                            tTitles &collection, const LoadedTitleXml *loaded = nullptr);

// The index of the last title with `id` in `collection`, or -1, looked up in
// the index of IDs that `ctx` keeps for the collection (see ImportContext).
qsizetype FindTitleById(const ImportContext &ctx, const tTitles &collection, const QString &id);

// Sets the image fields of `title` that are still empty to the names of the
// images that exist in its Directory: per-file names for a media-file disc
// (`discLoc`, `container`), then folder.jpg and the cover scans, then fan art.
// A field naming a file that is gone is emptied first. Pass "BoxSetParent" (or
// an empty location) for a title without a media file. With `listed` (what a
// scan found in the Directory), names are looked up there rather than on disk.
void LookUpImages(tTitle &title, const QString &discLoc, tContainers container,
                  const ListedDirectory *listed = nullptr);

// "7/4/1996" -> "19960704"; with `addedDate` the year part is cut to four
// characters ("12/25/2001 00:00:00" -> "20011225"). "99990101" unless the text
// has exactly three '/'-separated parts.
QString MyMoviesDate(const QString &text, bool addedDate);

// A location as My Movies records it: every "smb:" removed (any case), '/'
// turned into '\'.
QString NormaliseLocation(const QString &location);

// Whether a location from the title XML names `scannedPath` (a disc or a
// directory found by the scan below `monitoredFolder`). See
// docs/location-matching.md.
bool LocationMatches(const QString &location, const QString &scannedPath, const QString &monitoredFolder);
