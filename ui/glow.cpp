#include "ui/glow.h"

#include "app/tform1.h"
#include "ui/elements.h"
#include "ui/scene.h"

#include <QCoreApplication>

namespace glow {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);

QRectF shrunk(const QRectF &r, qreal dy)
{
    return {r.x(), r.y() + dy, r.width(), r.height() - 2 * dy};
}

// Black on light, white on dark; the glow takes the backdrop's colour.
void colorCaption(LabelElement *label, const QColor &average)
{
    label->setColor(IsLight(average) ? kBlack : kWhite);
    label->setGlowColor(average);
}

ImageElement *imageOrNull(const Scene &scene, const QString &name)
{
    return qobject_cast<ImageElement *>(scene.element(name));
}

// The backdrop the clock stands on in the current screen mode.
ImageElement *clockBackdrop(const TForm1 &form)
{
    switch (form.ScreenMode) {
    case smPersonTitles:
    case smBoxSetTitles:
        return imageOrNull(form.scene(), u"FanArt_Image_ActorCrewDetail"_qs);
    case smFanArt:
    case smFanArtZoom:
    case smBoxSetFanArt:
    case smBoxSetZoom:
        return imageOrNull(form.scene(), u"ImageFanArtBackground"_qs);
    default:
        return imageOrNull(form.scene(), u"ImageBackground"_qs);
    }
}

} // namespace

QColor GetAverageColor(const QImage &image, qreal height, qreal width, qreal top, qreal left)
{
    if (image.isNull())
        return kBlack;
    const int w = image.width();
    const int h = image.height();
    const QRect wanted(qRound(w * left / Scene::kWidth), qRound(h * top / Scene::kHeight),
                       qRound(w * width / Scene::kWidth), qRound(h * height / Scene::kHeight));
    const QRect area = wanted.intersected(image.rect());
    if (area.isEmpty())
        return kBlack;

    // Direct 32-bit pixels are read in place; anything else is converted,
    // only the part that is measured.
    QImage pixels = image;
    QRect rect = area;
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
        pixels = image.copy(area).convertToFormat(QImage::Format_ARGB32);
        rect = pixels.rect();
    }
    quint64 red = 0, green = 0, blue = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = rect.left(); x <= rect.right(); ++x) {
            red += qRed(line[x]);
            green += qGreen(line[x]);
            blue += qBlue(line[x]);
        }
    }
    const quint64 n = quint64(rect.width()) * quint64(rect.height());
    return QColor(int(red / n), int(green / n), int(blue / n));
}

QColor AverageUnder(const ImageElement *backdrop, const QRectF &surfaceRect)
{
    if (!backdrop)
        return kBlack;
    // The picture is stretched over the element; measure relative to it.
    const QRectF area = backdrop->surfaceGeometry();
    if (area.isEmpty())
        return kBlack;
    const qreal sx = Scene::kWidth / area.width();
    const qreal sy = Scene::kHeight / area.height();
    return GetAverageColor(backdrop->picture(), surfaceRect.height() * sy, surfaceRect.width() * sx,
                           (surfaceRect.y() - area.y()) * sy, (surfaceRect.x() - area.x()) * sx);
}

void Recolor(TForm1 &form)
{
    if (form.Settings.ShowClock) {
        LabelElement *clock = form.label(u"LabelClock"_qs);
        colorCaption(clock, AverageUnder(clockBackdrop(form), shrunk(clock->surfaceGeometry(), 10)));
    }
    if (form.ScreenMode != smIconBar && form.ScreenMode != smRowA && form.ScreenMode != smRowB)
        return;

    const ImageElement *background = form.image(u"ImageBackground"_qs);
    for (const QString &name : {u"LabelProcessing"_qs, u"LabelProcessingStatus"_qs}) {
        LabelElement *label = form.label(name);
        colorCaption(label, AverageUnder(background, shrunk(label->surfaceGeometry(), 10)));
    }

    LabelElement *title = form.label(u"LabelTitle"_qs);
    LabelElement *year = form.label(u"LabelYear"_qs);
    LabelElement *runtime = form.label(u"LabelRuntime"_qs);
    QRectF summary = form.image(u"ImageTitleSummary"_qs)->surfaceGeometry();
    summary = shrunk(summary, 10);
    summary.setWidth(summary.width() - 400);
    const bool light = IsLight(AverageUnder(background, summary));
    title->setColor(light ? kBlack : kWhite);
    year->setColor(light ? kBlack : kWhite);
    runtime->setColor(light ? colors::DarkBlue : colors::LightSkyBlue);

    QRectF titleArea = shrunk(title->surfaceGeometry(), 10);
    titleArea.setWidth(titleArea.width() + 400);
    title->setGlowColor(AverageUnder(background, titleArea));
    for (LabelElement *label : {year, runtime})
        label->setGlowColor(AverageUnder(background, shrunk(label->surfaceGeometry(), 7)));
    for (const QString &name : {u"ImageStars"_qs, u"ImageRated"_qs}) {
        ImageElement *image = form.image(name);
        image->setGlowColor(AverageUnder(background, image->surfaceGeometry()));
    }

    LabelElement *num = form.label(u"LabelTitleNum"_qs);
    LabelElement *total = form.label(u"LabelTotalTitles"_qs);
    QRectF counter = shrunk(num->surfaceGeometry(), 7);
    counter.setWidth(num->size().width() + total->size().width());
    const QColor counterColor = AverageUnder(background, counter);
    const bool counterLight = IsLight(counterColor);
    num->setColor(counterLight ? kBlack : kWhite);
    total->setColor(counterLight ? colors::DarkBlue : colors::LightSkyBlue);
    num->setGlowColor(counterColor);
    total->setGlowColor(counterColor);
}

void UpdateGlowEffect(TForm1 &form)
{
    QCoreApplication::processEvents();
    Recolor(form);
    QCoreApplication::processEvents();
}

} // namespace glow
