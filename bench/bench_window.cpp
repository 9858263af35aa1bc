// The window's start-up with a collection of 10,000 titles (see benchsize.h),
// and what one frame of the main screen costs: a full-surface render, one step
// of the details fade, and a render scaled to a 4K screen in the software
// raster engine. The database is written once to /tmp/cinevue-bench-database
// (-100k, ...) and copied into the program folder of each run.

#include "bench/benchsize.h"
#include "app/config.h"
#include "app/tform1.h"
#include "model/localdatabase.h"
#include "tools/collectiongen.h"
#include "ui/elements.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double renderMs(Scene &scene, QSize size, int rounds)
{
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        QPainter painter(&target);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        scene.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), scene.sceneRect());
    }
    return double(timer.nsecsElapsed()) / 1e6 / rounds;
}

// The database of `titles` generated titles, written by this version of the
// program, kept in /tmp and reused.
QString cachedDatabase(int titles, QString *error)
{
    const QString folder = BenchCacheFolder(QStringLiteral("database"), titles);
    const QString path = DatabaseFilePath(folder);
    const QByteArray key = QByteArray::number(titles) + ' ' + ProgVersion().toUtf8();
    QFile stamp(folder + QStringLiteral("/.complete"));
    if (stamp.open(QIODevice::ReadOnly) && stamp.readAll() == key && QFile::exists(path))
        return path;
    stamp.close();
    QDir().mkpath(folder);
    CollectionGenOptions gen;
    gen.titleCount = titles;
    if (!WriteDatabaseFile(path, GenerateCollection(gen), ProgVersion(), error))
        return {};
    if (!stamp.open(QIODevice::WriteOnly) || stamp.write(key) != key.size()) {
        *error = QStringLiteral("cannot write ") + stamp.fileName();
        return {};
    }
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    messages::SetHeadless(true);

    QTemporaryDir home;
    qputenv("CINEVUE_HOME", QFile::encodeName(home.path()));
    tSettings settings;
    settings.ScreenSaver = false;
    QString error;
    if (!SaveConfig(settings, home.path(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString database = cachedDatabase(BenchTitles(), &error);
    if (database.isEmpty() || !QFile::copy(database, DatabaseFilePath(home.path()))) {
        std::fprintf(stderr, "no database: %s\n", qPrintable(error));
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    TForm1 form;
    form.resize(Scene::kWidth, Scene::kHeight);
    form.show();
    while (!form.isStartupFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 startupMs = timer.elapsed();
    std::printf("BENCH %s: %lld ms (target < 300 ms; %lld titles shown)\n", BenchSized("window_startup").c_str(),
                startupMs, qlonglong(form.ViewList.size()));

    // The first frame pays for what start-up leaves to it: glows made at
    // this size, fresh memory for the buffers behind them.
    Scene &scene = form.scene();
    const double firstFrameMs = renderMs(scene, {Scene::kWidth, Scene::kHeight}, 1);
    std::printf("BENCH %s: %.0f ms (start-up %lld ms and the first 1080p frame %.0f ms)\n",
                BenchSized("window_startup_to_first_frame").c_str(), double(startupMs) + firstFrameMs, startupMs,
                firstFrameMs);
    renderMs(scene, {Scene::kWidth, Scene::kHeight}, 3); // warm caches
    std::printf("BENCH %s: %.2f ms (target < 4 ms)\n", BenchFigure("window_render_1080p").c_str(),
                renderMs(scene, {Scene::kWidth, Scene::kHeight}, 30));

    // One step of the fade: the pop-up half way in over the carousel.
    ImageElement *backing = form.image(u"ImageDetailsBackground"_qs);
    ImageElement *panel = form.image(u"ImageDetailsBlank"_qs);
    form.ToggleDetails(false);
    backing->setOpacity(12 / 26.5);
    panel->setOpacity(12 / 25.0);
    std::printf("BENCH %s: %.2f ms (target < 4 ms)\n", BenchFigure("window_details_fade_step_1080p").c_str(),
                renderMs(scene, {Scene::kWidth, Scene::kHeight}, 30));
    form.ToggleDetails(false);

    renderMs(scene, {3840, 2160}, 2); // the glows again at this size
    std::printf("BENCH %s: %.2f ms (target < 16 ms)\n", BenchFigure("window_render_2160p_raster").c_str(),
                renderMs(scene, {3840, 2160}, 10));

    // What the soft glows (drop-shadow effects, blurred at every paint) cost.
    for (const QString &name : scene.elementNames())
        scene.element(name)->clearGlow();
    std::printf("BENCH %s: %.2f ms\n", BenchFigure("window_render_1080p_without_glow").c_str(),
                renderMs(scene, {Scene::kWidth, Scene::kHeight}, 30));
    std::printf("BENCH %s: %.2f ms\n", BenchFigure("window_render_2160p_raster_without_glow").c_str(), renderMs(scene, {3840, 2160}, 10));
    return 0;
}
