#include "ui/screensaver.h"

#include "app/tform1.h"
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
    if (localArt && !title.ID.isEmpty()) {
        const QString cached = JoinNative(cachePath + title.ID, title.ImgFanArt);
        if (fileExists(cached))
            return cached;
    }
    const QString inFolder = JoinNative(title.Directory, title.ImgFanArt);
    return fileExists(inFolder) ? inFolder : QString();
}

QColor CaptionTextColor(const QColor &glowColor)
{
    return glow::IsLight(glowColor) ? QColor(Qt::black) : QColor(Qt::white);
}

ScreenSaver::ScreenSaver(TForm1 &form) : m_form(form)
{
    form.image(u"ImageScreenSaver1"_qs)->setZValue(kScreenSaverZ);
}

std::optional<qint32> ScreenSaver::PickTitle(QString *fanArtFile) const
{
    const QList<tTitle> &titles = m_form.Titles.Title;
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
        const QString file = ScreenSaverFanArtFile(titles.at(index), m_form.CachePath, m_form.Settings.LocalArt);
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
    m_form.TimerSlideShow.stop();

    ImageElement *first = m_form.image(u"ImageScreenSaver1"_qs);
    ImageElement *second = m_form.image(u"ImageScreenSaver2"_qs);
    LabelElement *caption1 = m_form.label(u"ScreenSaver_Label_Title1"_qs);
    LabelElement *caption2 = m_form.label(u"ScreenSaver_Label_Title2"_qs);

    if (!first->isShown()) {
        first->setOpacity(0);
        second->setOpacity(0);
        first->show();
        second->show();
        caption1->setVisible(m_form.Settings.ScreenSaverTitle);
        caption2->setVisible(m_form.Settings.ScreenSaverTitle);
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
        caption->setText(m_form.Titles.Title.at(*index).Title);
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
        m_form.TimerSlideShow.setInterval(m_form.Settings.ScreenSaverInterval * 1000);
        m_form.TimerSlideShow.start();
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
