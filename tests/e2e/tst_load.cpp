// The window under load, on a generated tree of 10,000 titles: keys that keep
// arriving while the collection syncs, and a burst of 1,000 marker toggles.
// After the burst the titles in memory, the marker files on disk and the
// stored database say the same for every title, and still do after the next
// sync.

#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "model/localdatabase.h"
#include "model/markers.h"
#include "tests/ui/windowfixture.h"
#include "tools/mmtreegen.h"
#include "ui/messages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QKeyEvent>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

constexpr int kTitles = 10000;

// Records every key press the window receives, in the order of delivery.
class KeyRecorder : public QObject
{
public:
    struct Delivery {
        quint32 sequence;
        qint64 latencyNs; // from posting to delivery
    };
    QList<Delivery> delivered;
    QHash<quint32, qint64> postedAt;
    QElapsedTimer clock;

    KeyRecorder() { clock.start(); }

    void post(QObject *window, int key, quint32 sequence)
    {
        postedAt.insert(sequence, clock.nsecsElapsed());
        // Queued like input from the display server: delivered when the event
        // loop next runs.
        QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, sequence, 0, 0));
        QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, sequence, 0, 0));
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const quint32 sequence = static_cast<QKeyEvent *>(event)->nativeScanCode();
            if (postedAt.contains(sequence))
                delivered.append({sequence, clock.nsecsElapsed() - postedAt.value(sequence)});
        }
        return false;
    }
};

// The marker state of a title as its folders hold it.
struct Markers {
    bool watched = false;
    bool watchList = false;
    bool operator==(const Markers &) const = default;
};

// A placeholder (no readable title XML: its ID is its folder's name) counts
// only CVB_Watched.txt and CVB_WatchList.txt; any other title all three.
Markers onDisk(const tTitle &title)
{
    tTitle copy = title;
    if (title.ID == QFileInfo(title.Directory).fileName())
        EvaluatePlaceholderMarkers(copy);
    else
        RefreshMarkerState(copy);
    return {copy.WatchedCVB, copy.WatchList};
}

Markers inMemory(const tTitle &title)
{
    return {title.WatchedCVB, title.WatchList};
}

const tTitle *titleWithId(const tTitles &titles, const QString &id)
{
    for (const tTitle &t : titles.Title)
        if (t.ID == id)
            return &t;
    return nullptr;
}

} // namespace

class TestLoad : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_tree;
    std::unique_ptr<QTemporaryDir> m_home;

    void writeSettings(bool autoScan)
    {
        tSettings s;
        s.Folders.append({m_tree, false});
        s.AutoScan = autoScan;
        s.ScreenSaver = false;
        QString error;
        QVERIFY2(SaveConfig(s, m_home->path(), &error), qPrintable(error));
    }

    // Every title: memory, marker files and the stored database agree.
    void verifyAllAgree(const TForm1 &form, const QString &when)
    {
        const LoadResult stored = LoadLocalDatabase(m_home->path(), ProgVersion(), false, QString(),
                                                    QDateTime::currentDateTime());
        QVERIFY2(stored.status == LoadResult::Loaded, qPrintable(stored.error));
        QHash<QString, Markers> storedById;
        for (const tTitle &t : stored.titles.Title)
            storedById.insert(t.ID, inMemory(t));
        QCOMPARE(stored.titles.Title.size(), form.Titles.Title.size());
        for (const tTitle &t : form.Titles.Title) {
            const Markers memory = inMemory(t);
            const Markers disk = onDisk(t);
            QVERIFY2(disk == memory, qPrintable(u"%1: marker files of %2 in %3 say watched %4, watch list %5; the title %6, %7"_qs
                                                    .arg(when, t.ID, MarkerFolders(t).join(u", "_qs))
                                                    .arg(disk.watched).arg(disk.watchList)
                                                    .arg(memory.watched).arg(memory.watchList)));
            QVERIFY2(storedById.value(t.ID) == memory, qPrintable(when + u": database entry of "_qs + t.ID));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        m_tree = m_tmp.path() + u"/Movies"_qs;
        MMTreeOptions options;
        options.root = m_tree;
        options.titles = kTitles;
        options.seed = 13;
        const MMTreeResult tree = GenerateMyMoviesTree(options);
        QVERIFY2(tree.ok, qPrintable(tree.error));
    }

    void init()
    {
        makeWindowHome(m_home);
        messages::TakeShown();
    }

    // Keys pressed all through a sync of the whole tree reach the window one
    // by one, in the order pressed; the sync lets the event loop run often
    // enough for that.
    void keysDuringASyncArriveInOrder()
    {
        writeSettings(true);
        TForm1 form;
        KeyRecorder keys;
        form.installEventFilter(&keys);
        quint32 sequence = 0;
        int postedWhileSyncing = 0;
        QTimer typist;
        typist.setInterval(5);
        QObject::connect(&typist, &QTimer::timeout, &form, [&] {
            if (form.collection().job() != Collection::Job::Syncing)
                return;
            // Left on the first column and in the syncing mode: no move.
            keys.post(&form, Qt::Key_Left, ++sequence);
            ++postedWhileSyncing;
        });
        typist.start();
        form.resize(Scene::kWidth / 2, Scene::kHeight / 2);
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(form.isStartupFinished(), 600000);
        typist.stop();
        QCoreApplication::processEvents();

        QVERIFY(form.Titles.Title.size() >= kTitles);
        if (postedWhileSyncing == 0)
            QSKIP("the sync ended before a key could arrive");
        QCOMPARE(keys.delivered.size(), int(sequence));
        qint64 worst = 0;
        for (int i = 0; i < keys.delivered.size(); ++i) {
            QCOMPARE(keys.delivered.at(i).sequence, quint32(i + 1));
            worst = qMax(worst, keys.delivered.at(i).latencyNs);
        }
        qInfo("%d keys during the sync, all delivered in order; worst latency %.1f ms", int(sequence),
              double(worst) / 1e6);
        QCOMPARE(messages::TakeShown(), QStringList());
    }

    // 1,000 watched and watch-list toggles as fast as the keys come, moving
    // over the carousel between them: every toggle reaches the marker files
    // and the database, and the next sync reads the same state back.
    void toggleBurstIsAllOnDisk()
    {

        writeSettings(true);
        TForm1 form;
        showAndWait(form);
        QCOMPARE(form.ScreenMode, smRowA);
        QVERIFY(form.ViewList.size() > 100);

        // What the toggles should leave, per title, from the titles' own start.
        QHash<QString, Markers> expected; // by ID
        const auto note = [&](bool watchList) {
            const tTitle &title = form.Titles.Title.at(form.FocusTitle);
            if (!expected.contains(title.ID))
                expected.insert(title.ID, inMemory(title));
            Markers &m = expected[title.ID];
            (watchList ? m.watchList : m.watched) = !(watchList ? m.watchList : m.watched);
        };
        for (int i = 0; i < 1000; ++i) {
            // Some titles are toggled several times: the walk turns back.
            const int move = (i / 50) % 2 == 0 ? Qt::Key_Right : Qt::Key_Left;
            if (i % 3 == 0) {
                note(false);
                press(&form, Qt::Key_Escape);
            } else {
                note(true);
                press(&form, Qt::Key_Asterisk, u"*"_qs);
            }
            press(&form, i % 7 == 0 ? Qt::Key_Down : move);
            if (form.ScreenMode == smRowB && i % 7 == 3)
                press(&form, Qt::Key_Up);
        }
        QCOMPARE(messages::TakeShown(), QStringList());

        // Titles that share a folder with another title see that title's
        // toggles as well; the rest must show exactly their own.
        QHash<QString, int> folderUse;
        for (const tTitle &t : form.Titles.Title)
            for (const QString &f : MarkerFolders(t))
                ++folderUse[f];
        const auto ownFolders = [&](const tTitle &t) {
            const QStringList folders = MarkerFolders(t);
            return std::none_of(folders.cbegin(), folders.cend(), [&](const QString &f) { return folderUse.value(f) > 1; });
        };
        const auto verifyToggled = [&](const QString &when) {
            int checked = 0;
            for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
                const tTitle *t = titleWithId(form.Titles, it.key());
                QVERIFY2(t, qPrintable(when + u": "_qs + it.key()));
                if (!ownFolders(*t))
                    continue;
                QVERIFY2(inMemory(*t) == it.value(), qPrintable(when + u": "_qs + it.key()));
                ++checked;
            }
            QVERIFY(checked > 20);
        };
        verifyToggled(u"after the burst"_qs);

        form.collection().waitForStored();
        verifyAllAgree(form, u"after the burst"_qs);

        // The next sync reads the markers back from the folders.
        QVERIFY(QFile::remove(form.SmartSyncFile)); // a full refresh: every title re-read
        form.SyncFolders();
        form.collection().waitForStored();
        verifyToggled(u"after the sync"_qs);
        verifyAllAgree(form, u"after the sync"_qs);
    }
};

QTEST_MAIN(TestLoad)
#include "tst_load.moc"
