#pragma once
// The fan-art screensaver: after the idle delay it covers the screen with the
// fan art of random titles, cross-fading between its two pictures at every
// tick and optionally naming the title in a caption coloured to stay legible.

#include "ui/screen.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>

class ImageElement;
class LabelElement;
class QTimer;
struct tTitle;

// The fan-art file of a title: with `localArt` the cache copy when it exists,
// else the title folder's; empty when the title has no fan art or the file
// does not exist.
QString ScreenSaverFanArtFile(const tTitle &title, const QString &cachePath, bool localArt);

// The caption's text colour over a glow of `glow`: black over bright
// pictures (red + green + blue above 377), else white.
QColor CaptionTextColor(const QColor &glow);

class ScreenSaver : public ScreenComponent
{
public:
    // `slideShowTimer` is the window's TimerSlideShow: its idle countdown
    // starts the screensaver, and each tick re-arms it for the next picture.
    ScreenSaver(ScreenHost &host, QTimer &slideShowTimer);

    // No keys of its own: any key ends it (the dispatcher's common work).
    void registerKeys(KeyDispatcher &) override {}

    // Whether the screensaver covers the screen.
    bool isShowing() const;
    // A key ends it.
    void hide();

    // TimerSlideShowTimer: starts the screensaver or brings the next picture.
    void Tick();

    // The collection index of a title with usable fan art, drawn at random
    // over all titles without repeats, or std::nullopt after kMaxDraws draws
    // (or the whole collection) brought none.
    std::optional<qint32> PickTitle(QString *fanArtFile) const;
    static constexpr int kMaxDraws = 100;

    // The wait after each of a fade's 100 steps (10 ms).
    void setFadeStepDelay(int ms) { m_fadeStepMs = ms; }
    // Random numbers below the bound, for tests that want a fixed draw.
    void setRandom(std::function<int(int bound)> random) { m_random = std::move(random); }

    bool isTicking() const { return m_ticking; }

private:
    void fade(ImageElement *picture, bool in);

    QTimer &m_timer;
    ImageElement *m_first;
    ImageElement *m_second;
    LabelElement *m_caption1;
    LabelElement *m_caption2;
    int m_fadeStepMs = 10;
    std::function<int(int)> m_random;
    bool m_ticking = false;
};
