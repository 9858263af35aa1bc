// The window's start-up with a large collection, and what one frame of the
// main screen costs: a full-surface render, one step of the details fade, and
// a render scaled to a 4K screen in the software raster engine.

#include "app/config.h"
#include "app/tform1.h"
#include "model/localdatabase.h"
#include "tools/collectiongen.h"
#include "ui/elements.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QApplication>
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
    CollectionGenOptions gen;
    gen.titleCount = 10000;
    const tTitles titles = GenerateCollection(gen);
    if (!WriteDatabaseFile(DatabaseFilePath(home.path()), titles, ProgVersion(), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    TForm1 form;
    form.resize(Scene::kWidth, Scene::kHeight);
    form.show();
    while (!form.isStartupFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::printf("BENCH window_startup_10k: %lld ms (target < 1000 ms; %lld titles shown)\n",
                timer.elapsed(), qlonglong(form.ViewList.size()));

    Scene &scene = form.scene();
    renderMs(scene, {Scene::kWidth, Scene::kHeight}, 3); // warm caches
    std::printf("BENCH window_render_1080p: %.2f ms (target < 4 ms)\n",
                renderMs(scene, {Scene::kWidth, Scene::kHeight}, 30));

    // One step of the fade: the pop-up half way in over the carousel.
    ImageElement *backing = form.image(u"ImageDetailsBackground"_qs);
    ImageElement *panel = form.image(u"ImageDetailsBlank"_qs);
    form.ToggleDetails(false);
    backing->setOpacity(12 / 26.5);
    panel->setOpacity(12 / 25.0);
    std::printf("BENCH window_details_fade_step_1080p: %.2f ms (target < 4 ms)\n",
                renderMs(scene, {Scene::kWidth, Scene::kHeight}, 30));
    form.ToggleDetails(false);

    std::printf("BENCH window_render_2160p_raster: %.2f ms (target < 16 ms)\n",
                renderMs(scene, {3840, 2160}, 10));

    // What the soft glows (drop-shadow effects, blurred at every paint) cost.
    for (const QString &name : scene.elementNames())
        scene.element(name)->clearGlow();
    std::printf("BENCH window_render_1080p_without_glow: %.2f ms\n",
                renderMs(scene, {Scene::kWidth, Scene::kHeight}, 30));
    std::printf("BENCH window_render_2160p_raster_without_glow: %.2f ms\n", renderMs(scene, {3840, 2160}, 10));
    return 0;
}
