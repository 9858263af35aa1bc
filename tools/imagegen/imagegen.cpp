// cv_imagegen OUTDIR -- draws every embedded image of the catalogue into OUTDIR
// as <Name>.png and writes OUTDIR/cinevue_images.qrc listing them under
// ":/images/". Runs at build time; needs a GUI application object (offscreen
// platform) for the fonts.

#include "art/embeddedimages.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRawFont>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QColor kSkyBlue(0x87, 0xCE, 0xFA);
const QColor kNavy(0x0B, 0x1A, 0x2E);

QString gSans = u"Liberation Sans"_s;   // stands in for Arial
QString gVerdana = u"DejaVu Sans"_s;    // stands in for Verdana
QString gIcons = u"Material Icons"_s;
QRawFont gIconRaw;

QString loadFont(const QString &file, const QString &fallback)
{
    const int id = QFontDatabase::addApplicationFont(file);
    const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    if (families.isEmpty()) {
        std::fprintf(stderr, "cv_imagegen: font %s not found, using %s\n", qPrintable(file), qPrintable(fallback));
        return fallback;
    }
    return families.first();
}

void loadFonts()
{
    const QString base = u"/usr/share/fonts/truetype/"_s;
    gSans = loadFont(base + u"liberation2/LiberationSans-Bold.ttf"_s, gSans);
    loadFont(base + u"liberation2/LiberationSans-Regular.ttf"_s, gSans);
    gVerdana = loadFont(base + u"dejavu/DejaVuSans.ttf"_s, gVerdana);
    loadFont(base + u"dejavu/DejaVuSans-Bold.ttf"_s, gVerdana);
    const QString icons = base + u"material-design-icons-iconfont/MaterialIcons-Regular.ttf"_s;
    gIcons = loadFont(icons, gIcons);
    gIconRaw = QRawFont(icons, 64);
}

// The first code point of the list that the icon font has.
QString glyph(std::initializer_list<char32_t> candidates)
{
    for (char32_t c : candidates) {
        if (!gIconRaw.isValid() || gIconRaw.supportsCharacter(c))
            return QString::fromUcs4(&c, 1);
    }
    const char32_t c = *candidates.begin();
    return QString::fromUcs4(&c, 1);
}

QImage transparentImage(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// A cheap, smooth blur: scale down and back up with filtering, twice.
QImage blurred(const QImage &src, int factor)
{
    QImage small = src.scaled(qMax(1, src.width() / factor), qMax(1, src.height() / factor),
                              Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    small = small.scaled(qMax(1, small.width() / 2), qMax(1, small.height() / 2), Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation)
                .scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return small.scaled(src.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// A solid copy of `shape`'s alpha in one colour.
QImage tinted(const QImage &shape, const QColor &color)
{
    QImage out = shape;
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), color);
    return out;
}

// The path of `text` in `font`, scaled and centred into `box`.
QPainterPath fittedText(const QString &text, const QFont &font, const QRectF &box, bool keepAspect = true)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF r = path.boundingRect();
    if (r.isEmpty())
        return path;
    qreal sx = box.width() / r.width();
    qreal sy = box.height() / r.height();
    if (keepAspect)
        sx = sy = qMin(sx, sy);
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(sx, sy);
    t.translate(-r.center().x(), -r.center().y());
    return t.map(path);
}

QFont iconFont(int pixelSize)
{
    QFont f(gIcons);
    f.setPixelSize(pixelSize);
    return f;
}

QFont textFont(const QString &family, int pixelSize, bool bold = false)
{
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// ---------------------------------------------------------------- backgrounds

// A deep blue stage: vertical gradient, a soft glow behind the carousel, faint
// light beams, a darker floor under the title summary, a vignette and fine grain.
QImage background()
{
    const int w = 1920, h = 1080;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient base(0, 0, 0, h);
    base.setColorAt(0.0, QColor(0x0A, 0x15, 0x28));
    base.setColorAt(0.45, QColor(0x0E, 0x22, 0x3E));
    base.setColorAt(1.0, QColor(0x04, 0x08, 0x12));
    p.fillRect(img.rect(), base);

    QRadialGradient glow(QPointF(960, 470), 1000);
    glow.setColorAt(0.0, QColor(0x3A, 0x7B, 0xC8, 120));
    glow.setColorAt(0.5, QColor(0x1D, 0x4A, 0x86, 50));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(img.rect(), glow);

    QRadialGradient warm(QPointF(1650, 980), 700);
    warm.setColorAt(0.0, QColor(0x2A, 0x5E, 0x7A, 60));
    warm.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(img.rect(), warm);

    // Light beams fanning out from above the centre.
    for (int i = 0; i < 7; ++i) {
        const qreal spread = -640 + i * 215;
        QPainterPath beam;
        beam.moveTo(960 + spread * 0.15 - 18, -40);
        beam.lineTo(960 + spread * 0.15 + 18, -40);
        beam.lineTo(960 + spread * 1.6 + 110, h);
        beam.lineTo(960 + spread * 1.6 - 110, h);
        beam.closeSubpath();
        QLinearGradient fade(0, 0, 0, h);
        fade.setColorAt(0.0, QColor(255, 255, 255, 9));
        fade.setColorAt(0.7, QColor(255, 255, 255, 2));
        fade.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.fillPath(beam, fade);
    }

    // The floor the title summary stands on.
    QLinearGradient floor(0, 860, 0, h);
    floor.setColorAt(0.0, QColor(0, 0, 0, 0));
    floor.setColorAt(0.25, QColor(0, 0, 0, 70));
    floor.setColorAt(1.0, QColor(0, 0, 0, 150));
    p.fillRect(QRect(0, 860, w, h - 860), floor);
    QLinearGradient rim(0, 0, w, 0);
    rim.setColorAt(0.0, QColor(0x87, 0xCE, 0xFA, 0));
    rim.setColorAt(0.5, QColor(0x87, 0xCE, 0xFA, 55));
    rim.setColorAt(1.0, QColor(0x87, 0xCE, 0xFA, 0));
    p.fillRect(QRect(0, 884, w, 2), rim);

    QRadialGradient vignette(QPointF(w / 2.0, h / 2.0), 1150);
    vignette.setColorAt(0.0, QColor(0, 0, 0, 0));
    vignette.setColorAt(0.6, QColor(0, 0, 0, 20));
    vignette.setColorAt(1.0, QColor(0, 0, 0, 200));
    p.fillRect(img.rect(), vignette);
    p.end();

    // Fine grain keeps the gradients free of banding on large screens.
    quint32 seed = 0x2545F491u;
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int((seed >> 24) % 5) - 2;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
        }
    }
    return img;
}

struct HelpKey {
    QString key;
    QString action;
};

// A key cap with its label; returns the width used.
qreal drawKeyCap(QPainter &p, QPointF at, const QString &key, qreal height)
{
    const QFont f = textFont(gSans, int(height * 0.52), true);
    const QFontMetricsF fm(f);
    const qreal w = qMax(height * 1.2, fm.horizontalAdvance(key) + height * 0.7);
    const QRectF cap(at.x(), at.y(), w, height);
    p.setPen(QPen(QColor(0x87, 0xCE, 0xFA, 220), 2));
    QLinearGradient fill(cap.topLeft(), cap.bottomLeft());
    fill.setColorAt(0, QColor(0x2A, 0x4C, 0x74, 230));
    fill.setColorAt(1, QColor(0x10, 0x22, 0x3A, 230));
    p.setBrush(fill);
    p.drawRoundedRect(cap, 8, 8);
    p.setPen(Qt::white);
    p.setFont(f);
    p.drawText(cap, Qt::AlignCenter, key);
    return w;
}

void drawKeyRow(QPainter &p, QPointF at, const QList<HelpKey> &keys, qreal height, qreal gap)
{
    qreal x = at.x();
    const QFont f = textFont(gVerdana, int(height * 0.5));
    const QFontMetricsF fm(f);
    for (const HelpKey &k : keys) {
        x += drawKeyCap(p, QPointF(x, at.y()), k.key, height) + 12;
        p.setFont(f);
        p.setPen(QColor(0xE8, 0xF1, 0xFA));
        const QRectF label(x, at.y(), fm.horizontalAdvance(k.action) + 4, height);
        p.drawText(label, Qt::AlignVCenter | Qt::AlignLeft, k.action);
        x += label.width() + gap;
    }
}

void drawPanel(QPainter &p, const QRectF &r)
{
    QPainterPath path;
    path.addRoundedRect(r, 24, 24);
    QImage shadow = transparentImage(1920, 1080);
    {
        QPainter s(&shadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.fillPath(path.translated(0, 12), QColor(0, 0, 0, 170));
    }
    p.drawImage(0, 0, blurred(shadow, 12));
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(0x12, 0x2A, 0x48, 215));
    fill.setColorAt(1, QColor(0x06, 0x10, 0x1E, 225));
    p.fillPath(path, fill);
    p.setPen(QPen(QColor(0x87, 0xCE, 0xFA, 110), 2));
    p.drawPath(path);
}

// A pointer from the help panel up to an icon of the icon bar.
void drawIconHint(QPainter &p, qreal iconCentreX, const QString &text)
{
    const qreal y = 162;
    QPainterPath arrow;
    arrow.moveTo(iconCentreX, y);
    arrow.lineTo(iconCentreX + 18, y + 22);
    arrow.lineTo(iconCentreX - 18, y + 22);
    arrow.closeSubpath();
    p.fillPath(arrow, kSkyBlue);
    p.setFont(textFont(gSans, 28, true));
    p.setPen(kSkyBlue);
    p.drawText(QRectF(iconCentreX - 150, y + 28, 300, 40), Qt::AlignCenter, text);
}

struct HelpPage {
    QString heading;
    QString subheading;
    QStringList steps;
    qreal hintX;
    QString hintText;
};

QImage helpBackground(const HelpPage &page)
{
    QImage img = background();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawIconHint(p, page.hintX, page.hintText);

    const QRectF panel(330, 290, 1260, 520);
    drawPanel(p, panel);
    p.setPen(Qt::white);
    p.setFont(textFont(gSans, 60, true));
    p.drawText(QRectF(panel.x(), panel.y() + 40, panel.width(), 80), Qt::AlignCenter, page.heading);
    p.setPen(kSkyBlue);
    p.setFont(textFont(gVerdana, 28));
    p.drawText(QRectF(panel.x(), panel.y() + 120, panel.width(), 44), Qt::AlignCenter, page.subheading);

    qreal y = panel.y() + 200;
    const QFont stepFont = textFont(gVerdana, 27);
    for (int i = 0; i < page.steps.size(); ++i) {
        const QRectF bullet(panel.x() + 70, y, 48, 48);
        p.setPen(Qt::NoPen);
        p.setBrush(kSkyBlue);
        p.drawEllipse(bullet);
        p.setPen(kNavy);
        p.setFont(textFont(gSans, 28, true));
        p.drawText(bullet, Qt::AlignCenter, QString::number(i + 1));
        p.setPen(QColor(0xF0, 0xF6, 0xFC));
        p.setFont(stepFont);
        p.drawText(QRectF(bullet.right() + 26, y - 8, panel.width() - 220, 70),
                   Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, page.steps[i]);
        y += 84;
    }
    p.setPen(QColor(0x87, 0xCE, 0xFA, 170));
    p.setFont(textFont(gVerdana, 21));
    p.drawText(QRectF(panel.x(), panel.bottom() - 56, panel.width(), 34), Qt::AlignCenter,
               u"These hints can be switched off in Settings: \u201CBackground Helper\u201D."_s);
    return img;
}

// The first screen of a new user: the window writes the quick start guide
// into the processing labels (the heading at y 468, ten lines of status text
// from y 567), so this picture draws only the panel behind them and a welcome
// above them. Any text of its own in that area would be drawn over by the
// guide.
QImage helpBackground1()
{
    QImage img = background();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawIconHint(p, 96, u"Settings"_s);

    const QRectF panel(300, 286, 1320, 590);
    drawPanel(p, panel);
    // Darker under the guide's lines, so that they read from across the room.
    QPainterPath guide;
    guide.addRoundedRect(QRectF(panel.x() + 20, 452, panel.width() - 40, panel.bottom() - 20 - 452), 16, 16);
    p.fillPath(guide, QColor(0x03, 0x08, 0x12, 170));
    p.setPen(Qt::white);
    p.setFont(textFont(gSans, 52, true));
    p.drawText(QRectF(panel.x(), panel.y() + 22, panel.width(), 70), Qt::AlignCenter, u"Welcome to Cinevue"_s);
    p.setPen(kSkyBlue);
    p.setFont(textFont(gVerdana, 26));
    p.drawText(QRectF(panel.x(), panel.y() + 96, panel.width(), 40), Qt::AlignCenter,
               u"Your movie collection, made for the big screen."_s);
    return img;
}

QImage helpBackground2()
{
    return helpBackground({u"Ready for SmartSync"_s,
                           u"Your folders are set, but the collection is still empty."_s,
                           {u"Press \u25C0 \u25B6 to select the sync icon and press ENTER."_s,
                            u"SmartSync reads the My Movies files of your folders and builds the collection."_s,
                            u"Your covers appear here when the sync is done. More folders: Settings."_s},
                           256, u"SmartSync"_s});
}

// With titles the covers fill the middle, so the key help runs along the
// free strip between the icon bar and the top row, left and right of the
// enlarged cover.
QImage helpBackground3()
{
    QImage img = background();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal h = 34;
    drawKeyRow(p, QPointF(40, 170), {{u"\u25C0 \u25B6 \u25B2 \u25BC"_s, u"Browse"_s}, {u"ENTER"_s, u"Open title"_s}, {u"PLAY"_s, u"Play"_s}}, h, 30);
    drawKeyRow(p, QPointF(40, 214), {{u"ESC"_s, u"Watched"_s}, {u"*"_s, u"Watch list"_s}, {u"\u25B2"_s, u"Icon bar"_s}}, h, 30);
    drawKeyRow(p, QPointF(1130, 170), {{u"0-9"_s, u"Jump to a letter"_s}, {u"[ ]"_s, u"10 columns"_s}}, h, 30);
    drawKeyRow(p, QPointF(1130, 214), {{u", ."_s, u"30 columns"_s}, {u"PREV NEXT"_s, u"First / last"_s}}, h, 30);
    return img;
}

// ---------------------------------------------------------------- icons

// An icon-bar picture: the glyph(s) in light sky blue with a drop shadow, or
// white with a soft blue glow for the selected icon.
QImage barIcon(int size, const std::function<void(QPainter &, int)> &drawShape, bool white)
{
    QImage shape = transparentImage(size, size);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        drawShape(p, size);
    }
    QImage img = transparentImage(size, size);
    QPainter p(&img);
    if (white) {
        const QImage glow = blurred(tinted(shape, QColor(0x87, 0xCE, 0xFA, 255)), size / 32);
        p.setOpacity(0.9);
        p.drawImage(0, 0, glow);
        p.drawImage(0, 0, glow);
        p.setOpacity(1);
    } else {
        p.setOpacity(0.75);
        p.drawImage(0, size / 48, blurred(tinted(shape, Qt::black), size / 40));
        p.setOpacity(1);
    }
    QImage fill = shape;
    {
        QPainter f(&fill);
        f.setCompositionMode(QPainter::CompositionMode_SourceIn);
        QLinearGradient g(0, 0, 0, size);
        if (white) {
            g.setColorAt(0, Qt::white);
            g.setColorAt(1, QColor(0xE6, 0xF4, 0xFF));
        } else {
            g.setColorAt(0, QColor(0xA8, 0xDC, 0xFC));
            g.setColorAt(1, QColor(0x5F, 0xB4, 0xEE));
        }
        f.fillRect(fill.rect(), g);
    }
    p.drawImage(0, 0, fill);
    return img;
}

auto singleGlyph(QString g, qreal scale = 0.78)
{
    return [g, scale](QPainter &p, int size) {
        const qreal m = size * (1 - scale) / 2;
        p.fillPath(fittedText(g, iconFont(size), QRectF(m, m, size - 2 * m, size - 2 * m)), Qt::white);
    };
}

// Film clapper in front of a television, cut apart by a gap.
void movieTvShape(QPainter &p, int size)
{
    const QPainterPath tv = fittedText(glyph({0xe333}), iconFont(size), QRectF(size * 0.06, size * 0.10, size * 0.62, size * 0.62));
    const QPainterPath movie = fittedText(glyph({0xe02c, 0xe404}), iconFont(size), QRectF(size * 0.40, size * 0.36, size * 0.52, size * 0.52));
    p.fillPath(tv, Qt::white);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(QPen(Qt::black, size * 0.045, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::black);
    QPainterPath outline;
    outline.addRoundedRect(movie.boundingRect(), size * 0.02, size * 0.02);
    p.drawPath(outline);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillPath(movie, Qt::white);
}

// ---------------------------------------------------------------- cover marks, badges, stars, boxes

QImage watchedTick()
{
    QImage img = transparentImage(100, 90);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(10, 4, 80, 80);
    QImage shadow = transparentImage(100, 90);
    {
        QPainter s(&shadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.setBrush(QColor(0, 0, 0, 200));
        s.setPen(Qt::NoPen);
        s.drawEllipse(disc.translated(0, 3));
    }
    p.drawImage(0, 0, blurred(shadow, 4));
    QRadialGradient g(disc.center() - QPointF(12, 14), 60);
    g.setColorAt(0, QColor(0x5C, 0xD6, 0x6E));
    g.setColorAt(1, QColor(0x1B, 0x8A, 0x34));
    p.setBrush(g);
    p.setPen(QPen(Qt::white, 6));
    p.drawEllipse(disc.adjusted(3, 3, -3, -3));
    QPainterPath tick;
    tick.moveTo(30, 45);
    tick.lineTo(44, 59);
    tick.lineTo(71, 30);
    p.setPen(QPen(Qt::white, 11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    return img;
}

QImage watchListRibbon()
{
    QImage img = transparentImage(60, 85);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath ribbon;
    ribbon.moveTo(6, 0);
    ribbon.lineTo(54, 0);
    ribbon.lineTo(54, 82);
    ribbon.lineTo(30, 62);
    ribbon.lineTo(6, 82);
    ribbon.closeSubpath();
    QImage shadow = transparentImage(60, 85);
    {
        QPainter s(&shadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.fillPath(ribbon.translated(2, 2), QColor(0, 0, 0, 190));
    }
    p.drawImage(0, 0, blurred(shadow, 3));
    QLinearGradient g(6, 0, 54, 0);
    g.setColorAt(0, QColor(0xFF, 0xC8, 0x2E));
    g.setColorAt(0.5, QColor(0xFF, 0xB3, 0x00));
    g.setColorAt(1, QColor(0xD9, 0x8A, 0x00));
    p.fillPath(ribbon, g);
    p.setPen(QPen(QColor(0x8A, 0x55, 0x00), 2));
    p.drawPath(ribbon);
    // A small star on the ribbon.
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? 6.5 : 15;
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(30 + r * std::cos(a), 30 + r * std::sin(a));
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.fillPath(star, Qt::white);
    return img;
}

QImage ratingBadge(int w, const QString &text, bool black)
{
    const int h = 70;
    QImage img = transparentImage(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = black ? QColor(0x10, 0x10, 0x10) : Qt::white;
    const QColor back = black ? QColor(255, 255, 255, 110) : QColor(0, 0, 0, 110);
    const QRectF frame(3, 3, w - 6, h - 6);
    p.setPen(QPen(ink, 5));
    p.setBrush(back);
    p.drawRoundedRect(frame, 10, 10);
    const QPainterPath label = fittedText(text, textFont(gSans, 64, true), frame.adjusted(14, 13, -14, -13), true);
    p.fillPath(label, ink);
    return img;
}

QPainterPath starPath(QPointF centre, qreal outer, qreal inner)
{
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const qreal r = i % 2 ? inner : outer;
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        i ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    return star;
}

// Five stars for a rating of 0 to 10: one star per two points, a half star
// for an odd rating.
QImage starStrip(int rating, bool black)
{
    QImage img = transparentImage(175, 33);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor emptyFill = black ? QColor(0, 0, 0, 45) : QColor(255, 255, 255, 45);
    const QColor emptyLine = black ? QColor(0, 0, 0, 170) : QColor(255, 255, 255, 170);
    QLinearGradient gold(0, 1, 0, 32);
    gold.setColorAt(0, QColor(0xFF, 0xE0, 0x5A));
    gold.setColorAt(1, QColor(0xFF, 0x9E, 0x00));
    const QColor goldLine = black ? QColor(0x8A, 0x55, 0x00) : QColor(0xFF, 0xD5, 0x4F);
    for (int i = 0; i < 5; ++i) {
        const QPainterPath star = starPath(QPointF(17.5 + 35 * i, 17.2), 16, 6.6);
        const int points = qBound(0, rating - 2 * i, 2);
        p.fillPath(star, emptyFill);
        if (points > 0) {
            p.save();
            if (points == 1)
                p.setClipRect(QRectF(17.5 + 35 * i - 17, 0, 17, 33));
            p.fillPath(star, gold);
            p.setPen(QPen(goldLine, 1.2));
            p.drawPath(star);
            p.restore();
        }
        if (points < 2) {
            p.save();
            if (points == 1)
                p.setClipRect(QRectF(17.5 + 35 * i, 0, 18, 33));
            p.setPen(QPen(emptyLine, 1.6));
            p.drawPath(star);
            p.restore();
        }
    }
    return img;
}

QImage checkbox(bool white, bool yes)
{
    QImage img = transparentImage(80, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = white ? Qt::white : kSkyBlue;
    const QRectF box(18, 10, 44, 44);
    p.setPen(QPen(ink, 4));
    p.setBrush(yes ? QBrush(ink) : QBrush(QColor(0, 0, 0, 70)));
    p.drawRoundedRect(box, 8, 8);
    if (yes) {
        QPainterPath tick;
        tick.moveTo(28, 32);
        tick.lineTo(37, 42);
        tick.lineTo(53, 22);
        p.setPen(QPen(kNavy, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    }
    return img;
}

QImage smallGlyphImage(int w, int h, const QString &g, const QColor &color)
{
    QImage img = transparentImage(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(fittedText(g, iconFont(h * 2), QRectF(0, 0, w, h)), color);
    return img;
}

QImage removeMark(bool selected)
{
    QImage img = transparentImage(24, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (selected) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xE5, 0x39, 0x35));
        p.drawEllipse(QRectF(0.5, 0.5, 23, 23));
    }
    p.setPen(QPen(selected ? Qt::white : kSkyBlue, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(17, 17));
    p.drawLine(QPointF(17, 7), QPointF(7, 17));
    return img;
}

// ---------------------------------------------------------------- cover frames

// An empty black DVD case with its drop shadow: the missing-cover picture.
QImage blackShadow()
{
    QImage img = transparentImage(245, 343);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF cas(4, 2, 235, 333);
    QImage shadow = transparentImage(245, 343);
    {
        QPainter s(&shadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.setBrush(QColor(0, 0, 0, 230));
        s.setPen(Qt::NoPen);
        s.drawRoundedRect(cas.translated(2, 5), 8, 8);
    }
    p.drawImage(0, 0, blurred(shadow, 4));
    QLinearGradient g(cas.topLeft(), cas.bottomRight());
    g.setColorAt(0, QColor(0x2A, 0x2D, 0x33));
    g.setColorAt(1, QColor(0x07, 0x08, 0x0A));
    p.setBrush(g);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1.5));
    p.drawRoundedRect(cas, 8, 8);
    p.fillRect(QRectF(cas.x() + 8, cas.y() + 6, 6, cas.height() - 12), QColor(0, 0, 0, 120));
    p.fillRect(QRectF(cas.x() + 14, cas.y() + 6, 1.5, cas.height() - 12), QColor(255, 255, 255, 25));
    const QPainterPath film = fittedText(glyph({0xe02c, 0xe404}), iconFont(200), QRectF(72, 110, 100, 100));
    p.fillPath(film, QColor(0x87, 0xCE, 0xFA, 70));
    p.setPen(QColor(0x87, 0xCE, 0xFA, 110));
    p.setFont(textFont(gSans, 20, true));
    p.drawText(QRectF(0, 222, 245, 30), Qt::AlignCenter, u"NO COVER"_s);
    return img;
}

// A disc-format case: a coloured band with the format's name above the art
// box (y 28 to 314) and the case's lower lip below it.
QImage formatCase(const QColor &top, const QColor &bottom, const QString &name)
{
    QImage img = transparentImage(245, 343);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF cas(0, 0, 245, 336);
    QImage shadow = transparentImage(245, 343);
    {
        QPainter s(&shadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.setBrush(QColor(0, 0, 0, 220));
        s.setPen(Qt::NoPen);
        s.drawRoundedRect(cas.adjusted(3, 8, -3, 5), 8, 8);
    }
    p.drawImage(0, 0, blurred(shadow, 4));
    QLinearGradient g(0, 0, 0, 336);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.setPen(QPen(top.lighter(140), 1.5));
    p.drawRoundedRect(cas.adjusted(0.75, 0.75, -0.75, -0.75), 8, 8);
    QLinearGradient gloss(0, 0, 0, 28);
    gloss.setColorAt(0, QColor(255, 255, 255, 90));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(6, 2, 233, 24), gloss);
    p.setFont(textFont(gSans, 19, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 2, 245, 26), Qt::AlignCenter, name);
    p.fillRect(QRectF(0, 314, 245, 1), QColor(0, 0, 0, 120));
    return img;
}

// ---------------------------------------------------------------- catalogue

QImage draw(const QString &name, QSize size)
{
    static const QHash<QString, QString> icons = {
        {u"Settings"_s, glyph({0xe8b8})},
        {u"Sync"_s, glyph({0xe627})},
        {u"Watched"_s, glyph({0xe8f4})},
        {u"Unwatched"_s, glyph({0xe8f5})},
        {u"Genre"_s, glyph({0xea66, 0xf218, 0xe41d})},
        {u"Cats"_s, glyph({0xe574, 0xe892})},
        {u"Sort"_s, glyph({0xe164})},
        {u"Filter"_s, glyph({0xef4f, 0xe152})},
        {u"Search"_s, glyph({0xe8b6})},
        {u"WatchList"_s, glyph({0xe866})},
        {u"Exit"_s, glyph({0xe8ac})},
    };
    if (name == u"PngMainBackground")
        return background();
    if (name == u"PngHelpBackground1")
        return helpBackground1();
    if (name == u"PngHelpBackground2")
        return helpBackground2();
    if (name == u"PngHelpBackground3")
        return helpBackground3();
    if (name == u"PngBlackShadow")
        return blackShadow();
    if (name == u"PngTransparent")
        return transparentImage(1, 1);
    if (name == u"PngDefaultBluRayUnder")
        return formatCase(QColor(0x1E, 0x74, 0xD8), QColor(0x0B, 0x3C, 0x8C), u"Blu-ray Disc"_s);
    if (name == u"PngDefaultHDDVDUnder")
        return formatCase(QColor(0xC6, 0x28, 0x28), QColor(0x6E, 0x0E, 0x0E), u"HD DVD"_s);
    if (name == u"PngFolder" || name == u"PngFolderSel")
        return smallGlyphImage(size.width(), size.height(), glyph({0xe2cc, 0xe2c7}), name.endsWith(u"Sel") ? QColor(Qt::white) : kSkyBlue);
    if (name == u"PngSmallX" || name == u"PngSmallXSel")
        return removeMark(name.endsWith(u"Sel"));
    if (name == u"PngWatched")
        return watchedTick();
    if (name == u"PngWatchListRibbon")
        return watchListRibbon();
    if (name.startsWith(u"PngMovieTV"))
        return barIcon(size.width(), movieTvShape, name.endsWith(u"White"));
    if (name.startsWith(u"PngCheckbox")) {
        return checkbox(name.startsWith(u"PngCheckboxWhite"), name.endsWith(u"Yes"));
    }
    if (name.startsWith(u"PngRated")) {
        static const QHash<QString, QString> texts = {
            {u"G"_s, u"G"_s}, {u"PG"_s, u"PG"_s}, {u"PG13"_s, u"PG-13"_s},
            {u"R"_s, u"R"_s}, {u"NC17"_s, u"NC-17"_s}, {u"Unrated"_s, u"UNRATED"_s}};
        const QString code = name.mid(8).section(u'_', 0, 0);
        return ratingBadge(size.width(), texts.value(code), name.endsWith(u"_Black"));
    }
    if (name.startsWith(u"PngStars")) {
        const int rating = name.mid(8).section(u'_', 0, 0).toInt();
        return starStrip(rating, name.endsWith(u"_Black"));
    }
    for (auto it = icons.cbegin(); it != icons.cend(); ++it) {
        if (name == u"Png"_s + it.key() + u"Blue"_s || name == u"Png"_s + it.key() + u"White"_s)
            return barIcon(size.width(), singleGlyph(it.value()), name.endsWith(u"White"));
    }
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cv_imagegen OUTDIR\n");
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cv_imagegen: cannot create %s\n", argv[1]);
        return 1;
    }
    loadFonts();

    QString qrc;
    QTextStream qrcOut(&qrc);
    qrcOut << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/images\">\n";
    for (const tEmbeddedImage &e : EmbeddedImages()) {
        const QString name = QString::fromUtf16(e.Name);
        const QImage img = draw(name, QSize(e.Width, e.Height));
        if (img.size() != QSize(e.Width, e.Height)) {
            std::fprintf(stderr, "cv_imagegen: %s drawn at %dx%d, expected %dx%d\n", qPrintable(name),
                         img.width(), img.height(), e.Width, e.Height);
            return 1;
        }
        const QString file = name + u".png"_s;
        if (!img.save(outDir + u'/' + file, "PNG")) {
            std::fprintf(stderr, "cv_imagegen: cannot write %s\n", qPrintable(file));
            return 1;
        }
        qrcOut << "    <file>" << file << "</file>\n";
    }
    qrcOut << "</qresource>\n</RCC>\n";
    qrcOut.flush();

    // Written last, so that the resource compiler only ever sees a complete set.
    QSaveFile out(outDir + u"/cinevue_images.qrc"_s);
    if (!out.open(QIODevice::WriteOnly) || out.write(qrc.toUtf8()) < 0 || !out.commit()) {
        std::fprintf(stderr, "cv_imagegen: cannot write the resource list\n");
        return 1;
    }
    return 0;
}
