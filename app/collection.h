#pragma once
// The one owner of the collection: it holds the titles and the view-list
// index, loads the local database, runs SmartSync, stores the database and
// keeps the artwork cache up to date. The window and cinevue-sync both work
// through it; neither touches the database, the snapshot or the titles on
// its own.
//
// The snapshot CVB_SmartSync.bin only describes a collection together with
// the database it was stored with. So a sync trusts the snapshot only when
// the database was loaded from disk (or stored by an earlier run of this
// object); a missing, unreadable or rejected database makes the run a full
// refresh. The snapshot is saved only after the database of the same run is
// safely on disk; a failed database write removes the snapshot instead, so
// that the next run reads every folder again.
//
// Long jobs (load, sync) run on the caller's thread and report progress
// through callbacks that may let the event loop run. While one runs, isBusy()
// is true and a second job or a marker toggle is refused.

#include "app/settings.h"
#include "model/localdatabase.h"
#include "model/markers.h"
#include "model/titles.h"
#include "sync/syncrun.h"
#include "ui/viewlist.h"

#include <QObject>
#include <QThreadPool>
#include <QString>

#include <memory>

class ArtCache;

class Collection : public QObject
{
    Q_OBJECT
public:
    enum class Job { None, Loading, Syncing };

    // `appPath` with or without the trailing separator.
    Collection(const QString &appPath, const QString &progVersion, QObject *parent = nullptr);
    ~Collection() override;

    QString appPath() const { return m_appPath; }
    QString progVersion() const { return m_progVersion; }

    const tTitles &titles() const { return m_titles; }
    // The index of the current collection (rebuilt on first use after a change).
    const ViewListIndex &viewIndex();

    Job job() const { return m_job; }
    bool isBusy() const { return m_job != Job::None; }
    // Whether the stored database and snapshot describe the titles in memory.
    bool snapshotTrusted() const { return m_trusted; }

    // LoadLocalDB: reads CinevueDB.xml when it exists. Loaded titles replace
    // the collection. Refused (status Error, empty error) while busy.
    LoadResult load(bool autoScan, const QString &lastMountedFile, const LoadProgress &progress = {});

    struct SyncOutcome {
        bool ran = false;          // false: refused, another job runs
        SyncRunResult run;
        QString untrustedReason;   // why the snapshot was not used, if so
        QString storeError;        // the database could not be stored
    };
    // SyncFolders: one SmartSync run, the database stored and only then the
    // snapshot. `settings.Folders[k].Done` shows the scan's progress.
    SyncOutcome sync(tSettings &settings, const SyncProgress &progress = {});

    // Marker toggles of one title; the database is stored at once.
    MarkerResult toggleWatched(qint32 titleIndex);
    MarkerResult toggleWatchList(qint32 titleIndex);

    // Stores the collection in the background (the newest request wins).
    void store();
    // Blocks until every requested write has finished.
    void waitForStored();

    // The out-of-sync titles report over every title that `filter`'s sort
    // would show with all filters cleared. Returns the error text, if any.
    QString writeOutofSyncReport(const ViewFilter &filter);

    LocalDatabaseWriter &writer() { return *m_writer; }
    ArtCache &artCache();

    // Tests: replace the collection as if it had been loaded.
    void setTitles(const tTitles &titles, bool trusted);

signals:
    void busyChanged(bool busy);
    // A background write failed: `error` names the file and the reason.
    void storeFailed(const QString &error);
    // The titles were replaced or changed.
    void changed();

private:
    class JobGuard;
    MarkerResult toggle(qint32 titleIndex, MarkerResult (*toggle)(tTitle &));

    QString m_appPath;
    QString m_progVersion;
    tTitles m_titles;
    ViewListIndex m_index;
    QThreadPool m_indexWorker; // prepares each new index
    bool m_trusted = false;
    Job m_job = Job::None;
    std::unique_ptr<LocalDatabaseWriter> m_writer;
    std::unique_ptr<ArtCache> m_artCache; // outlives a run: its scan may still be going
};
