#include "app/collection.h"

#include "art/artcache.h"
#include "platform/filesystem.h"
#include "platform/paths.h"
#include "sync/reports.h"
#include "sync/snapshot.h"

#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <QSet>

namespace {

// A packed time with month 0 (the date word 1), which no file has: a marker
// time set to it differs from whatever the next scan finds.
constexpr qint32 kNoFileTime = qint32(1) << 16;

// Forgets the marker times of `folders` in the snapshot, so that the next
// sync reads those folders again and takes their titles' flags from the files.
void forgetMarkerTimes(const QString &snapshotPath, const QStringList &folders)
{
    SnapshotLoad snapshot = LoadSnapshot(snapshotPath);
    if (!snapshot.loaded())
        return;
    QSet<QString> forget;
    for (const QString &folder : folders)
        forget.insert(WithoutTrailingSeparators(folder));
    bool changed = false;
    for (tDirectoryRec &rec : snapshot.Directories) {
        if (!forget.contains(WithoutTrailingSeparators(rec.Directory)))
            continue;
        rec.CVBWatchedFileDate = kNoFileTime;
        rec.CVBNotWatchedFileDate = kNoFileTime;
        rec.CVBWatchListFileDate = kNoFileTime;
        changed = true;
    }
    // Without a snapshot the next sync reads every folder, which is right too.
    if (changed && !SaveSnapshot(snapshotPath, snapshot.Directories).isEmpty())
        QFile::remove(snapshotPath);
}

// A toggle changes the marker files first and stores the database after.
// Should the program end in between, the next sync must read the title again
// and take its flags from the files; but a marker toggled back and forth, or
// made again within the two seconds a file time resolves, looks unchanged to
// the snapshot. So before the markers change, the title's folders are added
// to this journal (one line each, cheap at any collection size), and the
// next sync first makes the snapshot forget their marker times.
QString MarkerJournalPath(const QString &appPath)
{
    return JoinNative(appPath, u"CVB_PendingMarkers.txt"_qs);
}

constexpr qint64 kMaxJournalBytes = qint64(64) << 20;

bool addToMarkerJournal(const QString &appPath, const QStringList &folders)
{
    QFile journal(MarkerJournalPath(appPath));
    if (!journal.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    QByteArray lines;
    for (const QString &folder : folders)
        lines += folder.toUtf8() + '\n';
    return journal.write(lines) == lines.size() && journal.flush();
}

// Applies and removes the journal before a sync. A journal that cannot be
// read (or is not a plain file) removes the snapshot: a full refresh reads
// every folder, which covers whatever it held.
void applyMarkerJournal(const QString &appPath)
{
    const QString path = MarkerJournalPath(appPath);
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return;
    const RegularFileRead read = ReadRegularFile(path, kMaxJournalBytes);
    if (read.ok()) {
        QStringList folders;
        for (const QByteArray &line : read.data.split('\n'))
            if (!line.isEmpty())
                folders << QString::fromUtf8(line);
        forgetMarkerTimes(SmartSyncFile(appPath), folders);
    } else {
        QFile::remove(SmartSyncFile(appPath));
    }
    QFile::remove(path);
}

} // namespace

// Marks the object busy for the length of one job; jobs never nest.
class Collection::JobGuard
{
public:
    JobGuard(Collection &owner, Job job) : m_owner(owner)
    {
        m_owner.m_job = job;
        emit m_owner.busyChanged(true);
    }
    ~JobGuard()
    {
        m_owner.m_job = Job::None;
        emit m_owner.busyChanged(false);
    }

private:
    Collection &m_owner;
};

Collection::Collection(const QString &appPath, const QString &progVersion, QObject *parent)
    : QObject(parent),
      m_appPath(WithTrailingSeparator(appPath)),
      m_progVersion(progVersion),
      m_writer(std::make_unique<LocalDatabaseWriter>())
{
    // The writer reports from its own thread; the signal is passed on to
    // the thread that owns this object.
    connect(m_writer.get(), &LocalDatabaseWriter::writeFailed, this, &Collection::storeFailed,
            Qt::QueuedConnection);
}

Collection::~Collection()
{
    // Finishes what was requested before the collection goes.
    m_writer.reset();
}

const ViewListIndex &Collection::viewIndex()
{
    if (!m_index.isBuiltFrom(m_titles)) {
        m_index.update(m_titles);
        // The view list in front waits only for its own sort order; the
        // other orders and the search texts are made meanwhile.
        // Its own thread: the shared pool stays free for cover composition.
        m_indexWorker.setMaxThreadCount(1);
        m_indexWorker.clear(); // an older index still waiting is not needed any more
        (void)QtConcurrent::run(&m_indexWorker, [index = m_index] { index.prepare(); });
    }
    return m_index;
}

ArtCache &Collection::artCache()
{
    if (!m_artCache)
        m_artCache = std::make_unique<ArtCache>(CachePath(m_appPath));
    return *m_artCache;
}

void Collection::setTitles(const tTitles &titles, bool trusted)
{
    m_titles = titles;
    m_trusted = trusted;
    emit changed();
}

LoadResult Collection::load(bool autoScan, const QString &lastMountedFile, const LoadProgress &progress)
{
    if (isBusy())
        return {};
    JobGuard guard(*this, Job::Loading);
    LoadResult result = LoadLocalDatabase(m_appPath, m_progVersion, autoScan, lastMountedFile,
                                          QDateTime::currentDateTime(), progress);
    if (result.status == LoadResult::Loaded) {
        m_titles = std::move(result.titles);
        result.titles = {};
        m_trusted = true;
        emit changed();
    } else {
        // Whatever the snapshot says, it does not describe an empty
        // collection; the next sync reads every folder again.
        m_trusted = false;
    }
    return result;
}

Collection::SyncOutcome Collection::sync(tSettings &settings, const SyncProgress &progress)
{
    SyncOutcome outcome;
    if (isBusy())
        return outcome;
    JobGuard guard(*this, Job::Syncing);
    outcome.ran = true;

    SyncRunOptions options;
    options.appPath = m_appPath;
    options.progVersion = m_progVersion;
    options.lastMountedFile = LastMountedFile();
    options.databaseWriter = m_writer.get();
    options.artCache = &artCache();
    if (!m_trusted) {
        outcome.untrustedReason = QFile::exists(DatabaseFilePath(m_appPath))
                                      ? u"the local database \"CinevueDB.xml\" was not loaded"_qs
                                      : u"the local database \"CinevueDB.xml\" is missing"_qs;
        options.distrustSnapshot = outcome.untrustedReason;
    }
    applyMarkerJournal(m_appPath);
    outcome.run = ::SyncFolders(m_titles, settings, options, progress);
    outcome.storeError = outcome.run.storeError;
    // With LocalDB off nothing was stored, so nothing on disk describes
    // these titles either.
    m_trusted = settings.LocalDB && outcome.storeError.isEmpty();
    emit changed();
    return outcome;
}

MarkerResult Collection::toggle(qint32 titleIndex, MarkerResult (*toggleMarker)(tTitle &))
{
    if (isBusy())
        return {false, u"The collection is busy; try again when the sync has finished"_qs};
    if (titleIndex < 0 || titleIndex >= m_titles.Title.size())
        return {false, u"No title is selected"_qs};
    const QStringList folders = MarkerFolders(m_titles.Title.at(titleIndex));
    // Should the journal fail, the snapshot goes: the next sync is a full
    // refresh and reads every title's markers.
    if (!addToMarkerJournal(m_appPath, folders))
        QFile::remove(SmartSyncFile(m_appPath));
    const MarkerResult result = toggleMarker(m_titles.Title[titleIndex]);
    // Titles that share a folder with this one (per-file title XMLs of one
    // folder) read the same marker files: keep them in line with the disk.
    // A location below none of the folders cannot name one of them; only
    // the few that are get the exact (slower) comparison.
    const auto below = [&folders](const QString &loc) {
        return std::any_of(folders.cbegin(), folders.cend(), [&loc](const QString &f) { return loc.startsWith(f); });
    };
    for (qsizetype i = 0; i < m_titles.Title.size(); ++i) {
        if (i == titleIndex)
            continue;
        const tTitle &other = std::as_const(m_titles.Title).at(i);
        bool shares = folders.contains(other.Directory);
        for (qsizetype d = 0; !shares && d < other.DiscInfo.size(); ++d) {
            const QString &loc = other.DiscInfo.at(d).Loc;
            shares = below(loc) && (folders.contains(loc) || folders.contains(QFileInfo(loc).absolutePath()));
        }
        if (shares)
            RefreshMarkerState(m_titles.Title[i]);
    }
    // Stored even after a failure: whatever reached the disk is what the
    // titles now say.
    store();
    emit changed();
    return result;
}

MarkerResult Collection::toggleWatched(qint32 titleIndex)
{
    return toggle(titleIndex, &ToggleWatchedStatus);
}

MarkerResult Collection::toggleWatchList(qint32 titleIndex)
{
    return toggle(titleIndex, &ToggleWatchList);
}

void Collection::store()
{
    m_writer->request(m_titles, m_appPath, m_progVersion);
}

void Collection::waitForStored()
{
    m_writer->waitForIdle();
}

QString Collection::writeOutofSyncReport(const ViewFilter &filter)
{
    const ViewListResult view = viewIndex().build(OutofSyncViewFilter(filter));
    QString error;
    if (!WriteOutofSyncTitlesReport(m_appPath, m_titles, view.ViewList, &error))
        return error;
    return {};
}
