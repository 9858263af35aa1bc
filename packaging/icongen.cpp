// cv_icongen FILE.png [SIZE] -- draws the application icon (default 256 x 256
// pixels): a two-row cover carousel on the navy backdrop, the focused cover
// raised in the middle. Shapes only, so no fonts and no display are needed.

#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

const QColor kNavy(0x0B, 0x1A, 0x2E);
const QColor kNavyLight(0x1C, 0x3A, 0x5E);
const QColor kSkyBlue(0x87, 0xCE, 0xFA);
const QColor kGhostWhite(0xF8, 0xF8, 0xFF);

void drawCover(QPainter &p, const QRectF &r, const QColor &top, const QColor &bottom, qreal opacity)
{
    p.save();
    p.setOpacity(opacity);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    const qreal radius = r.width() * 0.06;
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
    // The case's spine band across the top, as on a disc case.
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawRoundedRect(QRectF(r.left(), r.top(), r.width(), r.height() * 0.12), radius, radius);
    p.restore();
}

QImage drawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    // Backdrop: a rounded square with a soft light behind the focused cover.
    const QRectF tile(8, 8, 240, 240);
    QRadialGradient backdrop(QPointF(128, 110), 170);
    backdrop.setColorAt(0, kNavyLight);
    backdrop.setColorAt(1, kNavy);
    p.setPen(QPen(QColor(kSkyBlue.red(), kSkyBlue.green(), kSkyBlue.blue(), 120), 3));
    p.setBrush(backdrop);
    p.drawRoundedRect(tile, 44, 44);

    QPainterPath clip;
    clip.addRoundedRect(tile.adjusted(2, 2, -2, -2), 42, 42);
    p.setClipPath(clip);

    // Two rows of covers, fading and shrinking away from the middle.
    const QColor dimTop(0x3A, 0x5F, 0x8A), dimBottom(0x1A, 0x2F, 0x4A);
    for (int row = 0; row < 2; ++row) {
        const qreal y = row == 0 ? 44 : 142;
        for (int i = -2; i <= 2; ++i) {
            if (i == 0)
                continue;
            const qreal w = i == -1 || i == 1 ? 50 : 40;
            const qreal h = w * 1.4;
            const qreal cx = 128 + i * 58 + (i < 0 ? 4 : -4);
            const qreal top = y + (70 - h) / 2 + 4;
            drawCover(p, QRectF(cx - w / 2, top, w, h), dimTop, dimBottom, i == -1 || i == 1 ? 0.85 : 0.5);
        }
    }

    // The focused cover: larger, in front, with a glow.
    const QRectF focus(128 - 42, 52, 84, 118);
    QRadialGradient glow(focus.center(), 95);
    glow.setColorAt(0, QColor(kSkyBlue.red(), kSkyBlue.green(), kSkyBlue.blue(), 150));
    glow.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(focus.center(), 95, 95);
    drawCover(p, focus, kSkyBlue, QColor(0x2E, 0x6F, 0xB0), 1.0);

    // A play mark on the focused cover.
    QPainterPath play;
    const QPointF c = focus.center() + QPointF(4, 6);
    play.moveTo(c + QPointF(-16, -22));
    play.lineTo(c + QPointF(22, 0));
    play.lineTo(c + QPointF(-16, 22));
    play.closeSubpath();
    p.setBrush(kGhostWhite);
    p.drawPath(play);

    // The title summary line under the carousel.
    p.setBrush(QColor(kGhostWhite.red(), kGhostWhite.green(), kGhostWhite.blue(), 200));
    p.drawRoundedRect(QRectF(78, 214, 100, 9), 4.5, 4.5);
    p.end();
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: cv_icongen FILE.png [SIZE]\n");
        return 2;
    }
    const int size = argc == 3 ? std::atoi(argv[2]) : 256;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "cv_icongen: size %s is not between 16 and 1024\n", argv[2]);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    if (!drawIcon(size).save(file, "PNG")) {
        std::fprintf(stderr, "cv_icongen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
