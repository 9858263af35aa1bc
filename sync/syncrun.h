#pragma once
// One SmartSync run: brings the collection in line with the monitored folders,
// re-reading only what changed. Runs on the caller's thread and never touches
// the screen: texts go out through SyncProgress and the caller's event loop
// runs in processEvents between steps.

#include "app/settings.h"
#include "model/titles.h"
#include "sync/dirrecords.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ArtCache;
struct ImportContext;
class LocalDatabaseWriter;

struct SyncProgress {
    std::function<void(const QString &)> processing;  // LabelProcessing
    std::function<void(const QString &)> status;      // LabelProcessingStatus
    std::function<void(const QString &)> titleNum;    // LabelTitleNum
    std::function<void(const QString &)> totalTitles; // LabelTotalTitles
    std::function<void()> processEvents;              // let the user interface run
    // Per-folder scan state while the folders are walked.
    std::function<void(const QList<tScannedFolders> &folders, const QList<bool> &done)> scanState;
    // After each directory of the adding phase: how many of how many.
    std::function<void(int done, int total)> adding;
};

struct SyncRunOptions {
    QString appPath;         // program folder, with a trailing separator
    QString progVersion;
    QString lastMountedFile; // the image Virtual CloneDrive mounted last ("ERROR": none)
    LocalDatabaseWriter *databaseWriter = nullptr; // nullptr: the process-wide writer
    ArtCache *artCache = nullptr;                  // nullptr: no cache scan or update
    QDateTime now;                                 // invalid: the current time
    // Non-empty: the previous snapshot does not describe `titles` (their
    // database was missing or could not be loaded) and is not used; the run
    // is a full refresh and the sync error log says why.
    QString distrustSnapshot;
    // Threads that read and parse title files ahead of the import (0: none,
    // the run reads each file as it imports it; -1: one per spare core).
    int readerThreads = -1;
};

struct SyncRunResult {
    int directories = 0;      // in the new snapshot
    int imported = 0;         // directory entries imported (new or changed)
    int removedDiscs = 0;
    int removedTitles = 0;
    int placeholders = 0;
    QStringList errorLog;     // the sync error log's lines
    QStringList rentalList;   // sorted
    QStringList fileErrors;   // logs, reports or the snapshot that could not be written
    QString storeError;       // the database could not be stored (also in fileErrors)
    QStringList unavailableFolders; // monitored folders kept as they were (offline, unmounted)
    bool fullRefresh = false; // there was no usable previous snapshot
};

// The run. `settings.Folders[k].Done` is used for the scan's progress.
// The database is stored (when LocalDB is on) and waited for before the new
// snapshot is saved; when it cannot be stored the snapshot is removed, so the
// next run reads every folder again instead of trusting a snapshot of a
// collection that never reached the disk.
SyncRunResult SyncFolders(tTitles &titles, tSettings &settings, const SyncRunOptions &options,
                          const SyncProgress &progress = {});

// The image Virtual CloneDrive mounted last, from the registry-like store;
// "ERROR" when it cannot be read.
QString LastMountedFile();

// The LabelProcessing heading of a run for the two log settings.
QString SyncingTitlesHeading(bool debug, bool perfMon);

// Builds or updates the placeholder title for disc entry `discIndex` of `dir`,
// whose title XML is missing ("Missing"), enciphered ("Encrypted") or
// unreadable ("Corrupted"). `titleIndex` is -1 when not known; the title is
// then found by its ID, through `ids`' index of the collection when given.
// Returns the title's index; `statusLine` receives the status label's text.
qsizetype SyncException(tTitles &titles, tDirectoryRec &dir, qsizetype discIndex, qsizetype titleIndex,
                        const QString &reason, const QString &lastMountedFile, QString *statusLine = nullptr,
                        bool *appended = nullptr, const ImportContext *ids = nullptr);

// Orders the discs of every multi-disc title by Name (code units, stable).
// Returns the number of discs in such titles.
int SortMultiDiscTitles(tTitles &titles);

// Sorts in ascending code-unit order with a stable neighbour exchange.
void SortByCodeUnits(QStringList &list);
