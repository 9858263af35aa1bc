#pragma once
// The folder scan: one MapFilesController thread walks each monitored folder
// into its own tDirectories list; the lists are joined in folder order into
// the new snapshot.
//
// Names are matched as on the file system the collections come from, where
// letter case does not matter: the title XML "mymovies.xml", the per-file XML
// beside a media file, the marker files, the disc folders and the media
// extensions are all found in any letter case. A recorded path uses the name
// as it is on disk, so it can be opened.

#include "app/settings.h"
#include "sync/dirrecords.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>
#include <memory>

struct ScanOptions {
    bool Debug = false;   // tSettings.Debug
    bool PerfMon = false; // tSettings.PerfMon
    // Each debug line of a walk, in order, called under the results lock.
    std::function<void(const QString &line)> DebugLine;
    // Each performance line of a walk, called under the status lock.
    std::function<void(const QString &line)> PerfLine;
    // Stack size of the scan threads in bytes (0: the platform's default).
    // Tests set an impossible size to see a thread that cannot start.
    uint ThreadStackSize = 0;
};

struct FolderScanInfo {
    QString Folder;            // as configured
    QString Root;              // `Directory` of the folder's own entry
    bool RootListable = true;  // false when the folder could not be listed at all
    bool RootEmpty = false;    // listable but without a single entry (an unmounted mount point)
    bool ScanStarted = true;   // false when its scan thread could not be started
    int FirstIndex = 0;        // of its entries in ScanResult::Directories
    int DirectoryCount = 0;
};

// The names one directory held when the scan listed it, each list sorted by
// code units: its regular files (links to one included) and its folders.
// The import looks a title's images up here instead of asking the file
// system again for each possible name.
struct ListedDirectory {
    QStringList Files;
    QStringList Folders;
    bool hasFile(const QString &name) const;
    bool hasFolder(const QString &name) const;
};
// By tDirectoryRec::Directory; directories with a title XML or media only.
using DirectoryListings = QHash<QString, ListedDirectory>;

struct ScanResult {
    tDirectories Directories;      // every folder's list, in folder order
    QList<FolderScanInfo> Folders; // indexed like the configured folders
    DirectoryListings Listings;
};

// What the threads of one scan share. The results lock guards `Results` and
// every debug line; the status lock guards `Folders` (paths and Done flags)
// and every performance line.
struct FolderScanState {
    QList<tScannedFolders> Folders;
    QList<tDirectories> Results;
    QList<DirectoryListings> Listings; // slot k written by thread k only, read after it ended
    QList<bool> RootListable; // slot k written by thread k only, read after it ended
    QList<bool> RootEmpty;    // likewise
    QList<bool> ScanStarted;  // written before the threads are polled
    ScanOptions Options;
    QMutex ResultsLock;
    QMutex StatusLock;
};

class MapFilesController : public QThread
{
public:
    MapFilesController(FolderScanState &state, int folder, QObject *parent = nullptr);
    const int Folder;

protected:
    void run() override;

private:
    FolderScanState &m_state;
};

// Runs one scan: starts a thread per folder, calls `poll` with the Done flags
// every 10 ms until all are set (the caller shows progress and lets its event
// loop run there), waits for the threads to end and joins their lists.
ScanResult ScanFolders(const QList<tScannedFolders> &folders, const ScanOptions &options,
                       const std::function<void(const QList<bool> &done)> &poll = {});

// The progress text: "Building Directory List:" and one line per folder.
QString BuildingDirectoryListText(const QList<tScannedFolders> &folders, const QList<bool> &done);

// " * Scanned 0007 Directories in 0.1234 seconds for path "FOLDER"".
QString ScannedDirectoriesLine(int count, double seconds, const QString &folder);
// " [12.3456] Completed Scanning 42 Directories."
QString CompletedScanningLine(double runSeconds, int total);
// Seconds with four decimals, "0.0000".
QString FormatSeconds(double seconds);

// Whether a monitored folder counts as unavailable: it could not be listed,
// or it lists no entry at all while `previous` holds entries below it. The
// second is how a network share looks on Linux when its mount point is not
// mounted; taking it at its word would remove every title of the share.
bool FolderUnavailable(const FolderScanInfo &info, const tDirectories &previous);

// The joined snapshot with every unavailable folder's entries taken from
// `previous` instead of its lone root entry, so that an offline share keeps
// its titles (they stay unchanged) until it is reachable again. A folder that
// `previous` does not know keeps its root entry. The unavailable folders (as
// configured) are added to `unavailable` when given.
tDirectories KeepUnreachableFolders(const ScanResult &scan, const tDirectories &previous,
                                    QStringList *unavailable = nullptr);
