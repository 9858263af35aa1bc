// Enter on a carousel cover until the fan-art view is drawn, for titles with
// 1920 x 1080 JPEG fan art and 1000 x 1400 JPEG covers (front and back): the
// main-thread time of the key (fan art decoded, both covers composed, the
// page filled) and the time until the first frame of the view is painted
// (the key plus rendering the whole surface as the screen shows it). Every
// opening is of another title than the one before, so nothing is reused
// from the previous opening.

#include "bench/benchart.h"
#include "bench/benchtiming.h"
#include "app/collection.h"
#include "app/config.h"
#include "app/tform1.h"
#include "ui/carousel.h"
#include "ui/fanartview.h"
#include "ui/messages.h"
#include "ui/scene.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kOpenings = 40;
constexpr int kTitles = 2 * kOpenings + 4; // every opening is of a title not opened before

void writeFanArt(const QString &path, int seed)
{
    QImage img(1920, 1080, QImage::Format_RGB32);
    QPainter p(&img);
    QRadialGradient g(QPointF(600 + seed * 37 % 700, 400), 1400);
    g.setColorAt(0, QColor::fromHsv((seed * 41) % 360, 150, 230));
    g.setColorAt(1, QColor::fromHsv((seed * 41 + 180) % 360, 200, 40));
    p.fillRect(img.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor::fromHsv((seed * 17 + i * 23) % 360, 140, 210, 110));
        p.drawEllipse(QPointF((i * 263 + seed * 71) % 1920, (i * 151 + seed * 43) % 1080), 60 + i * 2, 40 + i * 3);
    }
    p.end();
    img.save(path, "JPEG", 88);
}

void press(QWidget *window, int key, const QString &text = {})
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(window, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(window, &up);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
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
    settings.ShowHelp = false;
    QString error;
    if (!SaveConfig(settings, home.path() + u'/', &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    tTitles titles;
    for (int i = 0; i < kTitles; ++i) {
        tTitle t;
        t.ID = u"T%1"_qs.arg(i, 3, 10, QChar(u'0'));
        t.Title = u"Title %1"_qs.arg(i, 3, 10, QChar(u'0'));
        t.SortTitle = t.Title;
        t.Year = 1980 + i;
        t.Runtime = 90 + i;
        t.ReleaseDate = u"20050101"_qs;
        t.MediaType = mtMovie;
        t.DiscType = tDiscTypes(i % 3);
        t.Online = true;
        t.Rated = u"PG13"_qs;
        t.Stars = i % 11;
        t.Genres = {u"Drama"_qs, u"Adventure"_qs};
        t.Description = QStringList(40, u"A long synopsis sentence that wraps over the page."_qs).join(u' ');
        for (int a = 0; a < 30; ++a)
            t.Actors.append({u"Actor %1"_qs.arg(a), u"Role %1"_qs.arg(a)});
        t.Crew.Director = {u"Director"_qs};
        t.Directory = QDir(home.path()).filePath(u"Movies/"_qs + t.ID);
        QDir().mkpath(t.Directory);
        tDiscInfo disc;
        disc.Loc = t.Directory + u"/VIDEO_TS"_qs;
        t.DiscInfo = {disc};
        t.ImgFolder = u"folder.jpg"_qs;
        t.ImgCoverFront = u"folder.jpg"_qs;
        t.ImgCoverBack = u"back.jpg"_qs;
        t.ImgFanArt = u"fanart.jpg"_qs;
        writeArt(t.Directory + u"/folder.jpg"_qs, i);
        writeArt(t.Directory + u"/back.jpg"_qs, i + 100);
        writeFanArt(t.Directory + u"/fanart.jpg"_qs, i);
        titles.Title.append(t);
    }

    TForm1 form;
    form.resize(Scene::kWidth, Scene::kHeight);
    form.show();
    while (!form.isStartupFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    form.collection().setTitles(titles, true);
    form.SortItems();
    form.carousel().waitForPrefetch();
    QCoreApplication::processEvents();

    QImage surface(Scene::kWidth, Scene::kHeight, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> keys, frames;
    for (int i = 0; i < kOpenings; ++i) {
        // The next title on the same row, never opened before.
        press(&form, Qt::Key_Right);
        form.carousel().waitForPrefetch();
        QCoreApplication::processEvents();

        QElapsedTimer t;
        t.start();
        press(&form, Qt::Key_Return, u"\r"_qs);
        const double keyMs = t.nsecsElapsed() / 1e6;
        surface.fill(Qt::black);
        QPainter painter(&surface);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        form.scene().render(&painter, QRectF(0, 0, Scene::kWidth, Scene::kHeight), form.scene().sceneRect());
        painter.end();
        const double frameMs = t.nsecsElapsed() / 1e6;
        if (form.ScreenMode != smFanArt) {
            std::fprintf(stderr, "bench_fanart: Enter did not open the fan-art view\n");
            return 1;
        }
        keys.push_back(keyMs);
        frames.push_back(frameMs);

        press(&form, Qt::Key_Backspace, u"\b"_qs);
        QCoreApplication::processEvents();
    }

    std::printf("BENCH fanart_open_main_thread_median: %.1f ms (target < 50 ms)\n", median(keys));
    std::printf("BENCH fanart_open_main_thread_max: %.1f ms (target < 50 ms)\n",
                *std::max_element(keys.begin(), keys.end()));
    std::printf("BENCH fanart_open_first_frame_median: %.1f ms (target < 100 ms)\n", median(frames));
    std::printf("BENCH fanart_open_first_frame_max: %.1f ms (target < 100 ms)\n",
                *std::max_element(frames.begin(), frames.end()));
    return 0;
}
