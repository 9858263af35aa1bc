#include "syncrun.h"

#include "art/artcache.h"
#include "model/localdatabase.h"
#include "model/markers.h"
#include "platform/filesystem.h"
#include "platform/paths.h"
#include "platform/registrystore.h"
#include "sync/folderscan.h"
#include "sync/reports.h"
#include "sync/snapshot.h"
#include "sync/titlexmlreader.h"
#include "sync/snapshotcompare.h"
#include "sync/synclogs.h"
#include "sync/titleimport.h"

#include <QCollator>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace {

// The monitored folder a directory of the snapshot lies in: the longest
// configured root that is the directory or one of its ancestors.
QString monitoredFolderOf(const QString &directory, const QStringList &roots)
{
    QString best;
    for (const QString &root : roots) {
        if (root.size() <= best.size())
            continue;
        if (directory == root || directory.startsWith(root.endsWith(QDir::separator()) ? root : root + QDir::separator()))
            best = root;
    }
    return best;
}

// The debug log is kept on disk while the run works so that it survives a
// crash. Writing the whole file after every single line makes a large run
// quadratic, so the in-between saves are spaced out; the saves that the run
// makes at its milestones are always done.
class DebugLogFile
{
public:
    DebugLogFile(SyncTextLog &log, QString path) : m_log(log), m_path(std::move(path)) { m_sinceSave.start(); }
    void add(const QString &line)
    {
        m_log.add(line);
        saveSoon();
    }
    void saveSoon()
    {
        if (m_log.enabled() && m_sinceSave.elapsed() >= 250)
            saveNow();
    }
    void saveNow()
    {
        if (!m_log.enabled())
            return;
        m_log.save(m_path);
        m_sinceSave.restart();
    }

private:
    SyncTextLog &m_log;
    QString m_path;
    QElapsedTimer m_sinceSave;
};

// The import deletes marker files that only repeat the title XML. The
// snapshot that is stored afterwards must record them as gone, or the next run
// would see a changed marker and read the title again for nothing.
void RefreshMarkerDates(tDirectoryRec &rec)
{
    if (rec.CVBWatchedFileDate == 0 && rec.CVBNotWatchedFileDate == 0)
        return;
    qint32 watched = 0;
    qint32 notWatched = 0;
    const DirectoryListing listing = DirectoryListing::open(rec.Directory);
    for (const tDirEntry &entry : listing.entries()) {
        if (entry.IsDirectory)
            continue;
        if (entry.Name.compare(u"CVB_Watched.txt", Qt::CaseInsensitive) == 0)
            watched = listing.dosTime(entry.Name);
        else if (entry.Name.compare(u"CVB_NotWatched.txt", Qt::CaseInsensitive) == 0)
            notWatched = listing.dosTime(entry.Name);
    }
    if (rec.CVBWatchedFileDate != 0)
        rec.CVBWatchedFileDate = watched;
    if (rec.CVBNotWatchedFileDate != 0)
        rec.CVBNotWatchedFileDate = notWatched;
}

} // namespace

QString LastMountedFile()
{
    return ReadRegistryValue(RegistryHive::CurrentUser, u"Software\\Elaborate Bytes\\VirtualCloneDrive\\0"_qs,
                             u"LastMountedFile"_qs);
}

QString SyncingTitlesHeading(bool debug, bool perfMon)
{
    if (debug && perfMon)
        return u"[DEBUG_LOG ON] Syncing Titles [PERF_LOG ON]"_qs;
    if (debug)
        return u"[DEBUG_LOG ON] Syncing Titles"_qs;
    if (perfMon)
        return u"[PERF_LOG ON] Syncing Titles"_qs;
    return u"Syncing Titles"_qs;
}

void SortByCodeUnits(QStringList &list)
{
    // A stable sort by plain code units gives the same order as the
    // neighbour exchange, in n log n.
    std::stable_sort(list.begin(), list.end(), [](const QString &a, const QString &b) {
        return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
    });
}

int SortMultiDiscTitles(tTitles &titles)
{
    int discs = 0;
    for (tTitle &title : titles.Title) {
        if (title.DiscInfo.size() < 2)
            continue;
        discs += int(title.DiscInfo.size());
        std::stable_sort(title.DiscInfo.begin(), title.DiscInfo.end(), [](const tDiscInfo &a, const tDiscInfo &b) {
            return QStringView(a.Name).compare(QStringView(b.Name), Qt::CaseSensitive) < 0;
        });
    }
    return discs;
}

qsizetype SyncException(tTitles &titles, tDirectoryRec &dir, qsizetype discIndex, qsizetype titleIndex,
                        const QString &reason, const QString &lastMountedFile, QString *statusLine, bool *appended,
                        const ImportContext *ids)
{
    const QString d = LastPathComponent(dir.Directory);
    if (appended)
        *appended = false;
    if (titleIndex < 0 || titleIndex >= titles.Title.size()) {
        titleIndex = -1;
        if (ids) {
            // A run meets placeholders all over a large collection: no pass
            // over every title for each one.
            titleIndex = FindTitleById(*ids, titles, d);
        } else {
            for (qsizetype i = 0; i < titles.Title.size(); ++i)
                if (titles.Title.at(i).ID == d)
                    titleIndex = i; // the last one found wins
        }
        if (titleIndex < 0) {
            titles.Title.append(tTitle());
            titleIndex = titles.Title.size() - 1;
            if (appended)
                *appended = true;
        }
    }
    tTitle &t = titles.Title[titleIndex];
    // Every scalar of a placeholder; the watch list, the lists and the image
    // names keep their values.
    const tTitle p = PlaceholderTitle(dir.Directory, d, QString());
    t.ID = p.ID;
    t.Title = p.Title;
    t.SortTitle = p.SortTitle;
    t.Directory = p.Directory;
    t.CollectionNum = p.CollectionNum;
    t.MediaType = p.MediaType;
    t.Lent = p.Lent;
    t.New = p.New;
    t.Online = p.Online;
    t.SeriesBoxSetParent = p.SeriesBoxSetParent;
    t.SeriesBoxSetChild = p.SeriesBoxSetChild;
    t.Edition = p.Edition;
    t.AspectRatio = p.AspectRatio;
    t.VideoStandard = p.VideoStandard;
    t.Year = p.Year;
    t.Runtime = p.Runtime;
    t.ReleaseDate = p.ReleaseDate;
    t.AddedDate = p.AddedDate;
    t.Stars = p.Stars;
    t.Rated = p.Rated;
    t.RatedAdult = p.RatedAdult;
    t.TVRating = p.TVRating;
    t.Watched = false;
    EvaluatePlaceholderMarkers(t);

    QString status;
    QString description;
    if (reason == u"Encrypted") {
        status = u"Found ENCRYPTED mymovies.xml in FOLDER: "_qs + t.Title;
        description = u"ERROR: Encrypted mymovies.xml file"_qs;
    } else if (reason == u"Corrupted") {
        status = u"ERROR - Found bad mymovies.xml file in FOLDER: "_qs + t.Title;
        description = u"ERROR: Bad mymovies.xml file"_qs;
    } else {
        status = u"ERROR - Missing mymovies.xml in FOLDER: "_qs + t.Title;
        description = u"ERROR: Missing mymovies.xml file"_qs;
    }
    t.Description = description;
    t.RatedDesc = description;
    if (statusLine)
        *statusLine = status;

    tDirDiscInfo &k = dir.DiscInfo[discIndex];
    const tDiscInfo *imageDisc = nullptr;
    bool has = false;
    for (const tDiscInfo &disc : t.DiscInfo)
        if (disc.Loc == k.Loc) {
            has = true;
            break;
        }
    if (!has && k.Loc != u"BoxSetParent") {
        tDiscInfo disc;
        disc.Loc = k.Loc;
        disc.Container = k.Container;
        disc.Name = LastPathComponent(k.Loc);
        disc.InDrive = k.Container == ctISO && k.Loc == lastMountedFile;
        t.DiscInfo.append(disc);
        imageDisc = &t.DiscInfo.last();
    }
    k.Found = true;
    if (!imageDisc && !t.DiscInfo.isEmpty())
        imageDisc = &t.DiscInfo.first();
    if (imageDisc)
        LookUpImages(t, imageDisc->Loc, imageDisc->Container);
    else
        LookUpImages(t, u"BoxSetParent"_qs, ctFolder);
    return titleIndex;
}

SyncRunResult SyncFolders(tTitles &titles, tSettings &settings, const SyncRunOptions &options,
                          const SyncProgress &progress)
{
    SyncRunResult result;
    const QString appPath = WithTrailingSeparator(options.appPath);
    const QString logs = LogsPath(appPath);
    QDir().mkpath(logs);
    auto file = [&](const QString &relative) { return JoinNative(appPath, relative); };
    auto say = [](const std::function<void(const QString &)> &f, const QString &text) {
        if (f)
            f(text);
    };
    auto pump = [&] {
        if (progress.processEvents)
            progress.processEvents();
    };
    auto saveOrNote = [&](const SyncTextLog &log, const QString &path) {
        QString error;
        if (!log.save(path, &error))
            result.fileErrors << error;
    };

    const QLocale locale = QLocale::system();
    const QDateTime started = options.now.isValid() ? options.now : QDateTime::currentDateTime();
    const QString stamp = started.toString(u"yyyy-MM-dd_HHmm"_qs);
    const QString dateTime = locale.toString(started.date(), QLocale::ShortFormat) + u' '
                             + locale.toString(started.time(), QLocale::LongFormat);

    SyncTextLog debugLog(settings.Debug);
    SyncTextLog perfLog(settings.PerfMon);
    SyncTextLog errorLog(true);
    QStringList rentals;
    DebugLogFile debugFile(debugLog, file(u"Logs\\DebugLog.txt"_qs));

    say(progress.processing, SyncingTitlesHeading(settings.Debug, settings.PerfMon));
    say(progress.status, u"Building Directory List:"_qs);
    say(progress.titleNum, u"0"_qs);

    // Logs.
    debugLog.add(u"Debug Log Generated "_qs + dateTime + u" with CVB v"_qs + options.progVersion);
    debugLog.add(QString(65, u'-'));
    debugLog.add(u" "_qs);
    debugFile.saveNow();
    perfLog.add(u"Performance Log Generated "_qs + dateTime + u" with CVB v"_qs + options.progVersion);
    perfLog.add(QString(71, u'-'));
    perfLog.add(u" "_qs);
    perfLog.add(u"Scanning All Monitored Folders to Build Directory List:"_qs);
    QElapsedTimer run, phase, step;
    run.start();
    phase.start();
    auto runSeconds = [&] { return ElapsedSeconds(run); };
    auto phaseSeconds = [&] {
        const QString s = ElapsedSeconds(phase);
        phase.restart();
        return s;
    };

    // Scan, with the artwork cache scan beside it.
    for (tScannedFolders &f : settings.Folders)
        f.Done = false;
    ScanOptions scanOptions;
    scanOptions.Debug = settings.Debug;
    scanOptions.PerfMon = settings.PerfMon;
    SyncTextLog scanDebug(settings.Debug);
    QElapsedTimer scanSave;
    scanSave.start();
    const QString scanDebugPath = file(u"Logs\\DebugLog_DirScan.txt"_qs);
    scanOptions.DebugLine = [&](const QString &line) {
        debugLog.add(line);
        scanDebug.add(line);
        if (scanSave.elapsed() >= 250) {
            scanDebug.save(scanDebugPath);
            scanSave.restart();
        }
    };
    scanOptions.PerfLine = [&](const QString &line) { perfLog.add(line); };
    if (options.artCache)
        options.artCache->GetSubDirectoryInfo();
    const ScanResult scan = ScanFolders(settings.Folders, scanOptions, [&](const QList<bool> &done) {
        say(progress.status, BuildingDirectoryListText(settings.Folders, done));
        if (progress.scanState)
            progress.scanState(settings.Folders, done);
        pump();
    });
    for (qsizetype k = 0; k < settings.Folders.size(); ++k)
        settings.Folders[k].Done = true;
    if (settings.Debug)
        scanDebug.save(scanDebugPath);
    perfLog.add(CompletedScanningLine(double(run.nsecsElapsed()) / 1e9, int(scan.Directories.size())));

    // Previous snapshot.
    perfLog.add(u" "_qs);
    step.start();
    const QString snapshotPath = SmartSyncFile(appPath);
    tDirectories previous;
    if (!options.distrustSnapshot.isEmpty()) {
        if (QFileInfo::exists(snapshotPath))
            errorLog.add(u"Previous Smart Sync Directory Snapshot \"CVB_SmartSync.bin\" not used ("_qs
                         + options.distrustSnapshot + u"): all folders are read again"_qs);
    } else {
        const SnapshotLoad previousLoad = LoadSnapshot(snapshotPath);
        if (previousLoad.status == SnapshotLoad::Unreadable || previousLoad.status == SnapshotLoad::Corrupt)
            errorLog.add(u"Previous Smart Sync Directory Snapshot \"CVB_SmartSync.bin\" could not be read ("_qs
                         + previousLoad.error + u"): all folders are read again"_qs);
        previous = previousLoad.Directories;
    }
    perfLog.add(u"["_qs + runSeconds() + u"] Loaded Previous Smart Sync Directory Snapshot \"CVB_SmartSync.bin\" in "_qs
                + ElapsedSeconds(step) + u" seconds."_qs);
    debugLog.add(u" "_qs);
    debugLog.add(u"Loaded Previous Smart Sync Directory Snapshot \"CVB_SmartSync.bin\""_qs);

    // An offline folder keeps what the previous snapshot knew of it, so that
    // its titles stay and nothing is read again once it is back.
    for (const FolderScanInfo &info : scan.Folders) {
        if (!FolderUnavailable(info, previous))
            continue;
        if (!info.ScanStarted)
            errorLog.add(u"Could not start the scan of monitored folder \""_qs + info.Folder
                         + u"\" (out of memory or threads): its titles are kept as they were"_qs);
        else if (!info.RootListable)
            errorLog.add(u"Could not read monitored folder \""_qs + info.Folder
                         + u"\": its titles are kept as they were until it can be read again"_qs);
        else
            errorLog.add(u"Monitored folder \""_qs + info.Folder
                         + u"\" is empty (a share that is not mounted?): its titles are kept as they were until "
                           "it holds folders again"_qs);
    }
    tDirectories fresh = KeepUnreachableFolders(scan, previous, &result.unavailableFolders);
    // What the snapshot file will hold once the collection describes it.
    tDirectories newSnapshot = fresh;
    result.directories = int(newSnapshot.size());

    debugLog.add(u" "_qs);
    debugLog.add(u"Comparing Old vs New Directory Snapshots"_qs);

    // Change detection.
    result.fullRefresh = previous.isEmpty();
    if (result.fullRefresh) {
        titles.Title.clear();
        titles.MyGenres.clear();
        titles.MyCats.clear();
    } else {
        say(progress.status, u"Scanning Directory List for Changes..."_qs);
        pump();
        CompareSnapshots(fresh, previous, debugLog);
        say(progress.status, u"Updating Titles..."_qs);
    }
    pump();
    debugLog.add(u"Completed Directory Snapshot Comparison"_qs);
    debugLog.add(u" "_qs);
    debugLog.add(u"Removing Discs/Titles that no longer exist:"_qs);
    perfLog.add(u"["_qs + runSeconds() + u"] Completed Comparing "_qs + QString::number(newSnapshot.size())
                + u" Directories in "_qs + phaseSeconds() + u" seconds."_qs);
    perfLog.add(u" "_qs);

    // Removal.
    const RemovalResult removal = RemoveVanishedDiscs(titles, previous, debugLog, [](tTitle &t) {
        for (const tDiscInfo &disc : t.DiscInfo)
            LookUpImages(t, disc.Loc, disc.Container);
    });
    result.removedDiscs = removal.discsRemoved;
    result.removedTitles = removal.titlesRemoved;
    say(progress.totalTitles, u"| "_qs + QString::number(titles.Title.size()));
    perfLog.add(u"["_qs + runSeconds() + u"] Completed Removing "_qs + QString::number(previous.size())
                + u" Old Discs/Titles in "_qs + phaseSeconds() + u" seconds."_qs);
    perfLog.add(u" "_qs);
    debugLog.add(u"Completed Removing Discs/Titles that no longer exist"_qs);
    debugLog.add(u" "_qs);
    debugLog.add(u"Adding New/Updated Discs and Titles"_qs);
    debugFile.saveNow();

    // Adding.
    QStringList roots;
    for (const FolderScanInfo &info : scan.Folders)
        roots << WithoutTrailingSeparators(info.Root.isEmpty() ? info.Folder : info.Root);
    ImportContext ctx;
    ctx.lastMountedFile = options.lastMountedFile;
    ctx.maxActors = settings.MaxActors;
    ctx.debug = settings.Debug;
    ctx.listings = &scan.Listings;
    // The title each imported disc now belongs to, by case-folded location.
    QHash<QString, qsizetype> discOwners;
    QSet<qsizetype> importedTitles;
    auto claim = [&](const tDirDiscInfo &disc, qsizetype title) {
        if (title >= 0)
            importedTitles.insert(title);
        if (title >= 0 && disc.Loc != u"BoxSetParent")
            discOwners.insert(disc.Loc.toCaseFolded(), title);
    };
    // The title files are read and parsed ahead on worker threads; they are
    // taken in the loop's own order below.
    TitleXmlReader reader(TitleXmlJobsFor(fresh),
                          options.readerThreads < 0 ? TitleXmlReader::DefaultThreads() : options.readerThreads);
    int done = 0;
    for (tDirectoryRec &entry : fresh) {
        debugFile.add(u"  Processing Directory "_qs + entry.Directory);
        if (!entry.mmXMLFile.isEmpty() || !entry.DiscInfo.isEmpty()) {
            ctx.monitoredFolder = monitoredFolderOf(entry.Directory, roots);
            ++result.imported;
            for (qsizetype k = 0; k < entry.DiscInfo.size(); ++k) {
                debugLog.add(u"    Importing media "_qs + entry.DiscInfo.at(k).Loc);
                const std::unique_ptr<LoadedTitleXml> loaded = reader.take();
                ImportResult r = ImportTitleXML(entry, k, ctx, titles, loaded.get());
                for (const QString &line : std::as_const(r.debugLines))
                    debugLog.add(line);
                if (!r.errorText.isEmpty())
                    errorLog.add(r.errorText);
                if (!r.rentalTitle.isEmpty())
                    rentals << r.rentalTitle;
                if (r.status == ImportStatus::Placeholder) {
                    QString status;
                    bool appended = false;
                    claim(entry.DiscInfo.at(k),
                          SyncException(titles, entry, k, r.titleIndex, r.placeholderReason,
                                        options.lastMountedFile, &status, &appended, &ctx));
                    ++result.placeholders;
                    say(progress.status, status);
                    if (appended)
                        say(progress.totalTitles, u"| "_qs + QString::number(titles.Title.size()));
                } else if (r.status == ImportStatus::Imported) {
                    claim(entry.DiscInfo.at(k), r.titleIndex);
                    if (!r.statusText.isEmpty())
                        say(progress.status, r.statusText);
                    if (r.titleAppended)
                        say(progress.totalTitles, u"| "_qs + QString::number(titles.Title.size()));
                }
            }
            debugFile.saveSoon();
        } else if (!entry.GroupDir) {
            const QString line = u"Could not find \"mymovies.xml\" or playable media in Folder \""_qs + entry.Directory
                                 + u'"';
            errorLog.add(line);
            debugFile.add(u"    "_qs + line);
        }
        ++done;
        say(progress.titleNum, QString::number(done));
        if (progress.adding)
            progress.adding(done, int(fresh.size()));
        pump();
    }
    // Each disc's import read the markers of its own folder, so a title on
    // several disc folders would take the flags of whichever came last. A
    // toggle writes every folder of the title; the flags follow all of them.
    for (const qsizetype t : std::as_const(importedTitles))
        if (MarkerFolders(titles.Title.at(t)).size() > 1)
            RefreshMarkerState(titles.Title[t]);
    perfLog.add(u"["_qs + runSeconds() + u"] Completed Adding/Updating "_qs + QString::number(fresh.size())
                + u" New Discs/Titles in "_qs + phaseSeconds() + u" seconds."_qs);
    perfLog.add(u" "_qs);

    // A disc that changed hands (a placeholder whose folder got a readable
    // title XML, a title XML that names another ID now) leaves its old title.
    const RemovalResult moved = RemoveDiscsClaimedElsewhere(titles, discOwners, debugLog, [](tTitle &t) {
        for (const tDiscInfo &disc : t.DiscInfo)
            LookUpImages(t, disc.Loc, disc.Container);
    });
    result.removedDiscs += moved.discsRemoved;
    result.removedTitles += moved.titlesRemoved;
    if (moved.titlesRemoved > 0)
        say(progress.totalTitles, u"| "_qs + QString::number(titles.Title.size()));

    {
        QSet<QString> withMarkers; // imported directories whose markers may have been deleted
        for (const tDirectoryRec &entry : std::as_const(fresh))
            if (entry.CVBWatchedFileDate != 0 || entry.CVBNotWatchedFileDate != 0)
                withMarkers.insert(entry.Directory);
        if (!withMarkers.isEmpty())
            for (tDirectoryRec &rec : newSnapshot)
                if (withMarkers.contains(rec.Directory))
                    RefreshMarkerDates(rec);
    }

    // Disc order and box sets.
    const int sortedDiscs = SortMultiDiscTitles(titles);
    perfLog.add(u"["_qs + runSeconds() + u"] Completed Sorting "_qs + QString::number(sortedDiscs)
                + u" Discs for Multi-Disc Titles in "_qs + phaseSeconds() + u" seconds."_qs);
    debugLog.add(u"Completed Adding New/Updated Discs and Titles"_qs);
    debugLog.add(u" "_qs);
    debugLog.add(u"Evaluating Box Sets:"_qs);
    QHash<QString, int> childCount;
    for (const tTitle &t : std::as_const(titles.Title))
        if (!t.PID.isEmpty())
            ++childCount[t.PID];
    int parents = 0;
    for (const tTitle &t : std::as_const(titles.Title)) {
        if (!t.SeriesBoxSetParent)
            continue;
        ++parents;
        const int count = childCount.value(t.ID);
        debugLog.add(u" * Box Set Parent ["_qs + t.ID + u"] \""_qs + t.Title + u"\" has "_qs + QString::number(count)
                     + u" Titles assigned as children"_qs);
        if (count == 0)
            errorLog.add(u"[ERROR] Box Set Parent ["_qs + t.ID + u"] \""_qs + t.Title + u"\" in "_qs + t.Directory
                         + u" has 0 Titles assigned as children"_qs);
    }
    debugLog.add(QString::number(parents) + u" Box Sets found and evaluated"_qs);

    // Logs and reports.
    saveOrNote(errorLog, file(QString::fromUtf16(kSyncErrorLogName)));
    result.errorLog = errorLog.lines();
    if (settings.Debug) {
        debugLog.add(u" "_qs);
        debugLog.add(u"DONE"_qs);
        saveOrNote(debugLog, file(u"Logs\\DebugLog.txt"_qs));
        saveOrNote(debugLog, file(u"Logs\\DebugLog_"_qs + stamp + u".txt"_qs));
        debugLog.clear();
    }
    if (!rentals.isEmpty()) {
        std::stable_sort(rentals.begin(), rentals.end(), [](const QString &a, const QString &b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        SyncTextLog rentalLog(true);
        for (const QString &r : std::as_const(rentals))
            rentalLog.add(r);
        saveOrNote(rentalLog, file(QString::fromUtf16(kRentalListReportName)));
    }
    result.rentalList = rentals;

    say(progress.status, u"Sync Complete"_qs);
    SortByCodeUnits(titles.MyGenres);
    SortByCodeUnits(titles.MyCats);

    // Database, then the snapshot that describes it: a run cut short before
    // this point leaves the previous snapshot, so the next run sees every
    // change of this one again.
    perfLog.add(u" "_qs);
    step.restart();
    if (settings.LocalDB) {
        LocalDatabaseWriter &writer = options.databaseWriter ? *options.databaseWriter : DatabaseWriter();
        const quint64 ticket = writer.request(titles, appPath, options.progVersion);
        result.storeError = writer.waitFor(ticket, progress.processEvents);
    }
    perfLog.add(u"["_qs + runSeconds() + u"] Saved Local Database in "_qs + ElapsedSeconds(step) + u" seconds."_qs);
    perfLog.add(u" "_qs);
    step.restart();
    if (result.storeError.isEmpty()) {
        const QString snapshotError = SaveSnapshot(snapshotPath, newSnapshot);
        if (!snapshotError.isEmpty())
            result.fileErrors << snapshotError;
    } else {
        result.fileErrors << result.storeError;
        // The old snapshot may describe a database that the failed write
        // left behind or not; only a full refresh is sure to be right.
        QFile::remove(snapshotPath);
    }
    perfLog.add(u"["_qs + runSeconds() + u"] Saved New Smart Sync Directory Snapshot \"CVB_SmartSync.bin\" in "_qs
                + ElapsedSeconds(step) + u" seconds."_qs);
    perfLog.add(u" "_qs);

    // Artwork cache.
    step.restart();
    if (settings.LocalArt && options.artCache) {
        ArtCacheProgress art;
        art.processing = progress.processing;
        art.status = progress.status;
        art.totalTitles = progress.totalTitles;
        art.titleNum = [&](int n) { say(progress.titleNum, QString::number(n)); };
        art.processEvents = progress.processEvents;
        art.waitPump = progress.processEvents;
        options.artCache->UpdateLocalArt(titles, art);
    }
    perfLog.add(u"["_qs + runSeconds() + u"] Updated Local Artwork Cache in "_qs + ElapsedSeconds(step) + u" seconds."_qs);
    perfLog.add(u" "_qs);
    perfLog.add(u"END OF PERFORMANCE LOG"_qs);
    if (settings.PerfMon)
        saveOrNote(perfLog, file(u"Logs\\PerformanceLog_"_qs + stamp + u".txt"_qs));
    return result;
}
