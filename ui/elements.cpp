#include "ui/elements.h"

#include <QCache>
#include <QFontMetricsF>
#include <QGraphicsDropShadowEffect>
#include <QJsonArray>
#include <QPainter>
#include <QPropertyAnimation>
#include <QTextLayout>

int Element::s_runningFades = 0;

namespace {

QString colorText(const QColor &c)
{
    return c.name(QColor::HexArgb).toUpper();
}

QJsonArray rectArray(const QRectF &r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

// A glow that blurs once per change instead of at every paint: the text
// under it, the colour, the radius and the device transform are what it
// depends on, and all of them change far less often than frames are drawn.
class CachedGlowEffect : public QGraphicsDropShadowEffect
{
public:
    CachedGlowEffect()
    {
        connect(this, &QGraphicsDropShadowEffect::colorChanged, this, [this] { m_cache = QImage(); });
        connect(this, &QGraphicsDropShadowEffect::blurRadiusChanged, this, [this] { m_cache = QImage(); });
    }

    void invalidate() { m_cache = QImage(); }

protected:
    void sourceChanged(ChangeFlags flags) override
    {
        m_cache = QImage();
        QGraphicsDropShadowEffect::sourceChanged(flags);
    }

    void draw(QPainter *painter) override
    {
        const QTransform transform = painter->worldTransform();
        if (transform.type() > QTransform::TxScale) {
            QGraphicsDropShadowEffect::draw(painter);
            return;
        }
        if (m_cache.isNull() || transform != m_transform) {
            const QRect area =
                transform.mapRect(boundingRectFor(sourceBoundingRect(Qt::LogicalCoordinates))).toAlignedRect();
            m_transform = transform;
            m_area = area;
            m_cache = QImage(area.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
            m_cache.fill(Qt::transparent);
            QPainter p(&m_cache);
            p.setRenderHints(painter->renderHints());
            // The shadow is drawn in device coordinates with the world
            // transform reset, so the move to the cache's origin goes into
            // the viewport, which that reset leaves alone.
            p.setWindow(QRect(QPoint(0, 0), m_cache.size()));
            p.setViewport(QRect(-area.topLeft(), m_cache.size()));
            p.setWorldTransform(transform);
            QGraphicsDropShadowEffect::draw(&p);
        }
        painter->save();
        painter->resetTransform();
        painter->drawImage(m_area.topLeft(), m_cache);
        painter->restore();
    }

private:
    QImage m_cache;
    QTransform m_transform;
    QRect m_area;
};

} // namespace

QFont fonts::Make(const QString &family, int size, bool italic, bool bold)
{
    QFont font(family);
    font.setPixelSize(size);
    font.setItalic(italic);
    font.setBold(bold);
    return font;
}

Element::Element(Kind kind, const QString &name, const QRectF &geometry, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_kind(kind), m_name(name), m_size(geometry.size())
{
    setObjectName(name);
    setPos(geometry.topLeft());
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
}

Element::~Element() = default;

void Element::setSize(const QSizeF &size)
{
    if (size == m_size)
        return;
    prepareGeometryChange();
    m_size = size;
}

void Element::setGeometry(const QRectF &geometry)
{
    setPos(geometry.topLeft());
    setSize(geometry.size());
}

QRectF Element::surfaceGeometry() const
{
    return {scenePos(), m_size};
}

void Element::setGlow(const QColor &color, qreal radius)
{
    if (!m_glow) {
        m_glow = new CachedGlowEffect;
        m_glow->setOffset(0, 0);
        setGraphicsEffect(m_glow); // takes ownership
    }
    m_glow->setBlurRadius(radius);
    m_glow->setColor(color);
}

void Element::setGlowColor(const QColor &color)
{
    if (m_glow)
        m_glow->setColor(color);
    else
        setGlow(color);
}

void Element::clearGlow()
{
    if (!m_glow)
        return;
    setGraphicsEffect(nullptr); // deletes the effect
    m_glow = nullptr;
}

void Element::contentChanged()
{
    if (m_glow)
        static_cast<CachedGlowEffect *>(m_glow)->invalidate();
    // A device-coordinate cache keeps one picture per device that draws the
    // element (the window's view, a picture of the surface), and update()
    // renews only the one that paints next: the others would keep showing
    // the old content. Dropping the cache renews them all.
    if (cacheMode() == QGraphicsItem::DeviceCoordinateCache) {
        setCacheMode(QGraphicsItem::NoCache);
        setCacheMode(QGraphicsItem::DeviceCoordinateCache);
    }
    update();
}

QColor Element::glowColor() const
{
    return m_glow ? m_glow->color() : QColor();
}

void Element::fadeTo(qreal target, int ms)
{
    if (m_fade) {
        m_fade->stop();
        delete m_fade;
    }
    if (ms <= 0) {
        setOpacity(target);
        return;
    }
    auto *fade = new QPropertyAnimation(this, "opacity", this);
    fade->setDuration(ms);
    fade->setStartValue(opacity());
    fade->setEndValue(target);
    countWhileRunning(fade);
    m_fade = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void Element::countWhileRunning(QAbstractAnimation *animation)
{
    // Counted from the animation's own signal, which it also sends when it is
    // destroyed while running (with its element).
    connect(animation, &QAbstractAnimation::stateChanged, animation,
            [](QAbstractAnimation::State now, QAbstractAnimation::State before) {
                if (now == QAbstractAnimation::Running)
                    ++s_runningFades;
                else if (before == QAbstractAnimation::Running)
                    --s_runningFades;
            });
}

bool Element::isFading() const
{
    return m_fade && m_fade->state() == QAbstractAnimation::Running;
}

void Element::slideTo(const QPointF &target, int steps, int stepMs)
{
    if (m_slide) {
        m_slide->stop();
        delete m_slide;
    }
    if (steps <= 0 || stepMs <= 0 || pos() == target) {
        setPos(target);
        return;
    }
    const QPointF start = pos();
    auto *slide = new QVariantAnimation(this);
    slide->setDuration(steps * stepMs);
    // Integer values: the position moves in whole steps, not smoothly.
    slide->setStartValue(0);
    slide->setEndValue(steps);
    connect(slide, &QVariantAnimation::valueChanged, this, [this, start, target, steps](const QVariant &value) {
        setPos(start + (target - start) * value.toInt() / steps);
    });
    countWhileRunning(slide);
    m_slide = slide;
    slide->start(QAbstractAnimation::DeleteWhenStopped);
}

bool Element::isSliding() const
{
    return m_slide && m_slide->state() == QAbstractAnimation::Running;
}

int Element::runningFades()
{
    return s_runningFades;
}

QJsonObject Element::state() const
{
    QJsonObject o;
    o[u"kind"_qs] = m_kind == Kind::Label ? u"label"_qs : u"image"_qs;
    o[u"visible"_qs] = isShown();
    o[u"seen"_qs] = isVisible();
    o[u"opacity"_qs] = opacity();
    o[u"rect"_qs] = rectArray(surfaceGeometry());
    if (m_glow)
        o[u"glow"_qs] = colorText(m_glow->color());
    if (auto *p = dynamic_cast<const Element *>(parentItem()))
        o[u"parent"_qs] = p->name();
    return o;
}

QRectF Element::boundingRect() const
{
    return {QPointF(0, 0), m_size};
}

// ---------------------------------------------------------------- labels

LabelElement::LabelElement(const QString &name, const QRectF &geometry, QGraphicsItem *parent)
    : Element(Kind::Label, name, geometry, parent), m_font(fonts::Make(QString::fromUtf16(fonts::Arial), 24))
{
    // Laying out a word-wrapped synopsis costs far more than drawing it; the
    // text is kept as a picture until it changes.
    setCacheMode(QGraphicsItem::DeviceCoordinateCache);
}

void LabelElement::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    fitToText();
    contentChanged();
}

void LabelElement::setFont(const QFont &font)
{
    m_font = font;
    fitToText();
    contentChanged();
}

void LabelElement::setColor(const QColor &color)
{
    // Recolouring sets the same colour again more often than not.
    if (color == m_color)
        return;
    m_color = color;
    contentChanged();
}

void LabelElement::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    contentChanged();
}

void LabelElement::setWordWrap(bool wrap)
{
    m_wordWrap = wrap;
    contentChanged();
}

void LabelElement::setAutoSize(bool autoSize)
{
    m_autoSize = autoSize;
    fitToText();
}

void LabelElement::setAmpersandPairs(bool on)
{
    if (on == m_ampersandPairs)
        return;
    m_ampersandPairs = on;
    fitToText();
    contentChanged();
}

QString LabelElement::shownText() const
{
    return m_ampersandPairs ? QString(m_text).replace(u"&&"_qs, u"&"_qs) : m_text;
}

qreal LabelElement::textWidth() const
{
    QFontMetricsF metrics(m_font);
    qreal widest = 0;
    for (const QString &line : shownText().split(u'\n'))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    return widest;
}

void LabelElement::fitToText()
{
    if (!m_autoSize)
        return;
    QFontMetricsF metrics(m_font);
    const qsizetype lines = qMax<qsizetype>(1, m_text.count(u'\n') + 1);
    setSize({std::ceil(textWidth()), std::ceil(metrics.lineSpacing() * lines)});
}

QJsonObject LabelElement::state() const
{
    QJsonObject o = Element::state();
    o[u"text"_qs] = m_text;
    if (m_ampersandPairs)
        o[u"shownText"_qs] = shownText();
    o[u"font"_qs] = u"%1 %2%3"_qs.arg(m_font.family()).arg(m_font.pixelSize())
                        .arg(m_font.italic() ? u" italic"_qs : QString());
    o[u"color"_qs] = colorText(m_color);
    return o;
}

void LabelElement::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (m_text.isEmpty())
        return;
    painter->setFont(m_font);
    painter->setPen(m_color);
    int flags = int(m_alignment);
    if (m_wordWrap)
        flags |= Qt::TextWordWrap;
    // Text that does not fit is cut by the label's area, as a fixed-size label does.
    painter->setClipRect(boundingRect());
    painter->drawText(boundingRect(), flags, shownText());
}

// ---------------------------------------------------------------- images

ImageElement::ImageElement(const QString &name, const QRectF &geometry, QGraphicsItem *parent)
    : Element(Kind::Image, name, geometry, parent)
{
}

void ImageElement::setPicture(const QImage &picture, const QString &pictureName)
{
    m_picture = picture;
    m_pictureName = pictureName;
    m_scaled = QImage();
    contentChanged();
}

void ImageElement::clearPicture()
{
    setPicture({}, {});
}

void ImageElement::setFill(Fill fill)
{
    m_fill = fill;
    m_scaled = QImage();
    contentChanged();
}

void ImageElement::setBackground(const QColor &color)
{
    m_background = color;
    contentChanged();
}

QJsonObject ImageElement::state() const
{
    QJsonObject o = Element::state();
    o[u"picture"_qs] = m_picture.isNull() ? QString() : (m_pictureName.isEmpty() ? u"(image)"_qs : m_pictureName);
    return o;
}

QRectF ImageElement::pictureTarget() const
{
    const QRectF area = boundingRect();
    switch (m_fill) {
    case Fill::Stretch:
        return area;
    case Fill::Center: {
        const QSizeF s = m_picture.size().scaled(area.size().toSize(), Qt::KeepAspectRatio);
        QRectF target(QPointF(0, 0), s);
        target.moveCenter(area.center());
        return target;
    }
    case Fill::None:
        break;
    }
    return QRectF(QPointF(0, 0), QSizeF(m_picture.size()));
}

void ImageElement::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF area = boundingRect();
    if (m_background.alpha() > 0)
        painter->fillRect(area, m_background);
    if (m_picture.isNull())
        return;
    const QRectF target = pictureTarget();
    const QTransform transform = painter->worldTransform();
    if (transform.type() > QTransform::TxScale || transform.m11() <= 0 || transform.m22() <= 0) {
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, m_picture);
        return;
    }
    // Scale once to the pixels the picture covers on the device, then blit.
    const QRect device = transform.mapRect(target).toAlignedRect();
    if (device.isEmpty())
        return;
    if (m_scaled.size() != device.size()) {
        // Pictures move from element to element (a carousel step): a picture
        // already scaled to this size for another element is taken as it is.
        static QCache<QPair<qint64, QSize>, QImage> scaledPictures(64 * 1024 * 1024);
        const QPair<qint64, QSize> key(m_picture.cacheKey(), device.size());
        if (const QImage *cached = scaledPictures.object(key)) {
            m_scaled = *cached;
        } else {
            const QImage::Format format =
                m_picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
            m_scaled = (m_picture.size() == device.size() ? m_picture
                                                          : m_picture.scaled(device.size(), Qt::IgnoreAspectRatio,
                                                                             Qt::SmoothTransformation))
                           .convertToFormat(format);
            scaledPictures.insert(key, new QImage(m_scaled), int(std::min<qsizetype>(m_scaled.sizeInBytes(), INT_MAX)));
        }
    }
    painter->save();
    painter->resetTransform();
    painter->drawImage(device.topLeft(), m_scaled);
    painter->restore();
}
