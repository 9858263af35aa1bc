// cinevue-sync [FOLDER]: one SmartSync run without a screen. FOLDER (default:
// the current folder) is the program folder: Cinevue.cfg, CinevueDB.xml,
// CVB_SmartSync.bin, Cache and Logs live there. It does what the program's
// start-up and exit do: read the configuration, load the database, sync the
// monitored folders, store the database and write the out-of-sync report.

#include "app/collection.h"
#include "app/config.h"
#include "model/localdatabase.h"
#include "platform/paths.h"
#include "sync/syncrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

void printErr(const QString &text)
{
    std::fputs(qPrintable(text + u'\n'), stderr);
    std::fflush(stderr);
}

// Progress on the terminal: one line rewritten in place on a terminal, a
// line every few seconds otherwise (a log file of a timer job).
class Progress
{
public:
    Progress() : m_tty(isatty(fileno(stderr))) { m_clock.start(); }
    void show(const QString &text, bool force = false)
    {
        const qint64 now = m_clock.elapsed();
        if (!force && now - m_lastShown < (m_tty ? 100 : 5000))
            return;
        m_lastShown = now;
        const QString line = u"[%1 s] "_qs.arg(double(now) / 1000.0, 0, 'f', 1) + text;
        if (m_tty)
            std::fprintf(stderr, "\r\033[K%s", qPrintable(line));
        else
            std::fprintf(stderr, "%s\n", qPrintable(line));
        std::fflush(stderr);
    }
    void done()
    {
        if (m_tty)
            std::fputs("\n", stderr);
    }
    double seconds() const { return double(m_clock.elapsed()) / 1000.0; }

private:
    bool m_tty;
    QElapsedTimer m_clock;
    qint64 m_lastShown = -1000000;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() > 1 || (args.size() == 1 && (args.first() == u"-h" || args.first() == u"--help"))) {
        printErr(u"usage: cinevue-sync [FOLDER]\n"
                 "  Runs one SmartSync with FOLDER (default: the current folder) as the program folder."_qs);
        return args.size() > 1 ? 2 : 0;
    }
    const QString folder = QFileInfo(args.isEmpty() ? QDir::currentPath() : args.first()).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        printErr(u"cinevue-sync: \"%1\" is not a folder"_qs.arg(folder));
        return 2;
    }
    const QString appPath = WithTrailingSeparator(folder);
    QString error;
    if (!MakeWorkingDirectory(appPath, &error)) {
        printErr(u"cinevue-sync: "_qs + error);
        return 2;
    }
    QDir().mkpath(LogsPath(appPath));

    const QString configPath = appPath + u"Cinevue.cfg"_qs;
    const bool hadConfig = QFileInfo::exists(configPath);
    if (hadConfig && !QFileInfo(configPath).isFile()) {
        printErr(u"cinevue-sync: \"%1\" is not a configuration file"_qs.arg(configPath));
        return 2;
    }
    tSettings settings = LoadConfig(appPath, {}, &error);
    if (!error.isEmpty()) {
        printErr(u"cinevue-sync: cannot use the configuration: "_qs + error);
        return 2;
    }
    if (settings.Folders.isEmpty()) {
        printErr(hadConfig ? u"cinevue-sync: \"%1\" lists no monitored folder (ScanFolder=...); nothing to sync"_qs.arg(configPath)
                           : u"cinevue-sync: no configuration was found; \"%1\" was written with the defaults. "
                             "Add ScanFolder=... lines to it and run again"_qs.arg(configPath));
        return 1;
    }

    Collection collection(appPath, ProgVersion());
    Progress progress;
    QString loadError;
    if (settings.LocalDB && QFileInfo::exists(DatabaseFilePath(appPath))) {
        progress.show(u"Loading CinevueDB.xml"_qs, true);
        const LoadResult loaded = collection.load(settings.AutoScan, LastMountedFile());
        // Everything the database holds comes from the folders and their
        // marker files, so a database that cannot be read is rebuilt by a
        // full refresh (the window does the same); the run still ends with
        // an error so that the damage is noticed.
        if (loaded.status == LoadResult::Error) {
            progress.done();
            printErr(u"cinevue-sync: cannot read the local database: "_qs + loaded.error + u"; all folders are read again"_qs);
            loadError = u"the local database could not be read: "_qs + loaded.error;
        }
        if (loaded.status == LoadResult::Rejected)
            printErr(u"cinevue-sync: the local database is from an older version; all folders are read again"_qs);
    }

    SyncProgress report;
    report.scanState = [&](const QList<tScannedFolders> &folders, const QList<bool> &done) {
        QStringList parts;
        for (qsizetype k = 0; k < folders.size(); ++k)
            parts << (done.value(k) ? u"[done] "_qs : u"[scanning] "_qs) + folders.at(k).Folder;
        progress.show(u"Scanning: "_qs + parts.join(u"  "_qs));
    };
    report.adding = [&](int done, int total) {
        progress.show(u"Importing: %1 of %2 changed directories, %3 titles"_qs.arg(done).arg(total)
                          .arg(collection.titles().Title.size()),
                      done == total);
    };
    const Collection::SyncOutcome outcome = collection.sync(settings, report);
    const SyncRunResult &result = outcome.run;
    progress.show(u"Storing CinevueDB.xml"_qs, true);
    collection.waitForStored();

    const tTitles &titles = collection.titles();
    QStringList fileErrors = result.fileErrors;
    if (!loadError.isEmpty())
        fileErrors.prepend(loadError);
    error = collection.writeOutofSyncReport(startViewFilter(settings));
    if (!error.isEmpty())
        fileErrors << error;
    progress.done();

    std::printf("%s\n", qPrintable(u"%1 titles, %2 directories, %3 changed directories imported, %4 discs and %5 titles "
                                   "removed, %6 placeholders, %7 lines in the sync error log, %8 s%9"_qs
                                       .arg(titles.Title.size())
                                       .arg(result.directories)
                                       .arg(result.imported)
                                       .arg(result.removedDiscs)
                                       .arg(result.removedTitles)
                                       .arg(result.placeholders)
                                       .arg(result.errorLog.size())
                                       .arg(progress.seconds(), 0, 'f', 1)
                                       .arg(result.fullRefresh ? u" (full refresh)"_qs : QString())));
    for (const QString &line : result.errorLog)
        printErr(u"  "_qs + line);
    if (!fileErrors.isEmpty()) {
        for (const QString &e : std::as_const(fileErrors))
            printErr(u"cinevue-sync: "_qs + e);
        return 1;
    }
    return 0;
}
