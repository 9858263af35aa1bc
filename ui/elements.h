#pragma once
// The screen elements of the 1920 x 1080 design surface: labels and images
// with the attributes the screens use (visibility, opacity, text, font,
// colour, glow, alignment, word wrap). Positions are relative to the parent
// element, or to the surface for top-level elements, in design pixels.

#include <QColor>
#include <QFont>
#include <QGraphicsObject>
#include <QImage>
#include <QJsonObject>
#include <QPointer>

class QGraphicsDropShadowEffect;
class QAbstractAnimation;
class QPropertyAnimation;
class QVariantAnimation;

namespace colors {
inline const QColor GhostWhite{0xF8, 0xF8, 0xFF};
inline const QColor LightSkyBlue{0x87, 0xCE, 0xFA};
inline const QColor DarkBlue{0x05, 0x4D, 0x7A};
} // namespace colors

// Font families standing in for the design fonts (metric equivalents).
namespace fonts {
inline constexpr char16_t Arial[] = u"Liberation Sans";
inline constexpr char16_t Verdana[] = u"DejaVu Sans";
inline constexpr char16_t Calibri[] = u"Carlito";
// `size` is in design pixels, as the layout gives it.
QFont Make(const QString &family, int size, bool italic = false, bool bold = false);
} // namespace fonts

class Element : public QGraphicsObject
{
    Q_OBJECT
public:
    enum class Kind { Label, Image };

    Element(Kind kind, const QString &name, const QRectF &geometry, QGraphicsItem *parent);
    ~Element() override;

    Kind kind() const { return m_kind; }
    QString name() const { return m_name; }

    QSizeF size() const { return m_size; }
    void setSize(const QSizeF &size);
    QRectF geometry() const { return {pos(), m_size}; }
    void setGeometry(const QRectF &geometry);
    // The element's rectangle on the design surface.
    QRectF surfaceGeometry() const;

    // Shown is the element's own flag; an element is seen only when it and
    // all its parents are shown.
    bool isShown() const { return isVisibleTo(parentItem()); }

    // A glow: a soft halo of `color` around what the element draws.
    void setGlow(const QColor &color, qreal radius = kGlowRadius);
    void setGlowColor(const QColor &color);
    void clearGlow();
    bool hasGlow() const { return m_glow != nullptr; }
    QColor glowColor() const;

    // Animates the opacity to `opacity` over `ms` milliseconds (at once for 0).
    // A fade still running on this element is replaced.
    void fadeTo(qreal opacity, int ms);
    bool isFading() const;
    // Moves the element to `target` in `steps` equal steps, one every `stepMs`
    // milliseconds (at once for no steps). It runs on the event loop, so keys
    // keep working while it moves; it is counted with the fades, so drivers
    // that wait for a still screen wait for it too. A move still running on
    // this element is replaced.
    void slideTo(const QPointF &target, int steps, int stepMs);
    bool isSliding() const;
    // Fades and slides running on any element, for drivers that wait until
    // the screen is still.
    static int runningFades();

    // The element's attributes for the state dump.
    virtual QJsonObject state() const;

    QRectF boundingRect() const override;

    static constexpr qreal kGlowRadius = 12.0;

    // Keeps runningFades() up to date while `animation` runs (also for a
    // screen's own animations that move several elements at once).
    static void countWhileRunning(QAbstractAnimation *animation);

protected:
    // What the element draws has changed: repaint, and blur the glow anew.
    void contentChanged();

private:

    Kind m_kind;
    QString m_name;
    QSizeF m_size;
    QGraphicsDropShadowEffect *m_glow = nullptr;
    QPointer<QPropertyAnimation> m_fade;
    QPointer<QVariantAnimation> m_slide;
    static int s_runningFades;
};

class LabelElement : public Element
{
    Q_OBJECT
public:
    LabelElement(const QString &name, const QRectF &geometry, QGraphicsItem *parent);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QFont font() const { return m_font; }
    void setFont(const QFont &font);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool wrap);
    // Auto-sized labels take the size of their text on one line.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);
    // Texts made for menus and the settings screen write a literal "&" as
    // "&&"; with this on such a pair is drawn (and measured) as one "&".
    bool ampersandPairs() const { return m_ampersandPairs; }
    void setAmpersandPairs(bool on);
    // The text as it is drawn.
    QString shownText() const;

    // The width of the text on one line in the label's font.
    qreal textWidth() const;

    QJsonObject state() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    void fitToText();

    QString m_text;
    QFont m_font;
    QColor m_color = colors::GhostWhite;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignTop;
    bool m_wordWrap = false;
    bool m_autoSize = false;
    bool m_ampersandPairs = false;
};

class ImageElement : public Element
{
    Q_OBJECT
public:
    // How the picture fills the element's rectangle.
    enum class Fill { Stretch, Center, None };

    ImageElement(const QString &name, const QRectF &geometry, QGraphicsItem *parent);

    QImage picture() const { return m_picture; }
    // `pictureName` is what the dump reports (an embedded image's name, a file).
    void setPicture(const QImage &picture, const QString &pictureName = {});
    void clearPicture();
    QString pictureName() const { return m_pictureName; }
    Fill fill() const { return m_fill; }
    void setFill(Fill fill);
    // A plain colour under the picture (panels and translucent backings).
    void setBackground(const QColor &color);
    QColor background() const { return m_background; }

    QJsonObject state() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QRectF pictureTarget() const;

    QImage m_picture;
    QString m_pictureName;
    // The picture scaled to the device size it was last drawn at: a frame then
    // only blits it instead of resampling the source every time.
    QImage m_scaled;
    Fill m_fill = Fill::Stretch;
    QColor m_background = Qt::transparent;
};
