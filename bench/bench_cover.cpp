// Cover composition with 1000 x 1400 JPEG cover art: the cost of one cover
// decoded at full size and at the drawn size, and the main-thread time per
// carousel step when the pre-decoder works ahead of the focus.

#include "bench/benchart.h"
#include "art/covercomposer.h"
#include "art/coverpredecoder.h"
#include "art/coverprofiles.h"
#include "art/imageresources.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double percentile95(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, v.size() * 95 / 100)];
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir tmp;
    ImageResources resources;
    resources.PreLoad();
    CoverProfiles profiles;
    profiles.Load(QStringLiteral("Default"), {}, resources);

    constexpr int kTitles = 160;
    QList<tTitle> titles;
    for (int i = 0; i < kTitles; ++i) {
        tTitle t;
        t.ID = QStringLiteral("t%1").arg(i);
        t.Directory = tmp.filePath(t.ID);
        QDir().mkpath(t.Directory);
        t.ImgFolder = QStringLiteral("folder.jpg");
        t.DiscType = tDiscTypes(i % 3);
        t.WatchedCVB = i % 4 == 0;
        writeArt(t.Directory + QStringLiteral("/folder.jpg"), i);
        titles << t;
    }

    // One cover, composed at once on the calling thread.
    {
        CoverComposer composer(profiles, resources);
        std::vector<double> full, scaled;
        for (int i = 0; i < 40; ++i) {
            QElapsedTimer timer;
            timer.start();
            QImageReader reader(titles[i].Directory + QStringLiteral("/folder.jpg"));
            const QImage img = reader.read();
            full.push_back(timer.nsecsElapsed() / 1e6);
            Q_UNUSED(img);
            timer.restart();
            const QImage cover = composer.Compose(titles[i], false);
            scaled.push_back(timer.nsecsElapsed() / 1e6);
            Q_UNUSED(cover);
        }
        std::printf("BENCH cover_decode_full_1000x1400: %.2f ms\n", median(full));
        std::printf("BENCH cover_compose_1000x1400: %.2f ms\n", median(scaled));
    }

    // Holding Right: one step every 60 ms; each step needs the two covers of
    // the new column 10, then names the next four columns to the pre-decoder.
    {
        CoverComposer composer(profiles, resources);
        CoverPredecoder predecoder(composer);
        constexpr int kAhead = 8;
        QList<tTitle> first;
        for (int p = 0; p < 22 + kAhead; ++p)
            first << titles[p];
        predecoder.Prefetch(first);
        predecoder.waitForDone();
        std::vector<double> steps;
        for (int column = 11; (column + 1) * 2 + kAhead < kTitles; ++column) {
            QElapsedTimer timer;
            timer.start();
            composer.CreateCover(titles[2 * column], false);
            composer.CreateCover(titles[2 * column + 1], false);
            QList<tTitle> ahead;
            for (int p = 2 * column + 2; p < 2 * column + 2 + kAhead; ++p)
                ahead << titles[p];
            predecoder.Prefetch(ahead);
            steps.push_back(timer.nsecsElapsed() / 1e6);
            QThread::msleep(60);
        }
        std::printf("BENCH carousel_step_main_thread_median: %.3f ms (target <= 2 ms)\n", median(steps));
        std::printf("BENCH carousel_step_main_thread_p95: %.3f ms (target <= 2 ms)\n", percentile95(steps));
    }
    return 0;
}
