#include "ui/screensaver.h"

#include "art/artcache.h"

#include "platform/paths.h"
#include "ui/glow.h"
#include "ui/scene.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <numeric>

namespace {

// Above every screen and overlay.
constexpr qreal kScreenSaverZ = 1000000;

bool fileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace

QString ScreenSaverFanArtFile(const tTitle &title, const QString &cachePath, bool localArt)
{
    if (title.ImgFanArt.isEmpty())
        return {};
    if (localArt) {
        // The cache's own rule for the path: an ID that could name a folder
        // outside the cache (".." or separators) has no cached copy.
        const QString cached = ArtCacheFilePath(cachePath, title.ID, title.ImgFanArt, true);
        if (!cached.isEmpty() && fileExists(cached))
            return cached;
    }
    const QString inFolder = JoinNative(title.Directory, title.ImgFanArt);
    return fileExists(inFolder) ? inFolder : QString();
}

QColor CaptionTextColor(const QColor &glowColor)
{
    return glow::IsLight(glowColor) ? QColor(Qt::black) : QColor(Qt::white);
}

ScreenSaver::ScreenSaver(ScreenHost &host, QTimer &slideShowTimer)
    : ScreenComponent(host), m_timer(slideShowTimer), m_first(host.scene().image(u"ImageScreenSaver1"_qs)),
      m_second(host.scene().image(u"ImageScreenSaver2"_qs)),
      m_caption1(host.scene().label(u"ScreenSaver_Label_Title1"_qs)),
      m_caption2(host.scene().label(u"ScreenSaver_Label_Title2"_qs))
{
    m_first->setZValue(kScreenSaverZ);
}

bool ScreenSaver::isShowing() const
{
    return m_first->isShown();
}

void ScreenSaver::hide()
{
    m_first->hide();
}

std::optional<qint32> ScreenSaver::PickTitle(QString *fanArtFile) const
{
    const QList<tTitle> &titles = host().titles().Title;
    const QString cachePath = host().cachePath();
    const bool localArt = host().settings().LocalArt;
    const int n = int(titles.size());
    if (n == 0)
        return std::nullopt;
    // A partial shuffle: every title can be drawn, none twice in one tick, and
    // a large collection with little fan art costs at most kMaxDraws look-ups.
    QList<qint32> order(n);
    std::iota(order.begin(), order.end(), 0);
    const int draws = std::min(n, kMaxDraws);
    for (int d = 0; d < draws; ++d) {
        const int remaining = n - d;
        const int pick = d + (m_random ? m_random(remaining) : int(QRandomGenerator::global()->bounded(remaining)));
        std::swap(order[d], order[pick]);
        const qint32 index = order.at(d);
        const QString file = ScreenSaverFanArtFile(titles.at(index), cachePath, localArt);
        if (!file.isEmpty()) {
            if (fanArtFile)
                *fanArtFile = file;
            return index;
        }
    }
    return std::nullopt;
}

void ScreenSaver::Tick()
{
    // A fade lets events run; a tick arriving meanwhile waits for the next one.
    if (m_ticking)
        return;
    m_ticking = true;
    m_timer.stop();

    ImageElement *first = m_first;
    ImageElement *second = m_second;
    LabelElement *caption1 = m_caption1;
    LabelElement *caption2 = m_caption2;
    const tSettings &settings = host().settings();

    if (!first->isShown()) {
        first->setOpacity(0);
        second->setOpacity(0);
        first->show();
        second->show();
        caption1->setVisible(settings.ScreenSaverTitle);
        caption2->setVisible(settings.ScreenSaverTitle);
    }

    QString file;
    if (const std::optional<qint32> index = PickTitle(&file)) {
        ImageElement *picture;
        LabelElement *caption;
        ImageElement *fading;
        bool fadeIn;
        if (first->opacity() == 0) {
            picture = first, caption = caption1, fading = first, fadeIn = true;
        } else if (second->opacity() > 0) {
            picture = first, caption = caption1, fading = second, fadeIn = false;
        } else {
            picture = second, caption = caption2, fading = second, fadeIn = true;
        }

        // Labels draw their text as it is, so the title's ampersands stay single.
        caption->setText(host().titles().Title.at(*index).Title);
        QImageReader reader(file);
        reader.setAutoTransform(true);
        QImage image = reader.read();
        // Decoded and scaled once per tick: every fade step is then a plain blit.
        if (!image.isNull() && image.size() != QSize(Scene::kWidth, Scene::kHeight))
            image = image.scaled(Scene::kWidth, Scene::kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture->setPicture(image, file);
        QCoreApplication::processEvents();

        const QRectF at = caption->surfaceGeometry();
        const QColor c = glow::GetAverageColor(picture->picture(), at.height() - 20, at.width(), at.top() + 10, at.left());
        caption->setGlow(c);
        caption->setColor(CaptionTextColor(c));

        fade(fading, fadeIn);
    }

    if (first->isShown()) {
        m_timer.setInterval(host().settings().ScreenSaverInterval * 1000);
        m_timer.start();
    }
    m_ticking = false;
}

void ScreenSaver::fade(ImageElement *picture, bool in)
{
    for (int step = 1; step <= 100; ++step) {
        picture->setOpacity((in ? step : 100 - step) / 100.0);
        QCoreApplication::processEvents();
        if (m_fadeStepMs > 0) {
            QEventLoop wait;
            QTimer::singleShot(m_fadeStepMs, &wait, &QEventLoop::quit);
            wait.exec();
        }
    }
}
