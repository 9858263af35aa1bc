// cv_filewriter KIND FOLDER FIRST [EXTRA]
//
// Writes one kind of Cinevue's files in FOLDER over and over through the
// real code, alternating between the known states of filewriterstates.h and
// starting with FIRST, until it is killed. Every line it prints is one
// write(2), so a kill never cuts a line:
//   ready                 set-up done, the writes start now
//   begin S / done S      a write of state S starts / has completed
//   cycle MICROSECONDS    the length of the write cycle that just ended
//   error TEXT            a write failed (the program ends with 1)
//
// Kinds:
//   database      CinevueDB.xml through the database writer thread
//   snapshot      CVB_SmartSync.bin through SaveSnapshot
//   config        Cinevue.cfg through SaveConfig
//   art           the artwork cache (scan + update); EXTRA: the folder of the images
//   update        a whole update check that installs the package of state S
//                 over the other one; EXTRA: the folder of the package zips
//   markers       marker toggles through the collection owner, after the
//                 start-up load and sync; FIRST is a random seed, EXTRA the
//                 IDs to toggle (comma-separated). Each title is toggled
//                 twice in a row, as by a user who changes their mind. Lines:
//                 "begin ID watched|watchlist 0|1", "done ...", "stored".

#include "app/collection.h"
#include "app/config.h"
#include "art/artcache.h"
#include "model/localdatabase.h"
#include "platform/paths.h"
#include "sync/snapshot.h"
#include "sync/syncrun.h"
#include "tests/e2e/filewriterstates.h"
#include "tests/update/updatefixture.h"
#include "update/checkforupdates.h"
#include "update/crc64.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <unistd.h>

#include <array>
#include <functional>

using namespace crashstates;

namespace {

void say(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.constData() + written, size_t(bytes.size() - written));
        if (n <= 0)
            return;
        written += n;
    }
}

[[noreturn]] void fail(const QString &text)
{
    say(u"error "_qs + text);
    ::_exit(1);
}

// Runs `write` for ever, alternating the states from `first`.
[[noreturn]] void alternate(QString state, const std::function<QString(const QString &)> &write)
{
    say(u"ready"_qs);
    QElapsedTimer cycle;
    for (;;) {
        cycle.start();
        say(u"begin "_qs + state);
        const QString error = write(state);
        if (!error.isEmpty())
            fail(error);
        say(u"done "_qs + state);
        say(u"cycle %1"_qs.arg(cycle.nsecsElapsed() / 1000));
        state = other(state);
    }
}

class SilentDialogs : public UpdateDialogs
{
public:
    bool askYesNo(const QString &) override { return true; }
    void showMessage(const QString &) override {}
    void showError(const QString &text) override { m_error = text; }
    void setCaption(const QString &) override {}
    void restart(const QString &) override {}
    QString m_error;
};

[[noreturn]] void writeUpdates(const QString &folder, const QString &first, const QString &packages)
{
    updatetest::LoopbackServer server;
    if (!server.listen())
        fail(u"cannot listen on the loopback interface"_qs);
    for (const QString &state : {u"A"_qs, u"B"_qs}) {
        const QByteArray zip = updatetest::readAll(packages + u'/' + packageFileName(state));
        if (zip.isEmpty())
            fail(u"no package for state "_qs + state);
        server.set('/' + packageFileName(state).toUtf8(), zip);
    }
    alternate(first, [&](const QString &state) -> QString {
        const QString zip = packages + u'/' + packageFileName(state);
        tUpdate offer;
        offer.Version = packageVersion(other(state));
        offer.UpgradeType = u"Mandatory"_qs;
        offer.NewVersion = packageVersion(state);
        offer.URL = server.url() + u'/' + packageFileName(state);
        offer.CRC64 = FileCrc64Text(zip);
        offer.Size = qint32(QFileInfo(zip).size());
        UpdateSite site;
        site.appPath = folder;
        site.progVersion = offer.Version;
        site.programName = u"cinevue"_qs;
        SilentDialogs dialogs;
        const UpdateCheckResult result = CheckForUpdates(site, offer, dialogs).Execute();
        if (result.outcome != UpdateOutcome::Installed)
            return u"the update to %1 was not installed (outcome %2): %3 %4"_qs.arg(state)
                .arg(int(result.outcome))
                .arg(result.detail, dialogs.m_error);
        return {};
    });
}

[[noreturn]] void toggleMarkers(const QString &folder, quint32 seed, const QStringList &ids)
{
    QString error;
    tSettings settings = LoadConfig(folder, {}, &error);
    if (!error.isEmpty())
        fail(error);
    // The window's start: load, then sync.
    Collection collection(folder, ProgVersion());
    const LoadResult loaded = collection.load(settings.AutoScan, LastMountedFile());
    if (loaded.status != LoadResult::Loaded)
        fail(u"the database did not load: "_qs + loaded.error);
    const Collection::SyncOutcome synced = collection.sync(settings);
    if (!synced.storeError.isEmpty())
        fail(synced.storeError);
    collection.waitForStored();
    say(u"ready"_qs);

    QRandomGenerator random(seed);
    QElapsedTimer cycle;
    for (;;) {
        const QString id = ids.at(random.bounded(int(ids.size())));
        const bool watchList = random.bounded(2) == 1;
        const QString kind = watchList ? u"watchlist"_qs : u"watched"_qs;
        qint32 index = -1;
        for (qint32 i = 0; i < collection.titles().Title.size() && index < 0; ++i)
            if (collection.titles().Title.at(i).ID == id)
                index = i;
        if (index < 0)
            fail(u"no title "_qs + id);
        for (int press = 0; press < 2; ++press) {
            cycle.start();
            const tTitle &title = collection.titles().Title.at(index);
            const bool value = watchList ? !title.WatchList : !title.WatchedCVB;
            const QString what = u"%1 %2 %3"_qs.arg(id, kind).arg(int(value));
            say(u"begin "_qs + what);
            const MarkerResult result = watchList ? collection.toggleWatchList(index) : collection.toggleWatched(index);
            if (!result.ok)
                fail(result.error);
            say(u"done "_qs + what);
            collection.waitForStored();
            say(u"stored"_qs);
            say(u"cycle %1"_qs.arg(cycle.nsecsElapsed() / 1000));
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3) {
        say(u"error usage: cv_filewriter KIND FOLDER FIRST [EXTRA]"_qs);
        return 2;
    }
    const QString &kind = args.at(0);
    const QString folder = WithTrailingSeparator(QFileInfo(args.at(1)).absoluteFilePath());
    const QString &first = args.at(2);
    const QString extra = args.value(3);

    if (kind == u"database") {
        const std::array<tTitles, 2> states = {databaseState(u"A"_qs), databaseState(u"B"_qs)};
        LocalDatabaseWriter writer;
        alternate(first, [&](const QString &state) {
            return writer.waitFor(writer.request(states[indexOf(state)], folder, ProgVersion()));
        });
    }
    if (kind == u"snapshot") {
        const std::array<tDirectories, 2> states = {snapshotState(u"A"_qs), snapshotState(u"B"_qs)};
        alternate(first, [&](const QString &state) {
            return SaveSnapshot(SmartSyncFile(folder), states[indexOf(state)]);
        });
    }
    if (kind == u"config") {
        const std::array<tSettings, 2> states = {configState(u"A"_qs), configState(u"B"_qs)};
        alternate(first, [&](const QString &state) {
            tSettings s = states[indexOf(state)];
            QString error;
            SaveConfig(s, folder, &error);
            return error;
        });
    }
    if (kind == u"art") {
        const std::array<tTitles, 2> states = {artState(u"A"_qs, extra), artState(u"B"_qs, extra)};
        ArtCache cache(CachePath(folder));
        alternate(first, [&](const QString &state) {
            // As a sync run does: the scan at its start, the update at its end.
            cache.GetSubDirectoryInfo();
            const ArtCacheUpdateResult result = cache.UpdateLocalArt(states[indexOf(state)]);
            return result.copyFailed > 0 ? u"%1 copies failed"_qs.arg(result.copyFailed) : QString();
        });
    }
    if (kind == u"update")
        writeUpdates(folder, first, extra);
    if (kind == u"markers")
        toggleMarkers(folder, first.toUInt(), extra.split(u',', Qt::SkipEmptyParts));
    say(u"error unknown kind "_qs + kind);
    return 2;
}
