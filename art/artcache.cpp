#include "art/artcache.h"

#include "platform/paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <filesystem>

namespace {

// The copy goes to a temporary name first and is then renamed over the
// target, so a copy that fails half-way leaves an existing cached file as it was.
bool copyFileKeepTime(const QString &source, const QString &target)
{
    const QString partial = target + u".partial"_qs;
    // The folder may have gone since the scan (removed by hand, or by the
    // update of a run that overlapped the scan).
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!CopyFileKeepingTime(source, partial).isEmpty()) {
        QFile::remove(partial);
        return false;
    }
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

bool removeCacheFolder(const QString &directory)
{
    QString path = directory;
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const QFileInfo info(path);
    // A link is removed as a link; what it points to is not the cache's.
    if (info.isSymLink())
        return QFile::remove(path);
    return QDir(path).removeRecursively();
}

const QString kVideoTsPrefix = QStringLiteral("VIDEO_TS\\");
const QString kBdmvPrefix = QStringLiteral("BDMV\\");

} // namespace

QString ArtCacheStoredName(const QString &value, bool fanArt)
{
    if (!fanArt)
        return value;
    QString name = value;
    name.remove(kVideoTsPrefix, Qt::CaseInsensitive);
    name.remove(kBdmvPrefix, Qt::CaseInsensitive);
    return name;
}

bool IsUsableArtCacheID(const QString &id)
{
    return !id.isEmpty() && id != u"." && id != u".." && !id.contains(u'/') && !id.contains(u'\\')
        && !id.contains(QChar(0));
}

QString ArtCacheFilePath(const QString &cachePath, const QString &id, const QString &value, bool fanArt)
{
    if (!IsUsableArtCacheID(id) || value.isEmpty())
        return {};
    return JoinNative(JoinNative(cachePath, id), ArtCacheStoredName(value, fanArt));
}

// One scan's results. A scan only ever writes its own state, so a scan that is
// superseded by a newer one cannot touch the index or flag that is in use.
struct ArtCache::ScanState {
    mutable std::mutex lock;
    QList<tArtCacheDirRec> index; // guarded by lock; grows one complete folder at a time
    std::atomic<bool> done{false};
};

struct ArtCache::ScanThread {
    std::shared_ptr<ScanState> state;
    std::jthread thread;
};

ArtCache::ArtCache(const QString &cachePath)
    : m_cachePath(QDir::fromNativeSeparators(cachePath))
{
    if (!m_cachePath.endsWith(u'/'))
        m_cachePath += u'/';
}

ArtCache::~ArtCache()
{
    for (ScanThread &scan : m_threads)
        scan.thread.request_stop();
    m_threads.clear(); // joins
}

void ArtCache::GetSubDirectoryInfo()
{
    // Finished scans are joined here so that threads do not pile up over many runs.
    std::erase_if(m_threads, [](const ScanThread &scan) { return scan.state->done.load(); });
    for (ScanThread &scan : m_threads)
        scan.thread.request_stop();

    auto state = std::make_shared<ScanState>();
    {
        std::lock_guard guard(m_lock);
        m_scan = state;
    }
    m_threads.push_back({state, std::jthread([this, state](std::stop_token stop) { runScan(stop, state); })});
}

void ArtCache::runScan(std::stop_token stop, const std::shared_ptr<ScanState> &state)
{
    struct SetDone {
        ScanState &state;
        ~SetDone() { state.done.store(true); } // also when the scan ends early
    } setDone{*state};

    {
        // Listing the cache while an update copies into it would record a
        // half-updated cache.
        std::unique_lock guard(m_lock);
        if (!m_copyingDone.wait(guard, stop, [this] { return !m_copying; }))
            return;
    }

    QDir().mkpath(m_cachePath);
    QDirIterator folders(m_cachePath, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (folders.hasNext() && !stop.stop_requested()) {
        folders.next();
        tArtCacheDirRec rec;
        rec.Directory = m_cachePath + folders.fileName() + u'/';
        QDirIterator files(rec.Directory, QDir::Files | QDir::Hidden | QDir::System);
        while (files.hasNext()) {
            files.next();
            const QString fileName = rec.Directory + files.fileName();
            rec.Files.append({fileName, FileAttributeData(fileName).value_or(tFileAttributeData())});
        }
        std::lock_guard guard(state->lock);
        state->index.append(std::move(rec));
    }
}

std::shared_ptr<ArtCache::ScanState> ArtCache::currentScan() const
{
    std::lock_guard guard(m_lock);
    return m_scan;
}

bool ArtCache::ScanDone() const
{
    const auto scan = currentScan();
    return scan && scan->done.load();
}

namespace {

template<typename State>
bool waitForScan(const State &scan, const std::function<void()> &pump, std::chrono::milliseconds poll,
                 std::chrono::milliseconds limit)
{
    const qint64 maxPolls = poll.count() > 0 ? limit.count() / poll.count() : 0;
    for (qint64 polls = 0; !scan.done.load(); ++polls) {
        if (polls >= maxPolls)
            return false;
        std::this_thread::sleep_for(poll);
        if (pump)
            pump();
    }
    return true;
}

} // namespace

bool ArtCache::WaitForScanDone(const std::function<void()> &pump, std::chrono::milliseconds poll,
                               std::chrono::milliseconds limit) const
{
    const auto scan = currentScan();
    return scan && waitForScan(*scan, pump, poll, limit);
}

QList<tArtCacheDirRec> ArtCache::Index() const
{
    const auto scan = currentScan();
    if (!scan)
        return {};
    std::lock_guard guard(scan->lock);
    return scan->index;
}

void ArtCache::setCopying(bool copying)
{
    {
        std::lock_guard guard(m_lock);
        m_copying = copying;
    }
    if (!copying)
        m_copyingDone.notify_all();
}

ArtCacheUpdateResult ArtCache::UpdateLocalArt(const tTitles &titles, const ArtCacheProgress &progress,
                                              std::chrono::milliseconds scanLimit)
{
    ArtCacheUpdateResult result;
    if (m_updating) {
        m_pendingTitles = titles;
        result.deferred = true;
        return result;
    }
    m_updating = true;
    updatePass(titles, progress, scanLimit, result);
    while (m_pendingTitles) {
        const tTitles pending = std::move(*m_pendingTitles);
        m_pendingTitles.reset();
        // The first pass changed the cache; the next one compares against a fresh scan.
        GetSubDirectoryInfo();
        updatePass(pending, progress, scanLimit, result);
    }
    m_updating = false;
    return result;
}

void ArtCache::updatePass(const tTitles &titles, const ArtCacheProgress &progress,
                          std::chrono::milliseconds scanLimit, ArtCacheUpdateResult &result)
{
    const auto processEvents = [&progress] {
        if (progress.processEvents)
            progress.processEvents();
    };
    if (progress.processing)
        progress.processing(QStringLiteral("Caching Artwork"));
    if (progress.totalTitles)
        progress.totalTitles(u"| "_qs + QString::number(titles.Title.size()));
    processEvents();

    QDir().mkpath(m_cachePath);
    if (!currentScan())
        GetSubDirectoryInfo();
    // Held on to: a scan started from an event processed while waiting must not
    // swap the index under this pass.
    const auto scan = currentScan();
    if (!waitForScan(*scan, progress.waitPump, std::chrono::milliseconds(10), scanLimit)) {
        result.scanTimedOut = true;
        if (progress.message)
            progress.message(QStringLiteral("[ERROR] Artwork Cache Directory Scan Timeout"));
    }

    QList<tArtCacheDirRec> index;
    {
        std::lock_guard guard(scan->lock);
        index = scan->index;
    }
    QHash<QString, qsizetype> byDirectory;
    byDirectory.reserve(index.size());
    for (qsizetype i = 0; i < index.size(); ++i)
        byDirectory.insert(index[i].Directory, i);

    setCopying(true);
    struct ClearCopying {
        ArtCache *cache;
        ~ClearCopying() { cache->setCopying(false); }
    } clearCopying{this};

    bool copiedSinceProgress = false;
    bool copyAnnounced = false;
    for (qsizetype i = 0; i < titles.Title.size(); ++i) {
        const tTitle &title = titles.Title[i];
        if (i == 0 || (i + 1) % 10 == 0 || copiedSinceProgress) {
            if (progress.status)
                progress.status(QStringLiteral("Scanning for changes..."));
            if (progress.titleNum)
                progress.titleNum(int(i + 1));
            processEvents();
            copiedSinceProgress = false;
            copyAnnounced = false;
        }
        if (title.ID.isEmpty())
            continue;
        if (!IsUsableArtCacheID(title.ID)) {
            ++result.skippedTitles;
            continue;
        }

        const QString subfolder = m_cachePath + title.ID + u'/';
        const tArtCacheDirRec *cached = nullptr;
        if (const auto found = byDirectory.constFind(subfolder); found != byDirectory.cend()) {
            index[*found].Delete = false;
            cached = &index[*found];
        } else {
            QDir().mkpath(subfolder);
        }

        const struct {
            const QString &value;
            bool fanArt;
        } images[] = {{title.ImgFolder, false}, {title.ImgFanArt, true},
                      {title.ImgCoverFront, false}, {title.ImgCoverBack, false}};
        for (const auto &image : images) {
            if (image.value.isEmpty())
                continue;
            const QString source = JoinNative(title.Directory, image.value);
            const QString target = JoinNative(subfolder, ArtCacheStoredName(image.value, image.fanArt));
            if (cached) {
                const auto file = std::find_if(cached->Files.cbegin(), cached->Files.cend(),
                                               [&target](const tArtCacheFileRec &f) { return f.FileName == target; });
                if (file != cached->Files.cend()) {
                    const auto now = FileAttributeData(source);
                    if (now && now->Size == file->AttrData.Size
                        && now->LastWriteTime == file->AttrData.LastWriteTime) {
                        ++result.upToDate;
                        continue;
                    }
                }
            }
            if (!copyAnnounced) {
                if (progress.status)
                    progress.status(u"Copying Artwork for \""_qs + title.Title + u"\"..."_qs);
                processEvents();
                copyAnnounced = true;
            }
            copiedSinceProgress = true;
            if (copyFileKeepTime(source, target))
                ++result.copied;
            else
                ++result.copyFailed;
        }
    }

    for (const tArtCacheDirRec &rec : std::as_const(index)) {
        if (rec.Delete && QFileInfo::exists(rec.Directory) && removeCacheFolder(rec.Directory))
            ++result.deletedFolders;
    }

    // The index describes the cache as it was before this pass; a later update
    // must not trust it. A scan started meanwhile stays.
    std::lock_guard guard(m_lock);
    if (m_scan == scan)
        m_scan.reset();
}
