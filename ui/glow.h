#pragma once
// Text and glow colours that follow the backdrop: every caption of the main
// screen is black or white (or dark blue / light sky blue) depending on how
// light the backdrop is under it, and glows in the backdrop's own colour.
// Each screen colours its own captions (ScreenComponent::recolor) with the
// helpers here.

#include "ui/screenmode.h"

#include <QColor>
#include <QImage>
#include <QRectF>

class ImageElement;
class LabelElement;
class ScreenHost;

namespace glow {

// The average colour of `image` under a rectangle of the 1920 x 1080 design
// surface that the image is stretched over. The part of the rectangle outside
// the bitmap is left out; an unreadable bitmap or an empty rectangle gives
// opaque black.
QColor GetAverageColor(const QImage &image, qreal height, qreal width, qreal top, qreal left);

// The average colour of what `backdrop` shows under `surfaceRect` (design
// coordinates of the surface). A missing element gives opaque black.
QColor AverageUnder(const ImageElement *backdrop, const QRectF &surfaceRect);

// Light colours take black text.
inline bool IsLight(const QColor &c) { return c.red() + c.green() + c.blue() > 377; }

// Black on light, white on dark; the glow takes the backdrop's colour.
void ColorCaption(LabelElement *label, const QColor &average);

// `r` with `dy` taken off its top and its bottom.
inline QRectF Shrunk(const QRectF &r, qreal dy) { return {r.x(), r.y() + dy, r.width(), r.height() - 2 * dy}; }

// The modes in which the browser screen's captions are on show (icon bar
// and carousel rows); the other screens leave those captions' colours alone.
inline constexpr bool IsBrowserMode(tScreenMode m) { return m == smIconBar || m == smRowA || m == smRowB; }

// Every screen recolours its captions for the current backdrop. Runs no
// events.
void RecolorScreens(const ScreenHost &host);

// UpdateGlowEffect: lets pending events run (labels take their new sizes),
// recolours every screen, and lets the repaint run.
void UpdateGlowEffect(const ScreenHost &host);

} // namespace glow
