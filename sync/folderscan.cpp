#include "folderscan.h"

#include "platform/filesystem.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutexLocker>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace {
const QChar kSeparator = u'/';
const QString kTitleXml = QStringLiteral("mymovies.xml");
const QString kPerFileXmlSuffix = QStringLiteral(".mymovies.xml");
const QString kBoxSetParent = QStringLiteral("BoxSetParent");

bool sameName(QStringView a, QStringView b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool isDiscFolder(QStringView name) { return sameName(name, u"VIDEO_TS") || sameName(name, u"BDMV"); }

bool isStructuralFolder(QStringView name)
{
    return isDiscFolder(name) || sameName(name, u"AUDIO_TS") || sameName(name, u"CERTIFICATE")
           || sameName(name, u"JACKET_P");
}

// The extension with its dot ("" when none).
QStringView extensionOf(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QStringView() : name.mid(dot);
}

// The listed file named `name` in any letter case, the exact spelling first.
const tDirEntry *findFile(const QList<tDirEntry> &entries, const QString &name)
{
    const tDirEntry *found = nullptr;
    for (const tDirEntry &e : entries) {
        if (e.IsDirectory || e.Name.size() != name.size())
            continue;
        if (e.Name == name)
            return &e;
        if (!found && e.Name.compare(name, Qt::CaseInsensitive) == 0)
            found = &e;
    }
    return found;
}

QString withoutTrailingSeparator(const QString &path)
{
    return path.size() > 1 && path.endsWith(kSeparator) ? path.chopped(1) : path;
}

class Walker
{
public:
    Walker(FolderScanState &state, int folder) : m_state(state), m_k(folder), m_debug(state.Options.Debug) {}

    // Walks the monitored folder `path`; answers whether it could be listed.
    bool walkRoot(const QString &path, bool *empty)
    {
        *empty = false;
        const QString p = path.isEmpty() || path.endsWith(kSeparator) ? path : path + kSeparator;
        {
            QMutexLocker lock(&m_state.ResultsLock);
            tDirectoryRec root;
            root.Directory = withoutTrailingSeparator(p);
            root.GroupDir = true;
            list().append(root);
            debug(QStringLiteral("Scanning Directory: ") + p);
        }
        // An empty path would otherwise mean the file system's root.
        if (p.isEmpty())
            return false;
        DirectoryListing listing = DirectoryListing::open(p);
        const bool listable = listing.isOpen() && listing.error() == 0;
        const QString real = QFileInfo(p).canonicalFilePath();
        m_rootReal = real.isEmpty() || real.endsWith(kSeparator) ? real : real + kSeparator;
        *empty = listable && listing.entries().isEmpty();
        walk(p, listing);
        return listable;
    }

private:
    tDirectories &list() { return m_state.Results[m_k]; }

    // Caller holds the results lock.
    void debug(const QString &line)
    {
        if (m_debug && m_state.Options.DebugLine)
            m_state.Options.DebugLine(line);
    }
    void debugLocked(std::initializer_list<QString> lines)
    {
        if (!m_debug)
            return;
        QMutexLocker lock(&m_state.ResultsLock);
        for (const QString &line : lines)
            debug(line);
    }

    void addDisc(qsizetype entry, const tDirDiscInfo &disc)
    {
        QMutexLocker lock(&m_state.ResultsLock);
        list()[entry].DiscInfo.append(disc);
    }

    // Whether a link leads to a folder inside the monitored folder, which
    // the walk reaches without the link.
    bool linksIntoTheTree(const QString &linkPath) const
    {
        if (m_rootReal.isEmpty())
            return false;
        const QString target = QFileInfo(linkPath).canonicalFilePath();
        return !target.isEmpty() && (target + kSeparator).startsWith(m_rootReal);
    }

    // Whether a linked folder leads back to one being walked.
    bool isLoop(const DirectoryListing &sub, const DirectoryListing &parent) const
    {
        const auto id = sub.identity();
        if (!id || parent.identity() == id)
            return true;
        for (const DirectoryListing *ancestor : m_ancestors)
            if (ancestor->identity() == id)
                return true;
        return false;
    }

    // P ends with the separator; the current entry is the last one of the list.
    void walk(const QString &p, const DirectoryListing &listing)
    {
        qsizetype current;
        {
            QMutexLocker lock(&m_state.ResultsLock);
            current = list().size() - 1;
        }
        const QList<tDirEntry> &entries = listing.entries();

        // Title XML. Found from the listing; a folder that cannot be read but
        // can be searched still gets its XML by name.
        QString xmlPath;
        qint32 xmlDate = 0;
        if (listing.isOpen()) {
            if (const tDirEntry *xml = findFile(entries, kTitleXml)) {
                xmlDate = listing.dosTime(xml->Name);
                if (xmlDate != kDosTimeAbsent)
                    xmlPath = p + xml->Name;
            }
        } else if (!p.isEmpty()) {
            const auto attributes = FileAttributeData(p + kTitleXml);
            if (attributes && !(attributes->Attributes & kFileAttributeDirectory)) {
                xmlPath = p + kTitleXml;
                xmlDate = FileDosTime(xmlPath);
            }
        }
        if (!xmlPath.isEmpty()) {
            QMutexLocker lock(&m_state.ResultsLock);
            tDirectoryRec &rec = list()[current];
            rec.mmXMLFile = xmlPath;
            rec.FileDate = xmlDate;
            debug(QStringLiteral("  Found: ") + xmlPath);
            debug(QStringLiteral("   * Successfully Stored FileName and FileAge"));
        }

        // Discs and markers.
        bool anyDisc = false;
        for (const tDirEntry &e : entries) {
            if (e.IsDirectory) {
                if (!isDiscFolder(e.Name))
                    continue;
                tDirDiscInfo disc;
                disc.Loc = withoutTrailingSeparator(p);
                disc.XML = xmlPath;
                disc.FileDate = xmlPath.isEmpty() ? 0 : xmlDate;
                disc.Container = ctFolder;
                addDisc(current, disc);
                anyDisc = true;
                debugLocked({QStringLiteral("  Found: VIDEO_TS or BDMV in ") + p,
                             QStringLiteral("   * Successfully Recorded DVD Folder")});
                continue;
            }
            const QStringView extension = extensionOf(e.Name);
            tContainers container = ctUnknown;
            if (sameName(extension, u".iso"))
                container = ctISO;
            else if (sameName(extension, u".mp4"))
                container = ctMP4;
            else if (sameName(extension, u".mkv"))
                container = ctMKV;
            if (container != ctUnknown) {
                tDirDiscInfo disc;
                disc.Loc = p + e.Name;
                disc.Container = container;
                // "Movie.ISO" is described by "Movie.mymovies.xml". Only the
                // final extension is replaced: "Iso.Story.iso" must not
                // become "Iso.mymovies.xml.Story...".
                const QString perFile = e.Name.left(e.Name.size() - extension.size()) + kPerFileXmlSuffix;
                if (const tDirEntry *xml = findFile(entries, perFile)) {
                    const qint32 date = listing.dosTime(xml->Name);
                    if (date != kDosTimeAbsent) {
                        disc.XML = p + xml->Name;
                        disc.FileDate = date;
                    }
                }
                addDisc(current, disc);
                anyDisc = true;
                if (m_debug) {
                    QMutexLocker lock(&m_state.ResultsLock);
                    debug(QStringLiteral("  Found Playable Media: ") + p + e.Name);
                    if (!disc.XML.isEmpty())
                        debug(QStringLiteral("    * Found XML: ") + disc.XML);
                    debug(QStringLiteral("   * Successfully Recorded ") + extension.toString() + QStringLiteral(" File"));
                }
                continue;
            }
            qint32 tDirectoryRec::*field = nullptr;
            if (sameName(e.Name, u"CVB_Watched.txt"))
                field = &tDirectoryRec::CVBWatchedFileDate;
            else if (sameName(e.Name, u"CVB_NotWatched.txt"))
                field = &tDirectoryRec::CVBNotWatchedFileDate;
            else if (sameName(e.Name, u"CVB_WatchList.txt"))
                field = &tDirectoryRec::CVBWatchListFileDate;
            if (field) {
                const qint32 date = listing.dosTime(e.Name);
                QMutexLocker lock(&m_state.ResultsLock);
                list()[current].*field = date;
                debug(QStringLiteral("  Found: ") + p + e.Name);
                debug(QStringLiteral("   * Successfully Stored FileAge"));
            }
        }

        if (anyDisc || !xmlPath.isEmpty()) {
            ListedDirectory names;
            for (const tDirEntry &e : entries) {
                if (e.IsDirectory)
                    names.Folders.append(e.Name);
                else if (e.IsRegularFile)
                    names.Files.append(e.Name);
            }
            names.Files.sort();
            names.Folders.sort();
            m_state.Listings[m_k].insert(withoutTrailingSeparator(p), std::move(names));
        }

        // A title XML without media: a box-set parent to be imported.
        if (!anyDisc && !xmlPath.isEmpty()) {
            tDirDiscInfo disc;
            disc.Loc = kBoxSetParent;
            disc.Container = ctFolder;
            addDisc(current, disc);
            debugLocked({QStringLiteral("    * No playable media found - tracking XML as a possible Box Set Parent"),
                         QStringLiteral("   * Done logging potential Box Set Parent")});
        }

        // Subdirectories, depth first.
        for (const tDirEntry &e : entries) {
            if (!e.IsDirectory || e.Name.startsWith(u'.') || isStructuralFolder(e.Name))
                continue;
            const QString sub = p + e.Name;
            qsizetype n;
            {
                QMutexLocker lock(&m_state.ResultsLock);
                n = list().size();
                tDirectoryRec rec;
                rec.Directory = sub;
                list().append(rec);
                debug(QStringLiteral("Scanning Directory: ") + sub);
            }
            DirectoryListing subListing = listing.openSubdirectory(e.Name);
            const bool viaLink = e.IsSymlink || m_linkDepth > 0;
            bool skip = false;
            if (e.IsSymlink && subListing.isOpen())
                skip = isLoop(subListing, listing) || linksIntoTheTree(sub);
            // A directory reached through links is walked once, however many
            // links lead to it: a tree of links that fans out would otherwise
            // be walked once per path, exponentially often.
            if (!skip && viaLink && subListing.isOpen()) {
                const auto id = subListing.identity();
                skip = !id || !m_linkedVisited.insert(*id).second;
            }
            if (skip) {
                debugLocked({QStringLiteral(" * Not following the link, its folder is walked elsewhere: ") + sub});
            } else {
                m_ancestors.push_back(&listing);
                m_linkDepth += e.IsSymlink ? 1 : 0;
                walk(sub + kSeparator, subListing);
                m_linkDepth -= e.IsSymlink ? 1 : 0;
                m_ancestors.pop_back();
            }
            QMutexLocker lock(&m_state.ResultsLock);
            tDirectories &l = list();
            debug(QStringLiteral("Finished Scanning Directory: ") + sub);
            for (qsizetype i = n + 1; i < l.size() && !l[n].GroupDir; ++i)
                if (!l[i].DiscInfo.isEmpty())
                    l[n].GroupDir = true;
            if (l[n].GroupDir || !l[n].DiscInfo.isEmpty()) {
                debug(QStringLiteral(" * Keeping Directory Results - Playable Media Found"));
            } else {
                l.resize(n);
                debug(QStringLiteral(" * Removing Directory Results - No Playable Media Found"));
            }
        }
    }

    FolderScanState &m_state;
    const int m_k;
    const bool m_debug;
    std::vector<const DirectoryListing *> m_ancestors;
    QString m_rootReal;   // the monitored folder's real path, with a separator
    int m_linkDepth = 0;  // links followed to reach the current directory
    std::set<std::pair<quint64, quint64>> m_linkedVisited;
};
} // namespace

MapFilesController::MapFilesController(FolderScanState &state, int folder, QObject *parent)
    : QThread(parent), Folder(folder), m_state(state)
{
    setObjectName(QStringLiteral("MapFilesController %1").arg(folder));
}

void MapFilesController::run()
{
    QString path;
    {
        QMutexLocker lock(&m_state.StatusLock);
        path = m_state.Folders[Folder].Folder;
    }
    QElapsedTimer stopwatch;
    if (m_state.Options.PerfMon)
        stopwatch.start();

    bool empty = false;
    const bool listable = Walker(m_state, Folder).walkRoot(path, &empty);
    m_state.RootListable[Folder] = listable;
    m_state.RootEmpty[Folder] = empty;

    qsizetype count;
    {
        QMutexLocker lock(&m_state.ResultsLock);
        count = m_state.Results[Folder].size();
    }
    QMutexLocker lock(&m_state.StatusLock);
    if (m_state.Options.PerfMon && m_state.Options.PerfLine)
        m_state.Options.PerfLine(ScannedDirectoriesLine(int(count), stopwatch.nsecsElapsed() / 1e9, path));
    m_state.Folders[Folder].Done = true;
}

ScanResult ScanFolders(const QList<tScannedFolders> &folders, const ScanOptions &options,
                       const std::function<void(const QList<bool> &done)> &poll)
{
    FolderScanState state;
    state.Folders = folders;
    for (tScannedFolders &f : state.Folders)
        f.Done = false;
    state.Results.resize(folders.size());
    state.Listings.resize(folders.size());
    state.RootListable.fill(false, folders.size());
    state.RootEmpty.fill(false, folders.size());
    state.Options = options;

    std::vector<std::unique_ptr<MapFilesController>> threads;
    threads.reserve(folders.size());
    state.ScanStarted.fill(true, folders.size());
    for (int k = 0; k < folders.size(); ++k) {
        threads.push_back(std::make_unique<MapFilesController>(state, k));
        if (options.ThreadStackSize)
            threads.back()->setStackSize(options.ThreadStackSize);
        threads.back()->start();
        // A thread that could not be created (no memory for its stack, a
        // process limit) never sets its Done flag; its folder counts as
        // unreadable instead of leaving the run waiting for ever.
        if (!threads.back()->isRunning() && !threads.back()->isFinished()) {
            QMutexLocker lock(&state.StatusLock);
            state.ScanStarted[k] = false;
            state.Results[k] = {tDirectoryRec{withoutTrailingSeparator(folders[k].Folder), {}, 0, 0, 0, 0, {}, true}};
            state.Folders[k].Done = true;
        }
    }

    QList<bool> done(folders.size(), false);
    bool allDone;
    do {
        QThread::msleep(10);
        {
            QMutexLocker lock(&state.StatusLock);
            allDone = true;
            for (int k = 0; k < state.Folders.size(); ++k) {
                done[k] = state.Folders[k].Done;
                allDone = allDone && done[k];
            }
        }
        if (poll)
            poll(done);
    } while (!allDone);
    // Done is a thread's last shared write, but the locks and lists it used
    // live here: let every thread end before they go.
    for (auto &t : threads)
        t->wait();

    ScanResult result;
    for (int k = 0; k < folders.size(); ++k) {
        FolderScanInfo info;
        info.Folder = folders[k].Folder;
        info.Root = state.Results[k].isEmpty() ? QString() : state.Results[k].first().Directory;
        info.RootListable = state.RootListable[k];
        info.RootEmpty = state.RootEmpty[k];
        info.ScanStarted = state.ScanStarted[k];
        info.FirstIndex = int(result.Directories.size());
        info.DirectoryCount = int(state.Results[k].size());
        result.Directories.append(std::move(state.Results[k]));
        result.Folders.append(info);
        if (result.Listings.isEmpty())
            result.Listings = std::move(state.Listings[k]);
        else
            result.Listings.insert(state.Listings[k]);
    }
    return result;
}

bool ListedDirectory::hasFile(const QString &name) const
{
    return std::binary_search(Files.cbegin(), Files.cend(), name);
}

bool ListedDirectory::hasFolder(const QString &name) const
{
    return std::binary_search(Folders.cbegin(), Folders.cend(), name);
}

QString BuildingDirectoryListText(const QList<tScannedFolders> &folders, const QList<bool> &done)
{
    QString text = QStringLiteral("Building Directory List:");
    for (int k = 0; k < folders.size(); ++k) {
        text += QStringLiteral("\r\n");
        text += (k < done.size() && done[k]) ? QStringLiteral("[    DONE     ]    ") : QStringLiteral("[SCANNING]    ");
        text += folders[k].Folder;
    }
    return text;
}

QString FormatSeconds(double seconds) { return QString::number(seconds, 'f', 4); }

QString ScannedDirectoriesLine(int count, double seconds, const QString &folder)
{
    const QString padded = (QStringLiteral("000") + QString::number(count)).right(4);
    return QStringLiteral(" * Scanned ") + padded + QStringLiteral(" Directories in ") + FormatSeconds(seconds)
           + QStringLiteral(" seconds for path \"") + folder + u'"';
}

QString CompletedScanningLine(double runSeconds, int total)
{
    return QStringLiteral(" [") + FormatSeconds(runSeconds) + QStringLiteral("] Completed Scanning ")
           + QString::number(total) + QStringLiteral(" Directories.");
}

namespace {
QString belowRoot(const QString &root)
{
    return root.endsWith(kSeparator) ? root : root + kSeparator;
}
} // namespace

bool FolderUnavailable(const FolderScanInfo &info, const tDirectories &previous)
{
    if (info.Root.isEmpty())
        return false;
    if (!info.RootListable)
        return true;
    if (!info.RootEmpty)
        return false;
    const QString below = belowRoot(info.Root);
    for (const tDirectoryRec &rec : previous)
        if (rec.Directory.startsWith(below))
            return true;
    return false;
}

tDirectories KeepUnreachableFolders(const ScanResult &scan, const tDirectories &previous, QStringList *unavailable)
{
    tDirectories joined;
    joined.reserve(scan.Directories.size());
    for (const FolderScanInfo &info : scan.Folders) {
        const auto own = scan.Directories.mid(info.FirstIndex, info.DirectoryCount);
        if (!FolderUnavailable(info, previous)) {
            joined.append(own);
            continue;
        }
        if (unavailable)
            unavailable->append(info.Folder);
        const QString below = belowRoot(info.Root);
        tDirectories kept;
        for (const tDirectoryRec &rec : previous)
            if (rec.Directory == info.Root || rec.Directory.startsWith(below))
                kept.append(rec);
        joined.append(kept.isEmpty() ? own : kept);
    }
    return joined;
}
