#include "model/markers.h"

#include "platform/filesystem.h"
#include "platform/paths.h"
#include "platform/textfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include <cerrno>
#include <QStringEncoder>

namespace {

const QString kWatchedName = u"CVB_Watched.txt"_qs;
const QString kNotWatchedName = u"CVB_NotWatched.txt"_qs;
const QString kWatchListName = u"CVB_WatchList.txt"_qs;

// The marker files present in a title folder, as full paths. Names are matched
// ignoring letter case, as the folder scan does, so a marker made by hand as
// "cvb_watchlist.txt" counts on Linux too; where several spellings exist, all
// of them are the marker.
struct MarkerFiles {
    QStringList watched;
    QStringList notWatched;
    QStringList watchList;
};

MarkerFiles findMarkers(const QString &directory)
{
    MarkerFiles m;
    if (directory.isEmpty())
        return m;
    // One listing instead of a lookup per marker; names match in any case.
    const DirectoryListing listing = DirectoryListing::open(directory);
    for (const tDirEntry &entry : listing.entries()) {
        if (entry.IsDirectory || !entry.Name.startsWith(u"CVB_", Qt::CaseInsensitive))
            continue;
        const QString &name = entry.Name;
        if (name.compare(kWatchedName, Qt::CaseInsensitive) == 0)
            m.watched << JoinNative(directory, name);
        else if (name.compare(kNotWatchedName, Qt::CaseInsensitive) == 0)
            m.notWatched << JoinNative(directory, name);
        else if (name.compare(kWatchListName, Qt::CaseInsensitive) == 0)
            m.watchList << JoinNative(directory, name);
    }
    return m;
}

// The effective watched state that the files give, by the import's rules.
bool watchedOnDisk(const tTitle &title, const MarkerFiles &m)
{
    if (!m.notWatched.isEmpty())
        return false;
    return !m.watched.isEmpty() || title.Watched;
}

QString markerLine(const QString &prefix)
{
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return prefix + locale.toString(now.date(), QLocale::ShortFormat) + u' '
           + locale.toString(now.time(), QLocale::LongFormat);
}

// Creates the marker unless a file of that name already exists, which keeps
// its content and time.
void createMarker(const QString &directory, const QStringList &existing, const QString &name,
                  const QString &prefix, QStringList &errors)
{
    if (!existing.isEmpty())
        return;
    const QString path = JoinNative(directory, name);
    QStringEncoder encoder(QStringEncoder::System);
    const QByteArray bytes = QByteArray(encoder.encode(markerLine(prefix))) + "\r\n";
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const int savedErrno = errno;
        errors << u"Could not create %1: %2"_qs.arg(path, WriteFailureText(file, savedErrno));
    }
}

void deleteMarker(const QStringList &existing, QStringList &errors)
{
    for (const QString &path : existing) {
        QFile file(path);
        if (!file.remove())
            errors << u"Could not delete %1: %2"_qs.arg(path, file.errorString());
    }
}

MarkerResult failure(const QStringList &errors) { return MarkerResult{false, errors.join(u'\n')}; }

MarkerResult noFolder(const tTitle &title)
{
    return MarkerResult{false, u"The title \"%1\" has no folder for its marker files"_qs.arg(title.Title)};
}

} // namespace

QStringList MarkerFolders(const tTitle &title)
{
    QStringList folders;
    if (title.Directory.isEmpty())
        return folders;
    folders << title.Directory;
    for (const tDiscInfo &disc : title.DiscInfo) {
        if (disc.Loc.isEmpty() || disc.Loc == u"BoxSetParent")
            continue;
        const QString loc = NativePath(disc.Loc);
        const QString folder = disc.Container == ctFolder ? loc : QFileInfo(loc).absolutePath();
        if (!folder.isEmpty() && !folders.contains(folder) && !folders.contains(WithoutTrailingSeparators(folder))
            && QFileInfo(folder).isDir())
            folders << folder;
    }
    return folders;
}

namespace {

// All marker files of the title's folders together.
MarkerFiles findMarkers(const QStringList &folders)
{
    MarkerFiles all;
    for (const QString &folder : folders) {
        const MarkerFiles m = findMarkers(folder);
        all.watched << m.watched;
        all.notWatched << m.notWatched;
        all.watchList << m.watchList;
    }
    return all;
}

} // namespace

// A title's markers are written into every folder that holds one of its
// discs: the import reads the markers of each disc folder, so a marker left
// behind in one of them would undo the toggle at the next sync.
MarkerResult ToggleWatchedStatus(tTitle &title)
{
    if (title.Directory.isEmpty())
        return noFolder(title); // never write markers into the working directory
    const QStringList folders = MarkerFolders(title);
    title.WatchedCVB = !title.WatchedCVB;

    QStringList errors;
    for (const QString &dir : folders) {
        const MarkerFiles m = findMarkers(dir);
        if (title.WatchedCVB && !title.Watched) {
            createMarker(dir, m.watched, kWatchedName, u"Watched="_qs, errors);
            deleteMarker(m.notWatched, errors);
        } else if (!title.WatchedCVB && title.Watched) {
            deleteMarker(m.watched, errors);
            createMarker(dir, m.notWatched, kNotWatchedName, u"OverrideWatched="_qs, errors);
        } else {
            deleteMarker(m.watched, errors);
            deleteMarker(m.notWatched, errors);
        }
    }
    if (errors.isEmpty())
        return {};
    title.WatchedCVB = watchedOnDisk(title, findMarkers(folders));
    return failure(errors);
}

MarkerResult ToggleWatchList(tTitle &title)
{
    if (title.Directory.isEmpty())
        return noFolder(title);
    const QStringList folders = MarkerFolders(title);
    title.WatchList = !title.WatchList;

    QStringList errors;
    for (const QString &dir : folders) {
        const MarkerFiles m = findMarkers(dir);
        if (title.WatchList)
            createMarker(dir, m.watchList, kWatchListName, u"WatchList="_qs, errors);
        else
            deleteMarker(m.watchList, errors);
    }
    if (errors.isEmpty())
        return {};
    title.WatchList = !findMarkers(folders).watchList.isEmpty();
    return failure(errors);
}

void RefreshMarkerState(tTitle &title)
{
    if (title.Directory.isEmpty())
        return;
    const MarkerFiles m = findMarkers(MarkerFolders(title));
    title.WatchedCVB = watchedOnDisk(title, m);
    title.WatchList = !m.watchList.isEmpty();
}

void EvaluateMarkers(tTitle &title)
{
    const MarkerFiles m = findMarkers(title.Directory);
    // A marker that cannot be deleted stays; it gives the same state again at
    // the next import.
    QStringList ignored;
    if (!m.watched.isEmpty()) {
        if (title.Watched)
            deleteMarker(m.watched, ignored);
        title.WatchedCVB = true;
    } else {
        title.WatchedCVB = title.Watched;
    }
    if (!m.notWatched.isEmpty()) {
        if (!title.Watched)
            deleteMarker(m.notWatched, ignored);
        title.WatchedCVB = false;
    }
    title.WatchList = !m.watchList.isEmpty();
}

void EvaluatePlaceholderMarkers(tTitle &title)
{
    const MarkerFiles m = findMarkers(title.Directory);
    title.WatchedCVB = !m.watched.isEmpty();
    // A placeholder can be put on the watch list like any title; without
    // this its list marker would be forgotten at the next sync.
    title.WatchList = !m.watchList.isEmpty();
}
