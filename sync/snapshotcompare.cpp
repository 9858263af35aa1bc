#include "snapshotcompare.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {
const QString kBoxSetParent = QStringLiteral("BoxSetParent");

QString folderOf(const QString &loc)
{
    // Full paths are native here; a backslash only ever separates on Windows.
    const qsizetype slash = std::max(loc.lastIndexOf(u'/'), loc.lastIndexOf(u'\\'));
    return slash < 0 ? QString() : loc.left(slash);
}

// The folder a disc lies in: a disc folder's location is the title folder
// itself (when it is there), a media file lies in its folder.
QString directoryOf(const tDiscInfo &disc)
{
    return disc.Container == ctFolder && QFileInfo(disc.Loc).isDir() ? disc.Loc : folderOf(disc.Loc);
}

// Deletes disc `d` of `title`. Returns true when the title has no disc left.
// A title keeps a Directory that exists: it moves to the new first disc when
// the first disc went or when the disc that went lay in the title's folder
// (the discs are ordered by name, so the folder a title was created from need
// not be its first disc's).
bool removeDisc(tTitle &title, qsizetype d, SyncTextLog &debugLog, const ImageLookup &lookupImages)
{
    debugLog.add(QStringLiteral("    Removing Disc ") + title.DiscInfo.at(d).Loc);
    const QString goneLoc = title.DiscInfo.at(d).Loc;
    title.DiscInfo.removeAt(d);
    if (title.DiscInfo.isEmpty())
        return true;
    const bool directoryGone = (goneLoc == title.Directory || folderOf(goneLoc) == title.Directory)
                               && std::none_of(title.DiscInfo.cbegin(), title.DiscInfo.cend(), [&](const tDiscInfo &disc) {
                                      return directoryOf(disc) == title.Directory;
                                  });
    if (d == 0 || directoryGone) {
        title.Directory = directoryOf(title.DiscInfo.first());
        title.ImgCoverFront.clear();
        title.ImgCoverBack.clear();
        title.ImgFolder.clear();
        title.ImgFanArt.clear();
        if (lookupImages)
            lookupImages(title);
    }
    return false;
}

// removeDisc with the run's counts; true when title `t` went with its last disc.
bool removeCountedDisc(tTitle &title, qsizetype t, qsizetype d, QList<bool> &titleGone, RemovalResult &result,
                       SyncTextLog &debugLog, const ImageLookup &lookupImages)
{
    ++result.discsRemoved;
    if (!removeDisc(title, d, debugLog, lookupImages))
        return false;
    debugLog.add(QStringLiteral("      Removing Title ") + title.Title);
    titleGone[t] = true;
    ++result.titlesRemoved;
    return true;
}

void dropTitles(tTitles &titles, const QList<bool> &titleGone, int count)
{
    if (count == 0)
        return;
    QList<tTitle> kept;
    kept.reserve(titles.Title.size() - count);
    for (qsizetype t = 0; t < titles.Title.size(); ++t)
        if (!titleGone.at(t))
            kept.append(std::move(titles.Title[t]));
    titles.Title = std::move(kept);
}
} // namespace

void CompareSnapshots(tDirectories &fresh, tDirectories &previous, SyncTextLog &debugLog)
{
    // First previous entry per directory, as a linear search would find it.
    QHash<QString, qsizetype> firstByDirectory;
    firstByDirectory.reserve(previous.size());
    for (qsizetype i = 0; i < previous.size(); ++i)
        if (!firstByDirectory.contains(previous.at(i).Directory))
            firstByDirectory.insert(previous.at(i).Directory, i);

    QList<bool> freshGone(fresh.size(), false);
    QList<bool> previousGone(previous.size(), false);

    for (qsizetype n = 0; n < fresh.size(); ++n) {
        tDirectoryRec &N = fresh[n];
        const auto it = firstByDirectory.constFind(N.Directory);
        if (it == firstByDirectory.constEnd())
            continue; // a new directory: imported as a whole
        const qsizetype o = it.value();
        if (previousGone.at(o))
            continue; // already matched by an earlier entry of the same path
        tDirectoryRec &O = previous[o];
        debugLog.add(QStringLiteral("  Comparing Dir Snapshot for ") + O.Directory);

        if (N.FileDate != O.FileDate) {
            if (O.FileDate > 0) {
                debugLog.add(QStringLiteral("    Changed mymovies.xml data found in ") + O.Directory);
                // A deleted XML has nothing to update its title with: the old
                // discs go as well (a box-set parent has no other disc).
                if (N.FileDate != 0)
                    previousGone[o] = true;
            }
            // Without a readable XML before, the old discs (a placeholder)
            // are removed and the directory is imported anew.
            continue;
        }
        if (N.CVBWatchedFileDate != O.CVBWatchedFileDate) {
            debugLog.add(QStringLiteral("    Changed CVB_Watched.txt data found in ") + O.Directory);
            previousGone[o] = true;
            continue;
        }
        if (N.CVBNotWatchedFileDate != O.CVBNotWatchedFileDate) {
            debugLog.add(QStringLiteral("    Changed CVB_NotWatched.txt data found in ") + O.Directory);
            previousGone[o] = true;
            continue;
        }
        if (N.CVBWatchListFileDate != O.CVBWatchListFileDate) {
            debugLog.add(QStringLiteral("    Changed CVB_WatchList.txt data found in ") + O.Directory);
            previousGone[o] = true;
            continue;
        }

        for (qsizetype d = 0; d < N.DiscInfo.size();) {
            const tDirDiscInfo &nd = N.DiscInfo.at(d);
            qsizetype match = -1;
            for (qsizetype od = 0; od < O.DiscInfo.size(); ++od)
                if (O.DiscInfo.at(od).Loc == nd.Loc) {
                    match = od;
                    break;
                }
            if (match < 0) {
                ++d;
                continue;
            }
            const bool unchanged = O.DiscInfo.at(match).XML == nd.XML && O.DiscInfo.at(match).FileDate == nd.FileDate;
            O.DiscInfo.removeAt(match);
            if (unchanged)
                N.DiscInfo.removeAt(d);
            else
                ++d;
        }
        if (O.DiscInfo.isEmpty()) {
            debugLog.add(QStringLiteral("    No old data to remove from ") + O.Directory);
            previousGone[o] = true;
        }
        if (N.DiscInfo.isEmpty()) {
            debugLog.add(QStringLiteral("    No new data to add from ") + N.Directory);
            freshGone[n] = true;
        }
    }

    auto compact = [](tDirectories &list, const QList<bool> &gone) {
        tDirectories kept;
        kept.reserve(list.size());
        for (qsizetype i = 0; i < list.size(); ++i)
            if (!gone.at(i))
                kept.append(std::move(list[i]));
        list = std::move(kept);
    };
    compact(fresh, freshGone);
    compact(previous, previousGone);
}

RemovalResult RemoveVanishedDiscs(tTitles &titles, const tDirectories &previous, SyncTextLog &debugLog,
                                  const ImageLookup &lookupImages)
{
    RemovalResult result;
    if (previous.isEmpty())
        return result;

    // Where each disc lives, by its location folded to one letter case.
    QHash<QString, QList<qsizetype>> titlesByLoc;
    // Box-set parents by their directory, so that a vanished one is not
    // searched for among all titles.
    QHash<QString, QList<qsizetype>> parentsByDirectory;
    for (qsizetype t = 0; t < titles.Title.size(); ++t) {
        const tTitle &title = titles.Title.at(t);
        for (const tDiscInfo &disc : title.DiscInfo)
            titlesByLoc[disc.Loc.toCaseFolded()].append(t);
        if (title.SeriesBoxSetParent)
            parentsByDirectory[title.Directory].append(t);
    }

    QList<bool> titleGone(titles.Title.size(), false);
    for (const tDirectoryRec &O : previous) {
        debugLog.add(QStringLiteral("  Processing Old Dir ") + O.Directory);
        for (const tDirDiscInfo &oldDisc : O.DiscInfo) {
            if (oldDisc.Loc == kBoxSetParent) {
                // A box-set parent whose directory has gone (or no longer
                // holds its title XML) has no disc to lose: remove it here.
                for (qsizetype t : parentsByDirectory.value(O.Directory)) {
                    tTitle &title = titles.Title[t];
                    if (!titleGone.at(t) && title.SeriesBoxSetParent && title.DiscInfo.isEmpty()
                        && title.Directory == O.Directory) {
                        debugLog.add(QStringLiteral("      Removing Title ") + title.Title);
                        titleGone[t] = true;
                        ++result.titlesRemoved;
                    }
                }
                continue;
            }
            const QString key = oldDisc.Loc.toCaseFolded();
            const auto it = titlesByLoc.constFind(key);
            if (it == titlesByLoc.constEnd())
                continue;
            for (qsizetype t : it.value()) {
                if (titleGone.at(t))
                    continue;
                tTitle &title = titles.Title[t];
                for (qsizetype d = 0; d < title.DiscInfo.size();) {
                    if (title.DiscInfo.at(d).Loc.toCaseFolded() != key) {
                        ++d;
                        continue;
                    }
                    if (removeCountedDisc(title, t, d, titleGone, result, debugLog, lookupImages))
                        break;
                }
            }
        }
    }
    dropTitles(titles, titleGone, result.titlesRemoved);
    return result;
}

RemovalResult RemoveDiscsClaimedElsewhere(tTitles &titles, const QHash<QString, qsizetype> &owners,
                                          SyncTextLog &debugLog, const ImageLookup &lookupImages)
{
    RemovalResult result;
    if (owners.isEmpty())
        return result;
    QList<bool> titleGone(titles.Title.size(), false);
    for (qsizetype t = 0; t < titles.Title.size(); ++t) {
        tTitle &title = titles.Title[t];
        for (qsizetype d = 0; d < title.DiscInfo.size();) {
            const auto it = owners.constFind(title.DiscInfo.at(d).Loc.toCaseFolded());
            if (it == owners.constEnd() || it.value() == t) {
                ++d;
                continue;
            }
            if (removeCountedDisc(title, t, d, titleGone, result, debugLog, lookupImages))
                break;
        }
    }
    dropTitles(titles, titleGone, result.titlesRemoved);
    return result;
}
