// Holding Right on the carousel of a 10,000-title view list whose covers are
// 1000 x 1400 JPEG files: the main-thread time of each step (key handling,
// slot moves, the new edge column, the summary), and how many frames (step
// plus rendering the surface) take longer than one 60 Hz frame. Keys arrive
// at the keyboard's repeat rate with the event loop running, so the covers
// composed ahead on worker threads get the time they would get on screen.

#include "bench/benchart.h"
#include "bench/benchsize.h"
#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "ui/carousel.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kTitles = BenchTitles();
constexpr int kArtFiles = 64;      // distinct JPEG files, shared by many titles
constexpr int kRepeatMs = 33;      // keyboard repeat, about 30 keys a second
constexpr int kHeldMs = 10000;     // how long Right is held
constexpr double kFrameMs = 1000.0 / 60;

double percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(double(v.size()) * q))];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    messages::SetHeadless(true);

    QTemporaryDir home;
    qputenv("CINEVUE_HOME", QFile::encodeName(home.path()));
    tSettings settings;
    settings.ScreenSaver = false;
    settings.ShowClock = false;
    QString error;
    if (!SaveConfig(settings, home.path() + u'/', &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    QStringList folders;
    for (int i = 0; i < kArtFiles; ++i) {
        const QString folder = QDir(home.path()).filePath(u"Movies/Art%1"_qs.arg(i));
        QDir().mkpath(folder);
        writeArt(folder + u"/folder.jpg"_qs, i);
        folders << folder;
    }
    // Every title has its own ID, so every cover is composed from its file.
    tTitles titles;
    titles.Title.reserve(kTitles);
    for (int i = 0; i < kTitles; ++i) {
        tTitle t;
        t.ID = u"T%1"_qs.arg(i, 5, 10, QChar(u'0'));
        t.Title = u"Title %1"_qs.arg(i, 5, 10, QChar(u'0'));
        t.SortTitle = t.Title;
        t.Year = 1950 + i % 70;
        t.Runtime = 80 + i % 90;
        t.MediaType = mtMovie;
        t.DiscType = tDiscTypes(i % 3);
        t.WatchedCVB = i % 5 == 0;
        t.Directory = folders.at(i % kArtFiles);
        t.ImgFolder = u"folder.jpg"_qs;
        titles.Title.append(t);
    }

    TForm1 form;
    form.resize(Scene::kWidth, Scene::kHeight);
    form.show();
    while (!form.isStartupFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    form.collection().setTitles(titles, false);
    QElapsedTimer fill;
    fill.start();
    form.SortItems();
    const double fillMs = fill.nsecsElapsed() / 1e6;
    // The rest of the view-list index, which a start makes in the background,
    // is ready before the held key is timed.
    form.collection().viewIndex().prepare();
    form.carousel().waitForPrefetch();

    // Held Right: one key every kRepeatMs; after each step the surface is
    // rendered as the screen would show it.
    std::vector<double> steps, frames, renders;
    QImage surface(Scene::kWidth, Scene::kHeight, QImage::Format_ARGB32_Premultiplied);
    QEventLoop loop;
    QTimer repeat;
    repeat.setTimerType(Qt::PreciseTimer);
    repeat.setInterval(kRepeatMs);
    QElapsedTimer held;
    QObject::connect(&repeat, &QTimer::timeout, [&] {
        if (held.elapsed() >= kHeldMs) {
            loop.quit();
            return;
        }
        QElapsedTimer t;
        t.start();
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, {}, true);
        QApplication::sendEvent(&form, &down);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, {}, true);
        QApplication::sendEvent(&form, &up);
        const double stepMs = t.nsecsElapsed() / 1e6;
        surface.fill(Qt::black);
        QPainter painter(&surface);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        form.scene().render(&painter, QRectF(0, 0, Scene::kWidth, Scene::kHeight), form.scene().sceneRect());
        painter.end();
        const double frameMs = t.nsecsElapsed() / 1e6;
        steps.push_back(stepMs);
        frames.push_back(frameMs);
        renders.push_back(frameMs - stepMs);
    });
    held.start();
    repeat.start();
    loop.exec();
    repeat.stop();

    const long over = std::count_if(frames.begin(), frames.end(), [](double ms) { return ms > kFrameMs; });
    std::printf("BENCH %s: %.1f ms\n", BenchFigure("carousel_fill_22_covers").c_str(), fillMs);
    std::printf("BENCH %s: %.3f ms (target <= 2 ms)\n", BenchFigure("carousel_step_main_thread_median").c_str(), percentile(steps, 0.5));
    std::printf("BENCH %s: %.3f ms (target <= 2 ms)\n", BenchFigure("carousel_step_main_thread_p99").c_str(), percentile(steps, 0.99));
    std::printf("BENCH %s: %.2f ms\n", BenchFigure("carousel_render_surface_median").c_str(), percentile(renders, 0.5));
    std::printf("BENCH %s: %ld of %zu (target 0)\n", BenchFigure("carousel_held_right_frames_over_16.7ms").c_str(), over, frames.size());
    std::printf("BENCH %s: %d of %lld\n", BenchFigure("carousel_held_right_position").c_str(), form.FocusIndex + 1,
                static_cast<long long>(form.ViewList.size()));
    return 0;
}
