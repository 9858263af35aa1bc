#pragma once
// Text and glow colours that follow the backdrop: every caption of the main
// screen is black or white (or dark blue / light sky blue) depending on how
// light the backdrop is under it, and glows in the backdrop's own colour.

#include <QColor>
#include <QImage>
#include <QRectF>

class ImageElement;
class TForm1;

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

// Recolours the clock, the processing labels, the title summary and the
// counter from the current backdrop. Runs no events.
void Recolor(TForm1 &form);

// UpdateGlowEffect: lets pending events run (labels take their new sizes),
// recolours, and lets the repaint run.
void UpdateGlowEffect(TForm1 &form);

} // namespace glow
