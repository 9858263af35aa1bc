#pragma once
// The fan-art screensaver: after the idle delay it covers the screen with the
// fan art of random titles, cross-fading between its two pictures at every
// tick and optionally naming the title in a caption coloured to stay legible.

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>

class TForm1;
struct tTitle;

// The fan-art file of a title: with `localArt` the cache copy when it exists,
// else the title folder's; empty when the title has no fan art or the file
// does not exist.
QString ScreenSaverFanArtFile(const tTitle &title, const QString &cachePath, bool localArt);

// The caption's text colour over a glow of `glow`: black over bright
// pictures (red + green + blue above 377), else white.
QColor CaptionTextColor(const QColor &glow);

class ScreenSaver
{
public:
    explicit ScreenSaver(TForm1 &form);

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
    void fade(class ImageElement *picture, bool in);

    TForm1 &m_form;
    int m_fadeStepMs = 10;
    std::function<int(int)> m_random;
    bool m_ticking = false;
};
