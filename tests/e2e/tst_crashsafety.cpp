// Every file Cinevue writes survives a kill in the middle of its writing:
// cv_filewriter writes one kind of file over and over through the real code,
// alternating between known states, and is killed (SIGKILL) at random
// points. After each kill the test restarts as the program would (the real
// reader, the artwork update, the update check's recovery, load + sync) and
// checks that it finds the state last completed or the one being written,
// never a mix inside one file, that no temporary file is left where a reader
// would take it, and that no marker the user set is lost or contradicted by
// the database.
//
// CINEVUE_KILL_POINTS sets the kills per kind, CINEVUE_KILL_SEED the random
// seed (printed at the start, so a failure can be repeated).

#include "app/collection.h"
#include "app/config.h"
#include "art/artcache.h"
#include "model/localdatabase.h"
#include "model/markers.h"
#include "platform/paths.h"
#include "sync/snapshot.h"
#include "sync/syncrun.h"
#include "tests/e2e/filewriterstates.h"
#include "tests/update/updatefixture.h"
#include "tools/mmtreegen.h"
#include "update/checkforupdates.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

using namespace crashstates;

namespace {

const QDateTime kNow(QDate(2026, 1, 1), QTime(12, 0));

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Names directly in `folder` (files and folders, hidden ones too).
QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// What a killed writer printed.
struct WriterLog {
    bool ready = false;
    QString error;
    QStringList done;      // the completed writes, in order
    QString pending;       // the write begun last, when it did not complete
    QList<qint64> cycles;  // microseconds

    static WriterLog parse(const QByteArray &output)
    {
        WriterLog log;
        for (const QByteArray &raw : output.split('\n')) {
            const QString line = QString::fromUtf8(raw);
            if (line == u"ready")
                log.ready = true;
            else if (line.startsWith(u"begin "))
                log.pending = line.mid(6);
            else if (line.startsWith(u"done ")) {
                log.done << line.mid(5);
                log.pending.clear();
            } else if (line.startsWith(u"cycle "))
                log.cycles << line.mid(6).toLongLong();
            else if (line.startsWith(u"error "))
                log.error = line.mid(6);
        }
        return log;
    }
    // The state a restart may find besides the last completed one.
    QString lastDone(const QString &before) const { return done.isEmpty() ? before : done.last(); }
};

enum class Found { Old, New, Between };

struct Verdict {
    Found found = Found::Old;
    QStringList failures;
    int leftovers = 0; // temporary files that no reader takes, left by the kill
};

// One kind of file: where it lives, how the writer is started and what a
// restart must find.
class FileKind
{
public:
    explicit FileKind(QString folder) : m_folder(std::move(folder)) {}
    virtual ~FileKind() = default;
    virtual void prepare() = 0;
    virtual QStringList arguments() const = 0;
    // Restarts after a kill and checks what it finds. `random` picks choices
    // the restart leaves open (reproducibly).
    virtual Verdict check(const WriterLog &log, QRandomGenerator &random) = 0;

protected:
    QString m_folder;
};

// ---------------------------------------------------------------- one file, two states

// A file that one write replaces whole: after a kill it holds exactly the
// bytes of one state, the real reader reads that state, and the folder holds
// nothing else.
class SingleFileKind : public FileKind
{
public:
    using Writer = std::function<void(const QString &state, const QString &folder)>;
    using Reader = std::function<QString(const QString &state, const QString &folder)>; // error, if any

    SingleFileKind(const QString &folder, QString kind, QString fileName, Writer write, Reader read)
        : FileKind(folder), m_kind(std::move(kind)), m_fileName(std::move(fileName)), m_write(std::move(write)),
          m_read(std::move(read))
    {
    }

    void prepare() override
    {
        QVERIFY(QDir().mkpath(m_folder));
        const QString refs = m_folder + u"-refs"_qs;
        for (const QString &state : {u"A"_qs, u"B"_qs}) {
            QVERIFY(QDir().mkpath(refs + u'/' + state));
            m_write(state, refs + u'/' + state);
            m_bytes[indexOf(state)] = readBytes(refs + u'/' + state + u'/' + m_fileName);
            QVERIFY2(!m_bytes[indexOf(state)].isEmpty(), qPrintable(m_fileName));
        }
        QVERIFY(m_bytes[0] != m_bytes[1]);
        m_write(u"A"_qs, m_folder);
        m_current = u"A"_qs;
    }

    QStringList arguments() const override { return {m_kind, m_folder, other(m_current)}; }

    Verdict check(const WriterLog &log, QRandomGenerator &) override
    {
        Verdict v;
        const QString old = log.lastDone(m_current);
        const QByteArray bytes = readBytes(m_folder + u'/' + m_fileName);
        QString found;
        for (const QString &state : {u"A"_qs, u"B"_qs})
            if (bytes == m_bytes[indexOf(state)])
                found = state;
        if (found.isEmpty()) {
            v.failures << u"%1 is neither state (%2 bytes; the states have %3 and %4)"_qs.arg(m_fileName)
                              .arg(bytes.size())
                              .arg(m_bytes[0].size())
                              .arg(m_bytes[1].size());
            return v;
        }
        if (found != old && found != log.pending)
            v.failures << u"%1 holds state %2; the last write completed %3, the one begun %4"_qs.arg(
                m_fileName, found, old, log.pending.isEmpty() ? u"none"_qs : log.pending);
        v.found = found == old ? Found::Old : Found::New;
        // A kill between the two steps in which a complete new file takes
        // the place of the old one leaves it under its temporary name
        // ("<name>.XXXXXX"). No reader takes it; it is counted, not failed.
        const QRegularExpression temporary(u"^"_qs + QRegularExpression::escape(m_fileName) + u"\\.[A-Za-z0-9]{6}$"_qs);
        for (const QString &entry : entriesOf(m_folder)) {
            if (entry == m_fileName)
                continue;
            if (!temporary.match(entry).hasMatch())
                v.failures << u"left behind: "_qs + entry;
            else if (!m_temporaries.contains(entry)) {
                m_temporaries.insert(entry);
                ++v.leftovers;
            }
        }
        const QString readError = m_read(found, m_folder);
        if (!readError.isEmpty())
            v.failures << readError;
        m_current = found;
        return v;
    }

private:
    QString m_kind;
    QString m_fileName;
    Writer m_write;
    Reader m_read;
    QByteArray m_bytes[2];
    QString m_current;
    QSet<QString> m_temporaries; // counted already
};

std::unique_ptr<FileKind> databaseKind(const QString &folder)
{
    auto states = std::make_shared<std::array<tTitles, 2>>(
        std::array<tTitles, 2>{databaseState(u"A"_qs), databaseState(u"B"_qs)});
    return std::make_unique<SingleFileKind>(
        folder, u"database"_qs, QString::fromUtf16(kDatabaseFileName),
        [states](const QString &state, const QString &dir) {
            QString error;
            QVERIFY2(WriteDatabaseFile(DatabaseFilePath(dir), states->at(indexOf(state)), ProgVersion(), &error),
                     qPrintable(error));
        },
        [states](const QString &state, const QString &dir) -> QString {
            const LoadResult loaded = LoadLocalDatabase(dir, ProgVersion(), true, u"ERROR"_qs, kNow);
            if (loaded.status != LoadResult::Loaded)
                return u"the database does not load: "_qs + loaded.error;
            const tTitles &expected = states->at(indexOf(state));
            if (loaded.titles.Title.size() != expected.Title.size())
                return u"the database loads %1 titles, state %2 has %3"_qs.arg(loaded.titles.Title.size())
                    .arg(state)
                    .arg(expected.Title.size());
            for (qsizetype i = 0; i < expected.Title.size(); ++i)
                if (loaded.titles.Title.at(i).ID != expected.Title.at(i).ID
                    || loaded.titles.Title.at(i).Description != expected.Title.at(i).Description)
                    return u"title %1 of the database is not the one of state %2"_qs.arg(i).arg(state);
            return {};
        });
}

std::unique_ptr<FileKind> snapshotKind(const QString &folder)
{
    auto states = std::make_shared<std::array<tDirectories, 2>>(
        std::array<tDirectories, 2>{snapshotState(u"A"_qs), snapshotState(u"B"_qs)});
    return std::make_unique<SingleFileKind>(
        folder, u"snapshot"_qs, u"CVB_SmartSync.bin"_qs,
        [states](const QString &state, const QString &dir) {
            const QString error = SaveSnapshot(SmartSyncFile(dir), states->at(indexOf(state)));
            QVERIFY2(error.isEmpty(), qPrintable(error));
        },
        [states](const QString &state, const QString &dir) -> QString {
            const SnapshotLoad loaded = LoadSnapshot(SmartSyncFile(dir));
            if (!loaded.loaded())
                return u"the snapshot does not load: "_qs + loaded.error;
            if (loaded.Directories != states->at(indexOf(state)))
                return u"the snapshot loads other directories than state "_qs + state;
            return {};
        });
}

std::unique_ptr<FileKind> configKind(const QString &folder)
{
    return std::make_unique<SingleFileKind>(
        folder, u"config"_qs, ConfigFileName(),
        [](const QString &state, const QString &dir) {
            tSettings s = configState(state);
            QString error;
            QVERIFY2(SaveConfig(s, dir, &error), qPrintable(error));
        },
        [](const QString &state, const QString &dir) -> QString {
            QString error;
            const tSettings loaded = LoadConfig(dir, {}, &error, tFirstRunProbes());
            if (!error.isEmpty() || !loaded.Loaded)
                return u"the configuration does not load: "_qs + error;
            if (ConfigLines(loaded) != ConfigLines(configState(state)))
                return u"the configuration loads other settings than state "_qs + state;
            return {};
        });
}

// ---------------------------------------------------------------- artwork cache

// The cache is brought up to date title by title, so a kill may leave some
// titles of the new state and some of the old (Between). Every cached file
// must still be a whole copy of one state's image, and the next update must
// make the cache exactly the collection it is given.
class ArtKind : public FileKind
{
public:
    ArtKind(const QString &folder, QString sources) : FileKind(folder), m_sources(std::move(sources)) {}

    void prepare() override
    {
        QVERIFY(QDir().mkpath(m_folder));
        for (const QString &state : {u"A"_qs, u"B"_qs}) {
            for (const tTitle &t : artState(state, m_sources).Title) {
                const int number = t.ID.section(u'-', 2).toInt();
                const QList<ArtImage> images = artImages();
                for (int k = 0; k < images.size(); ++k)
                    QVERIFY(updatetest::writeAll(JoinNative(t.Directory, images.at(k).value),
                                                 artImageBytes(state, number, k)));
            }
        }
        restart(u"A"_qs);
        QVERIFY(currentFailures(u"A"_qs).isEmpty());
    }

    QStringList arguments() const override { return {u"art"_qs, m_folder, other(m_current), m_sources}; }

    Verdict check(const WriterLog &log, QRandomGenerator &random) override
    {
        Verdict v;
        const QString old = log.lastDone(m_current);
        const QString cache = CachePath(m_folder);
        bool allOld = true;
        bool allNew = !log.pending.isEmpty();
        // Every file must be a whole copy of one state's image.
        QSet<QString> seen;
        for (const QString &id : entriesOf(cache)) {
            const int number = id.startsWith(u"art-title-") ? id.section(u'-', 2).toInt() : -1;
            if (number < 0 || artId(number) != id) {
                v.failures << u"unknown cache entry "_qs + id;
                continue;
            }
            for (const QString &name : entriesOf(cache + id)) {
                const QString path = cache + id + u'/' + name;
                if (name.endsWith(u".partial")) {
                    ++v.leftovers;
                    continue;
                }
                int image = -1;
                const QList<ArtImage> images = artImages();
                for (int k = 0; k < images.size(); ++k)
                    if (images.at(k).storedName == name)
                        image = k;
                if (image < 0) {
                    v.failures << u"unknown cached file "_qs + path;
                    continue;
                }
                const QByteArray bytes = readBytes(path);
                QString whose;
                for (const QString &state : {u"A"_qs, u"B"_qs})
                    if (artTitleNumbers(state).contains(number) && bytes == artImageBytes(state, number, image))
                        whose = state;
                if (whose.isEmpty()) {
                    v.failures << u"%1 is no whole image (%2 bytes)"_qs.arg(path).arg(bytes.size());
                    continue;
                }
                seen.insert(id + u'/' + name);
                allOld = allOld && whose == old;
                allNew = allNew && whose == log.pending;
            }
        }
        allOld = allOld && seen == expectedFiles(old);
        allNew = allNew && seen == expectedFiles(log.pending);
        v.found = allOld ? Found::Old : allNew ? Found::New : Found::Between;

        // The next run's update, with either collection (the database of a
        // sync is stored before the cache is updated, so both can follow).
        const QString next = random.bounded(2) == 0 || log.pending.isEmpty() ? old : log.pending;
        restart(next);
        v.failures << currentFailures(next);
        return v;
    }

private:
    QSet<QString> expectedFiles(const QString &state) const
    {
        QSet<QString> files;
        if (state.isEmpty())
            return files;
        for (int number : artTitleNumbers(state))
            for (const ArtImage &image : artImages())
                files.insert(artId(number) + u'/' + image.storedName);
        return files;
    }

    void restart(const QString &state)
    {
        ArtCache cache(CachePath(m_folder));
        cache.GetSubDirectoryInfo();
        const ArtCacheUpdateResult result = cache.UpdateLocalArt(artState(state, m_sources));
        QCOMPARE(result.copyFailed, 0);
        m_current = state;
    }

    // After an update with `state`: the cache holds exactly its images.
    QStringList currentFailures(const QString &state) const
    {
        QStringList failures;
        const QString cache = CachePath(m_folder);
        const QSet<QString> expected = expectedFiles(state);
        QSet<QString> present;
        for (const QString &id : entriesOf(cache))
            for (const QString &name : entriesOf(cache + id))
                if (!name.endsWith(u".partial"))
                    present.insert(id + u'/' + name);
        for (const QString &missing : expected - present)
            failures << u"after the next update with state %1: %2 is missing"_qs.arg(state, missing);
        for (const QString &extra : present - expected)
            failures << u"after the next update with state %1: %2 is left"_qs.arg(state, extra);
        for (int number : artTitleNumbers(state)) {
            const QList<ArtImage> images = artImages();
            for (int k = 0; k < images.size(); ++k) {
                const QString path = cache + artId(number) + u'/' + images.at(k).storedName;
                if (QFileInfo::exists(path) && readBytes(path) != artImageBytes(state, number, k))
                    failures << u"after the next update with state %1: %2 is not the current image"_qs.arg(state, path);
            }
        }
        return failures;
    }

    QString m_sources;
    QString m_current;
};

// ---------------------------------------------------------------- update install

// Each kill point starts from a program folder with package A installed and
// the user's own files; the writer installs B, A, B, ... After the kill the
// next update check (which offers nothing) recovers, and the folder must then
// hold one whole package: the program and every file of it in one version.
class UpdateKind : public FileKind
{
public:
    UpdateKind(const QString &folder, QString packages) : FileKind(folder), m_packages(std::move(packages)) {}

    void prepare() override
    {
        QVERIFY(QDir().mkpath(m_packages));
        for (const QString &state : {u"A"_qs, u"B"_qs}) {
            QList<updatetest::ZipItem> items;
            for (const auto &[name, data] : packageFiles(state))
                items << updatetest::file(name.toUtf8(), data, name == u"cinevue" ? 0100755 : 0100644);
            QVERIFY(updatetest::writeZip(m_packages + u'/' + packageFileName(state), items));
        }
        freshFolder();
    }

    QStringList arguments() const override { return {u"update"_qs, m_folder, u"B"_qs, m_packages}; }

    Verdict check(const WriterLog &log, QRandomGenerator &) override
    {
        Verdict v;
        const QString old = log.lastDone(u"A"_qs);
        const QByteArray program = readBytes(m_folder + u"/cinevue"_qs);
        QString running;
        for (const QString &state : {u"A"_qs, u"B"_qs})
            if (program.startsWith(programHeader(state)))
                running = state;
        if (running.isEmpty()) {
            // The check would not find a program to start; still, recovery must bring it back.
            running = old;
        }

        // The next start's update check, with nothing offered: it recovers.
        struct Dialogs : UpdateDialogs {
            QStringList shown;
            bool askYesNo(const QString &t) override { shown << t; return false; }
            void showMessage(const QString &t) override { shown << t; }
            void showError(const QString &t) override { shown << t; }
            void setCaption(const QString &) override {}
            void restart(const QString &) override {}
        } dialogs;
        UpdateSite site;
        site.appPath = m_folder;
        site.progVersion = packageVersion(running);
        const UpdateCheckResult result = CheckForUpdates(site, tUpdate(), dialogs).Execute();
        if (result.outcome != UpdateOutcome::NoUpdate)
            v.failures << u"the recovering check ended with outcome %1"_qs.arg(int(result.outcome));
        for (const QString &text : std::as_const(dialogs.shown))
            v.failures << u"the recovering check showed: "_qs + text;

        QMap<QString, QByteArray> tree = updatetest::snapshot(m_folder);
        QString installed;
        for (const QString &state : {u"A"_qs, u"B"_qs})
            if (tree.value(u"cinevue"_qs).startsWith(programHeader(state)))
                installed = state;
        if (installed.isEmpty()) {
            v.failures << u"no whole program after the recovery (%1 bytes)"_qs.arg(tree.value(u"cinevue"_qs).size());
            freshFolder();
            return v;
        }
        if (installed != old && installed != log.pending)
            v.failures << u"version %1 is installed; the last install completed %2, the one begun %3"_qs.arg(
                installed, old, log.pending.isEmpty() ? u"none"_qs : log.pending);
        v.found = installed == old ? Found::Old : Found::New;
        if (!QFileInfo(m_folder + u"/cinevue"_qs).isExecutable())
            v.failures << u"the program is not executable"_qs;

        QMap<QString, QByteArray> expected = userFiles();
        for (const auto &[name, data] : packageFiles(installed))
            expected.insert(name, data);
        // An install adds files and never removes them: what the other
        // package alone has stays once that package was installed.
        const QString otherState = other(installed);
        const bool otherWasInstalled = otherState == u"A" || log.done.contains(otherState);
        for (const auto &[name, data] : packageFiles(otherState))
            if (!expected.contains(name) && otherWasInstalled)
                expected.insert(name, data);
        for (auto it = expected.begin(); it != expected.end(); ++it)
            for (QString parent = QFileInfo(it.key()).path(); parent != u"."; parent = QFileInfo(parent).path())
                if (!expected.contains(parent))
                    expected.insert(parent, "<folder>");

        // The downloaded package is not part of the program; a kill between
        // the download and the install's end leaves it.
        for (const QString &state : {u"A"_qs, u"B"_qs})
            if (tree.remove(u"Cinevue_"_qs + packageVersion(state) + u".zip"_qs) > 0)
                ++v.leftovers;
        for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
            if (!expected.contains(it.key()))
                v.failures << u"left behind: "_qs + it.key();
            else if (expected.value(it.key()) != it.value())
                v.failures << u"%1 is not the file of version %2"_qs.arg(it.key(), installed);
        }
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            if (!tree.contains(it.key()))
                v.failures << u"missing: "_qs + it.key();
        freshFolder();
        return v;
    }

private:
    static QMap<QString, QByteArray> userFiles()
    {
        return {{u"Cinevue.cfg"_qs, "ScanFolder=/srv/movies/\r\n"},
                {u"CinevueDB.xml"_qs, "<?xml version=\"1.0\"?><CVB_Database/>"},
                {u"Logs"_qs, "<folder>"},
                {u"Logs/Cinevue Sync Error Log.txt"_qs, "a log line\r\n"}};
    }

    void freshFolder()
    {
        QDir(m_folder).removeRecursively();
        QVERIFY(QDir().mkpath(m_folder));
        const QMap<QString, QByteArray> user = userFiles();
        for (auto it = user.cbegin(); it != user.cend(); ++it)
            if (it.value() != "<folder>")
                QVERIFY(updatetest::writeAll(m_folder + u'/' + it.key(), it.value()));
        for (const auto &[name, data] : packageFiles(u"A"_qs))
            QVERIFY(updatetest::writeAll(m_folder + u'/' + name, data));
        QFile::setPermissions(m_folder + u"/cinevue"_qs, QFile::permissions(m_folder + u"/cinevue"_qs)
                                                               | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    }

    QString m_packages;
};

// ---------------------------------------------------------------- marker toggles

struct MarkerState {
    bool watched = false;
    bool watchList = false;
    bool operator==(const MarkerState &) const = default;
};

// What the marker files say of a title, by the import's rule: the markers in
// the title's own folder.
MarkerState markerState(const tTitle &title)
{
    tTitle files = title;
    files.DiscInfo.clear();
    RefreshMarkerState(files);
    return {files.WatchedCVB, files.WatchList};
}

// The window's start: load the database, then sync.
void restartCollection(const QString &home, QStringList &failures)
{
    QString error;
    tSettings settings = LoadConfig(home, {}, &error, tFirstRunProbes());
    if (!error.isEmpty())
        failures << error;
    Collection collection(home, ProgVersion());
    collection.load(settings.AutoScan, LastMountedFile());
    const Collection::SyncOutcome synced = collection.sync(settings);
    collection.waitForStored();
    if (!synced.ran || !synced.storeError.isEmpty())
        failures << u"the restart's sync failed: "_qs + synced.storeError;
}

// A generated My Movies tree and a program folder that syncs it.
MMTreeResult makeCollection(const QString &home, const QString &movies, int titles, quint32 seed)
{
    MMTreeOptions gen;
    gen.root = movies;
    gen.titles = titles;
    gen.seed = seed;
    const MMTreeResult tree = GenerateMyMoviesTree(gen);
    QDir().mkpath(home);
    updatetest::writeAll(home + u"/Cinevue.cfg"_qs, (u"ScanFolder="_qs + movies + u"/\r\nAutoScan=True\r\n"_qs).toUtf8());
    return tree;
}

// The writer is the collection owner toggling markers; a restart is the
// window's start (load, then sync). Afterwards every toggled title's marker
// files say what the user chose last (or the toggle cut off), and the stored
// database says what the marker files say.
class MarkerKind : public FileKind
{
public:
    MarkerKind(const QString &folder, QString movies) : FileKind(folder), m_movies(std::move(movies)) {}

    void prepare() override
    {
        const MMTreeResult tree = makeCollection(m_folder, m_movies, 120, 31);
        QVERIFY2(tree.ok, qPrintable(tree.error));
        for (const MMTitleDir &t : tree.titles)
            if ((t.kind == MMTitleKind::DVDFolder || t.kind == MMTitleKind::BlurayFolder
                 || t.kind == MMTitleKind::ISOFile || t.kind == MMTitleKind::MultiDiscFolders)
                && t.readable && t.parentId.isEmpty() && !m_ids.contains(t.id))
                m_ids << t.id;
        QVERIFY(m_ids.size() >= 10);
        QStringList failures;
        restartCollection(m_folder, failures);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        const QHash<QString, MarkerState> disk = stateOnDisk(failures);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        for (const QString &id : std::as_const(m_ids)) {
            QVERIFY2(disk.contains(id), qPrintable(id));
            m_chosen.insert(id, disk.value(id));
        }
    }

    QStringList arguments() const override
    {
        return {u"markers"_qs, m_folder, QString::number(++m_runs * 7919), m_ids.join(u',')};
    }

    Verdict check(const WriterLog &log, QRandomGenerator &) override
    {
        Verdict v;
        // What the user chose, by the toggles that completed.
        struct Toggle {
            QString id;
            bool watchList = false;
            bool value = false;
            bool valid = false;
        };
        auto parse = [](const QString &text) {
            const QStringList parts = text.split(u' ');
            Toggle t;
            if (parts.size() == 3) {
                t = {parts.at(0), parts.at(1) == u"watchlist", parts.at(2) == u"1", true};
            }
            return t;
        };
        for (const QString &text : log.done) {
            const Toggle t = parse(text);
            if (!t.valid || !m_chosen.contains(t.id)) {
                v.failures << u"unexpected writer line: "_qs + text;
                continue;
            }
            (t.watchList ? m_chosen[t.id].watchList : m_chosen[t.id].watched) = t.value;
        }
        const Toggle cut = parse(log.pending);

        restartCollection(m_folder, v.failures);
        const QHash<QString, MarkerState> disk = stateOnDisk(v.failures);
        // A toggle cut off may have reached its marker files or not; one
        // that completed is the user's choice, whether or not the database
        // write it started finished.
        v.found = log.done.isEmpty() && !cut.valid ? Found::Old : Found::New;
        for (const QString &id : std::as_const(m_ids)) {
            const MarkerState chosen = m_chosen.value(id);
            const MarkerState found = disk.value(id);
            if (cut.valid && cut.id == id) {
                MarkerState toggled = chosen;
                (cut.watchList ? toggled.watchList : toggled.watched) = cut.value;
                if (found == toggled || found == chosen) {
                    v.found = found == toggled ? Found::New : Found::Old;
                    m_chosen[id] = found;
                    continue;
                }
            }
            if (found != chosen)
                v.failures << u"title %1: the marker files say watched %2, watch list %3; the user chose %4, %5"_qs
                                  .arg(id)
                                  .arg(found.watched)
                                  .arg(found.watchList)
                                  .arg(chosen.watched)
                                  .arg(chosen.watchList);
        }
        return v;
    }

private:
    // The toggled titles' state by their marker files, each of which must
    // agree with the stored database.
    QHash<QString, MarkerState> stateOnDisk(QStringList &failures) const
    {
        QHash<QString, MarkerState> states;
        const LoadResult loaded = LoadLocalDatabase(m_folder, ProgVersion(), true, u"ERROR"_qs, kNow);
        if (loaded.status != LoadResult::Loaded) {
            failures << u"the database does not load after the restart: "_qs + loaded.error;
            return states;
        }
        for (const tTitle &stored : loaded.titles.Title) {
            if (!m_ids.contains(stored.ID))
                continue;
            const MarkerState files = markerState(stored);
            if (files != MarkerState{stored.WatchedCVB, stored.WatchList})
                failures << u"title %1: the database says watched %2, watch list %3; its marker files %4, %5"_qs
                                .arg(stored.ID)
                                .arg(stored.WatchedCVB)
                                .arg(stored.WatchList)
                                .arg(files.watched)
                                .arg(files.watchList);
            states.insert(stored.ID, files);
        }
        return states;
    }

    QString m_movies;
    QStringList m_ids;
    QHash<QString, MarkerState> m_chosen;
    mutable int m_runs = 0;
};

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

    QString m_writer;
    std::unique_ptr<QTemporaryDir> m_root;
    quint32 m_seed = 0;
    int m_kills = 0;

    // Starts the writer and waits until its writes begin; its output so far
    // goes to `output`.
    bool startWriter(QProcess &p, const QStringList &arguments, QByteArray &output)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"CINEVUE_HOME"_qs, m_root->path());
        env.insert(u"HOME"_qs, m_root->path());
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(m_writer, arguments);
        if (!p.waitForStarted(10000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!output.contains("ready\n") && !output.contains("error ") && waited.elapsed() < 120000) {
            p.waitForReadyRead(1000);
            output += p.readAllStandardOutput();
            if (p.state() == QProcess::NotRunning)
                break;
        }
        return output.contains("ready\n");
    }

    WriterLog killAfter(QProcess &p, QByteArray &output, qint64 microseconds)
    {
        QThread::usleep(quint64(microseconds));
        p.kill();
        p.waitForFinished(30000);
        output += p.readAllStandardOutput();
        return WriterLog::parse(output);
    }

private slots:
    void initTestCase()
    {
        const QString buildDir = qEnvironmentVariable("CINEVUE_BUILD_DIR");
        QVERIFY2(!buildDir.isEmpty(), "CINEVUE_BUILD_DIR is not set (run the test through ctest)");
        m_writer = buildDir + u"/tests/cv_filewriter"_qs;
        QVERIFY2(QFileInfo(m_writer).isExecutable(), qPrintable(m_writer));
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        // The collection's sync reads the registry-like store of the program folder.
        qputenv("CINEVUE_HOME", m_root->path().toLocal8Bit());
        m_seed = qEnvironmentVariableIsSet("CINEVUE_KILL_SEED") ? qEnvironmentVariable("CINEVUE_KILL_SEED").toUInt()
                                                                 : 20261211u;
        m_kills = qEnvironmentVariableIntValue("CINEVUE_KILL_POINTS") > 0
                      ? qEnvironmentVariableIntValue("CINEVUE_KILL_POINTS")
                      : 12;
        qInfo("kill seed %u (CINEVUE_KILL_SEED repeats it), %d kill points per kind (CINEVUE_KILL_POINTS)", m_seed,
              m_kills);
    }
    void cleanupTestCase() { m_root.reset(); }

    // The kill the random test finds now and then, made on purpose: the user
    // presses a marker key twice, and the program ends while it stores the
    // second press, so the database holds the first. The marker files are
    // then as the snapshot knew them (toggled back), or carry the time it
    // recorded (made again within the two seconds a file time resolves).
    // The restart must still read the title again.
    void secondToggleCutOffFromItsDatabaseWrite_data()
    {
        QTest::addColumn<bool>("watchList");
        QTest::addColumn<bool>("markerThere"); // at the sync before the presses
        QTest::newRow("watched, toggled back") << false << false;
        QTest::newRow("watch list, toggled back") << true << false;
        QTest::newRow("watched, made again with the recorded time") << false << true;
        QTest::newRow("watch list, made again with the recorded time") << true << true;
    }
    void secondToggleCutOffFromItsDatabaseWrite()
    {
        QFETCH(bool, watchList);
        QFETCH(bool, markerThere);
        const QString home = m_root->path() + u"/cut-off/"_qs + QString::fromUtf8(QTest::currentDataTag());
        const MMTreeResult tree = makeCollection(home, home + u"-movies"_qs, 10, 41);
        QVERIFY2(tree.ok, qPrintable(tree.error));
        QString id;
        for (const MMTitleDir &t : tree.titles)
            if (id.isEmpty() && t.kind == MMTitleKind::DVDFolder && t.readable && t.parentId.isEmpty()
                && QDir(t.directory).entryList({u"CVB_*"_qs}, QDir::Files).isEmpty())
                id = t.id;
        QVERIFY(!id.isEmpty());
        QStringList failures;
        restartCollection(home, failures);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));

        const QString database = DatabaseFilePath(home);
        QString folder;
        QMap<QString, QDateTime> recorded; // marker files at the last sync and their times
        {
            tSettings settings = LoadConfig(home, {}, nullptr, tFirstRunProbes());
            Collection collection(home, ProgVersion());
            QCOMPARE(collection.load(true, u"ERROR"_qs).status, LoadResult::Loaded);
            qint32 index = -1;
            for (qint32 i = 0; i < collection.titles().Title.size(); ++i)
                if (collection.titles().Title.at(i).ID == id)
                    index = i;
            QVERIFY(index >= 0);
            folder = collection.titles().Title.at(index).Directory;
            auto press = [&] {
                const MarkerResult r = watchList ? collection.toggleWatchList(index) : collection.toggleWatched(index);
                QVERIFY2(r.ok, qPrintable(r.error));
                collection.waitForStored();
            };
            if (markerThere) {
                press();
                QVERIFY(collection.sync(settings).storeError.isEmpty());
                collection.waitForStored();
                for (const QFileInfo &marker : QDir(folder).entryInfoList({u"CVB_*.txt"_qs}, QDir::Files))
                    recorded.insert(marker.fileName(), marker.lastModified());
                QVERIFY(!recorded.isEmpty());
            }
            press();
            QVERIFY(QFile::copy(database, database + u".first"_qs));
            press();
            for (auto it = recorded.cbegin(); it != recorded.cend(); ++it) {
                QFile marker(folder + u'/' + it.key());
                QVERIFY2(marker.open(QIODevice::ReadWrite), qPrintable(it.key()));
                QVERIFY(marker.setFileTime(it.value(), QFileDevice::FileModificationTime));
            }
        }
        if (QTest::currentTestFailed())
            return;
        // What the kill during the second press's write leaves.
        QVERIFY(QFile::remove(database));
        QVERIFY(QFile::rename(database + u".first"_qs, database));

        restartCollection(home, failures);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        const LoadResult stored = LoadLocalDatabase(home, ProgVersion(), true, u"ERROR"_qs, kNow);
        QCOMPARE(stored.status, LoadResult::Loaded);
        const auto title = std::find_if(stored.titles.Title.cbegin(), stored.titles.Title.cend(),
                                        [&id](const tTitle &t) { return t.ID == id; });
        QVERIFY(title != stored.titles.Title.cend());
        const MarkerState files = markerState(*title);
        QCOMPARE(files.watchList, markerThere && watchList);
        QCOMPARE(title->WatchList, files.watchList);
        QCOMPARE(title->WatchedCVB, files.watched);
    }

    void killedWriterLeavesOldOrNewState_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("database CinevueDB.xml") << u"database"_qs;
        QTest::newRow("snapshot CVB_SmartSync.bin") << u"snapshot"_qs;
        QTest::newRow("configuration Cinevue.cfg") << u"config"_qs;
        QTest::newRow("artwork cache") << u"art"_qs;
        QTest::newRow("update install") << u"update"_qs;
        QTest::newRow("marker toggles and the database") << u"markers"_qs;
    }
    void killedWriterLeavesOldOrNewState()
    {
        QFETCH(QString, kind);
        const QString folder = m_root->path() + u'/' + kind;
        std::unique_ptr<FileKind> files;
        if (kind == u"database")
            files = databaseKind(folder);
        else if (kind == u"snapshot")
            files = snapshotKind(folder);
        else if (kind == u"config")
            files = configKind(folder);
        else if (kind == u"art")
            files = std::make_unique<ArtKind>(folder, folder + u"-sources"_qs);
        else if (kind == u"update")
            files = std::make_unique<UpdateKind>(folder, folder + u"-packages"_qs);
        else
            files = std::make_unique<MarkerKind>(folder, folder + u"-movies"_qs);
        files->prepare();
        if (QTest::currentTestFailed())
            return;

        QRandomGenerator random(m_seed + quint32(qHash(kind)));
        QStringList failures;

        // A first run measures the write cycle; the kills then spread over
        // two cycles, so that they land in every phase of a write.
        qint64 cycle = 0;
        {
            QProcess p;
            QByteArray output;
            QVERIFY2(startWriter(p, files->arguments(), output), output.constData());
            QElapsedTimer waited;
            waited.start();
            while (WriterLog::parse(output).cycles.size() < 4 && waited.elapsed() < 60000
                   && p.state() == QProcess::Running) {
                p.waitForReadyRead(1000);
                output += p.readAllStandardOutput();
            }
            const WriterLog log = killAfter(p, output, 0);
            QVERIFY2(log.error.isEmpty(), qPrintable(log.error));
            QVERIFY2(log.cycles.size() >= 4, output.constData());
            cycle = (log.cycles.at(1) + log.cycles.at(2) + log.cycles.at(3)) / 3;
            const Verdict v = files->check(log, random);
            for (const QString &f : v.failures)
                failures << u"after the measuring run: "_qs + f;
        }
        const qint64 span = qMax<qint64>(2 * cycle, 1000);

        int counts[3] = {0, 0, 0};
        int leftovers = 0;
        int failedKills = 0;
        for (int k = 0; k < m_kills; ++k) {
            QProcess p;
            QByteArray output;
            QVERIFY2(startWriter(p, files->arguments(), output), output.constData());
            const qint64 at = qint64(random.bounded(quint32(span)));
            const WriterLog log = killAfter(p, output, at);
            QVERIFY2(log.error.isEmpty(), qPrintable(log.error));
            const Verdict v = files->check(log, random);
            if (QTest::currentTestFailed())
                return;
            ++counts[int(v.found)];
            leftovers += v.leftovers;
            if (!v.failures.isEmpty()) {
                ++failedKills;
                for (const QString &f : v.failures)
                    failures << u"kill %1 at %2 us: %3"_qs.arg(k + 1).arg(at).arg(f);
            }
        }
        qInfo("%s: %d kill points over %lld us (cycle %lld us), %d old states, %d new states, %d between, "
              "%d temporary files left, %d failures",
              qPrintable(kind), m_kills, span, cycle, counts[0], counts[1], counts[2], leftovers, failedKills);
        QVERIFY2(failures.isEmpty(), qPrintable(u"seed %1:\n"_qs.arg(m_seed) + failures.mid(0, 20).join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
