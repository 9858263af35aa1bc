#include "app/collection.h"

#include "art/artcache.h"
#include "platform/paths.h"
#include "sync/reports.h"

#include <QFile>
#include <QFileInfo>

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
    m_index.update(m_titles);
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
    const MarkerResult result = toggleMarker(m_titles.Title[titleIndex]);
    // Titles that share a folder with this one (per-file title XMLs of one
    // folder) read the same marker files: keep them in line with the disk.
    const QStringList folders = MarkerFolders(m_titles.Title.at(titleIndex));
    for (qsizetype i = 0; i < m_titles.Title.size(); ++i) {
        if (i == titleIndex)
            continue;
        tTitle &other = m_titles.Title[i];
        bool shares = folders.contains(other.Directory);
        for (qsizetype d = 0; !shares && d < other.DiscInfo.size(); ++d)
            shares = folders.contains(other.DiscInfo.at(d).Loc) || folders.contains(QFileInfo(other.DiscInfo.at(d).Loc).absolutePath());
        if (shares)
            RefreshMarkerState(other);
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
