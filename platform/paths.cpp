#include "platform/paths.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

const QChar kSeparator = QDir::separator();

bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

// Whether a file can actually be created in `dir`. Permission bits alone say
// too little (read-only mounts, ACLs, a superuser that ignores them).
bool canCreateFilesIn(const QString &dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(WithTrailingSeparator(dir) + u".cinevue-probe-XXXXXX"_qs);
    return probe.open();
}

// An executable in the bin folder of an installation prefix (/usr/bin,
// /usr/local/bin, ~/.local/bin: a "bin" folder beside "share") shares that
// folder with other programs; the superuser could write there, but the
// collection's files do not belong in it.
bool isInstalledProgramFolder(const QString &dir)
{
    const QFileInfo info(QDir::cleanPath(QDir::fromNativeSeparators(dir)));
    return info.fileName() == u"bin"_qs && QFileInfo(info.dir().filePath(u"share"_qs)).isDir();
}

} // namespace

QString NativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return path;
#else
    QString p = path;
    p.replace(u'\\', u'/');
    return p;
#endif
}

QString JoinNative(const QString &directory, const QString &relative)
{
    QString rel = NativePath(relative);
    if (directory.isEmpty())
        return rel;
    qsizetype skip = 0;
    while (skip < rel.size() && isSeparator(rel.at(skip)))
        ++skip;
    return WithTrailingSeparator(directory) + rel.mid(skip);
}

QString WithTrailingSeparator(const QString &path)
{
    if (path.isEmpty())
        return path;
    qsizetype end = path.size();
    while (end > 1 && isSeparator(path.at(end - 1)))
        --end;
    if (end == 1 && isSeparator(path.at(0)))
        return path.left(1); // the root folder
    return path.left(end) + kSeparator;
}

QString ResolveAppPath(const QString &home, const QString &executableDir)
{
    if (!home.isEmpty())
        return WithTrailingSeparator(home);
    if (!isInstalledProgramFolder(executableDir) && canCreateFilesIn(executableDir))
        return WithTrailingSeparator(executableDir);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                         + u"/Cinevue"_qs;
    QDir().mkpath(data);
    return WithTrailingSeparator(QDir::toNativeSeparators(data));
}

QString ResolveAppPath()
{
    return ResolveAppPath(qEnvironmentVariable("CINEVUE_HOME"),
                          QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
}

bool MakeWorkingDirectory(const QString &appPath, QString *error)
{
    if (!QDir().mkpath(appPath)) {
        if (error)
            *error = u"Could not create the folder %1"_qs.arg(appPath);
        return false;
    }
    if (!QDir::setCurrent(appPath)) {
        if (error)
            *error = u"Could not change to the folder %1"_qs.arg(appPath);
        return false;
    }
    return true;
}

QString CachePath(const QString &appPath) { return WithTrailingSeparator(appPath) + u"Cache"_qs + kSeparator; }

QString SmartSyncFile(const QString &appPath) { return WithTrailingSeparator(appPath) + u"CVB_SmartSync.bin"_qs; }

QString LogsPath(const QString &appPath) { return WithTrailingSeparator(appPath) + u"Logs"_qs + kSeparator; }

QString WithoutTrailingSeparators(const QString &path)
{
    QString p = path;
    while (p.size() > 1 && (p.endsWith(u'/') || p.endsWith(u'\\')))
        p.chop(1);
    return p;
}

QString LastPathComponent(const QString &path)
{
    const QString p = WithoutTrailingSeparators(path);
    const qsizetype cut = std::max(p.lastIndexOf(u'/'), p.lastIndexOf(u'\\'));
    return cut < 0 ? p : p.mid(cut + 1);
}
