#pragma once
// The local artwork cache: one folder per title ID below CachePath holding copies
// of the title's folder, fan-art and cover images, kept with the source's size
// and last-write time so that an unchanged image is never copied again.
//
// A sync run starts the cache scan (GetSubDirectoryInfo) at its beginning and
// calls UpdateLocalArt at its end. Every scan works on a state of its own and
// the update works on a copy of the finished index, so a scan left running by
// one run can neither mix its entries into the next run's index nor set the
// next run's scan-done flag, and a scan started while an update is copying
// never changes the index that update reads.

#include "model/titles.h"
#include "platform/filesystem.h"

#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct tArtCacheFileRec {
    QString FileName;            // full path: Directory + file name
    tFileAttributeData AttrData; // as scanned; all zero when it could not be read
    bool operator==(const tArtCacheFileRec &) const = default;
};

struct tArtCacheDirRec {
    QString Directory;           // full path with a trailing separator
    bool Delete = true;          // still unclaimed by a title of the collection
    QList<tArtCacheFileRec> Files;
    bool operator==(const tArtCacheDirRec &) const = default;
};

// The name under which an image field's value is stored in a title's cache
// folder: the value itself, and for fan art without any "VIDEO_TS\" or "BDMV\"
// (letter case ignored), so that fan art from a disc folder lies directly in it.
QString ArtCacheStoredName(const QString &value, bool fanArt);

// Native path of the cached copy of one image of a title: cachePath, the ID,
// a separator and the stored name. Empty when the ID cannot name a cache folder.
QString ArtCacheFilePath(const QString &cachePath, const QString &id, const QString &value, bool fanArt);

// True when an ID can name a folder directly below the cache folder: not empty,
// not "." or "..", and without path separators, so a title can never make the
// update write or delete outside the cache.
bool IsUsableArtCacheID(const QString &id);

// Where UpdateLocalArt's texts go; every member may be left empty.
struct ArtCacheProgress {
    std::function<void(const QString &)> processing;   // LabelProcessing
    std::function<void(const QString &)> status;       // LabelProcessingStatus
    std::function<void(const QString &)> totalTitles;  // LabelTotalTitles
    std::function<void(int)> titleNum;                 // LabelTitleNum
    std::function<void()> processEvents;               // let the screen process pending events
    std::function<void(const QString &)> message;      // message box
    // Called between the 10 ms polls while the update waits for the scan; left
    // empty the wait blocks the main thread as a plain sleep loop.
    std::function<void()> waitPump;
};

struct ArtCacheUpdateResult {
    // The call came while another update was running; its collection was handed
    // to that update, which applies it as soon as it has finished its own.
    bool deferred = false;
    int copied = 0;          // images copied (or replaced)
    int upToDate = 0;        // images whose cached copy was current
    int copyFailed = 0;      // copies that failed; an existing copy stays as it was
    int skippedTitles = 0;   // titles without a usable ID
    int deletedFolders = 0;  // folders of titles that left the collection
    bool scanTimedOut = false;
};

class ArtCache
{
public:
    // cachePath: CachePath, with or without its trailing separator.
    explicit ArtCache(const QString &cachePath);
    // Stops and joins any scan still running.
    ~ArtCache();
    ArtCache(const ArtCache &) = delete;
    ArtCache &operator=(const ArtCache &) = delete;

    // The cache folder path, with a trailing separator.
    QString CachePath() const { return m_cachePath; }

    // Starts the cache scan on its own thread. A scan still running from an
    // earlier call is told to stop and goes on only into its own, discarded state.
    void GetSubDirectoryInfo();

    // The scan-done flag of the current scan (false when no scan was started).
    bool ScanDone() const;

    // Polls the scan-done flag every `poll`, calling `pump` between polls, for at
    // most `limit`. Returns whether the scan finished in time (false at once when
    // no scan was started).
    bool WaitForScanDone(const std::function<void()> &pump = {},
                         std::chrono::milliseconds poll = std::chrono::milliseconds(10),
                         std::chrono::milliseconds limit = std::chrono::minutes(10)) const;

    // A copy of the current scan's index as it stands.
    QList<tArtCacheDirRec> Index() const;

    // Brings the cache in line with the collection: copies new and changed
    // images, leaves current ones alone and deletes the folders of titles that
    // left the collection. Waits for the scan first (starting one when none was
    // started). A call made while another update is still running (from an event
    // processed during the first) returns at once with `deferred` set; the running
    // update then makes a second pass for that collection over a fresh scan.
    ArtCacheUpdateResult UpdateLocalArt(const tTitles &titles, const ArtCacheProgress &progress = {},
                                        std::chrono::milliseconds scanLimit = std::chrono::minutes(10));

private:
    struct ScanState;
    struct ScanThread;
    void runScan(std::stop_token stop, const std::shared_ptr<ScanState> &state);
    std::shared_ptr<ScanState> currentScan() const;
    void updatePass(const tTitles &titles, const ArtCacheProgress &progress,
                    std::chrono::milliseconds scanLimit, ArtCacheUpdateResult &result);
    void setCopying(bool copying);

    QString m_cachePath;
    mutable std::mutex m_lock;               // guards m_scan (the pointer) and m_copying
    std::condition_variable_any m_copyingDone;
    std::shared_ptr<ScanState> m_scan;
    bool m_copying = false;                  // an update is changing the cache; scans wait for it
    std::vector<ScanThread> m_threads;       // joined at the latest on destruction
    // Main thread only.
    bool m_updating = false;
    std::optional<tTitles> m_pendingTitles;
};
