// The window while it syncs a 10,000-title tree (see benchsize.h) from an
// empty collection, with a key arriving every 5 ms as a held remote button
// sends them: how long a key waits for the event loop (worst and 99th
// percentile) and how many turns of the loop took longer than 100 ms, which
// the screen would show as a stalled frame. The tree is the one bench_sync
// writes (/tmp/cinevue-bench-tree), made here when missing. With BENCH_GAPS
// set, every turn over 40 ms is printed with the labels shown at the time, to
// find the step that holds the loop.

#include "bench/benchsize.h"
#include "bench/benchtree.h"
#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// Times from posting a key to its delivery, and the longest waits between
// turns of the event loop.
class KeyClock : public QObject
{
public:
    QElapsedTimer clock;
    QHash<quint32, qint64> postedAt;
    QList<qint64> latencies;

    KeyClock() { clock.start(); }

    void post(QObject *window, quint32 sequence)
    {
        postedAt.insert(sequence, clock.nsecsElapsed());
        QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, sequence, 0, 0));
        QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier, sequence, 0, 0));
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto it = postedAt.constFind(static_cast<QKeyEvent *>(event)->nativeScanCode());
            if (it != postedAt.cend())
                latencies.append(clock.nsecsElapsed() - it.value());
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    messages::SetHeadless(true);
    const int titles = BenchTitles();
    const QString tree = BenchCacheFolder(QStringLiteral("tree"), titles);
    if (!EnsureBenchTree(tree, titles))
        return 1;

    QTemporaryDir home;
    qputenv("CINEVUE_HOME", QFile::encodeName(home.path()));
    tSettings settings;
    settings.Folders.append({tree, false});
    settings.AutoScan = true;
    settings.ScreenSaver = false;
    QString error;
    if (!SaveConfig(settings, home.path(), &error)) {
        std::fprintf(stderr, "bench_syncwindow: %s\n", qUtf8Printable(error));
        return 1;
    }

    TForm1 form;
    KeyClock keys;
    form.installEventFilter(&keys);
    quint32 sequence = 0;
    qint64 worstGapNs = 0;
    int longGaps = 0;
    qint64 lastTurn = -1;
    QTimer typist;
    typist.setInterval(5);
    QObject::connect(&typist, &QTimer::timeout, &form, [&] {
        if (form.collection().job() != Collection::Job::Syncing) {
            lastTurn = -1;
            return;
        }
        const qint64 now = keys.clock.nsecsElapsed();
        if (lastTurn >= 0) {
            worstGapNs = std::max(worstGapNs, now - lastTurn);
            if (now - lastTurn > 100'000'000)
                ++longGaps;
            if (qEnvironmentVariableIsSet("BENCH_GAPS") && now - lastTurn > 40'000'000)
                std::fprintf(stderr, "gap %.1f ms before: %s | %s\n", double(now - lastTurn) / 1e6,
                             qUtf8Printable(form.label(u"LabelProcessing"_qs)->text()),
                             qUtf8Printable(form.label(u"LabelProcessingStatus"_qs)->text()));
        }
        lastTurn = now;
        keys.post(&form, ++sequence);
    });
    typist.start();
    QElapsedTimer run;
    run.start();
    form.resize(Scene::kWidth / 2, Scene::kHeight / 2);
    form.show();
    while (!form.isStartupFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    typist.stop();
    QCoreApplication::processEvents();
    const qint64 runMs = run.elapsed();

    QList<qint64> l = keys.latencies;
    std::sort(l.begin(), l.end());
    if (l.isEmpty() || form.Titles.Title.size() < titles / 2) {
        std::fprintf(stderr, "bench_syncwindow: the sync gave %lld titles and %lld keys\n",
                     qlonglong(form.Titles.Title.size()), qlonglong(l.size()));
        return 1;
    }
    const double p99 = double(l.at(qMin(l.size() - 1, l.size() * 99 / 100))) / 1e6;
    std::printf("BENCH %s: %.1f ms worst, %.1f ms p99, %lld of %u keys delivered, start-up with the sync %lld ms\n",
                BenchSized("sync_window_key_latency", titles).c_str(), double(l.last()) / 1e6, p99,
                qlonglong(l.size()), sequence, runMs);
    std::printf("BENCH %s: %d turns of the event loop over 100 ms, worst %.1f ms (target: none)\n",
                BenchSized("sync_window_stalls", titles).c_str(), longGaps, double(worstGapNs) / 1e6);
    return 0;
}
