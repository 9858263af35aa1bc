#include "ui/glow.h"

#include "ui/elements.h"
#include "ui/scene.h"
#include "ui/screen.h"

#include <QCoreApplication>

namespace glow {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);

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

void ColorCaption(LabelElement *label, const QColor &average)
{
    label->setColor(IsLight(average) ? kBlack : kWhite);
    label->setGlowColor(average);
}

void RecolorScreens(const ScreenHost &host)
{
    for (ScreenComponent *screen : host.screens())
        screen->recolor();
}

void UpdateGlowEffect(const ScreenHost &host)
{
    QCoreApplication::processEvents();
    RecolorScreens(host);
    QCoreApplication::processEvents();
}

} // namespace glow
