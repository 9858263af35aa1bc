#pragma once
// The clock in the top right corner of the browser screen. The icon bar
// decides when it shows (it takes the exit icon's place); the clock keeps its
// text and its colours.

#include "ui/screen.h"

#include <QLocale>
#include <QString>
#include <QTime>

class ImageElement;
class LabelElement;

// The clock text of a long time text: everything before the first ':' at or
// after its fourth character ("9:05:30 PM" gives "9:05", "21:05:30" gives
// "21:05"); empty when there is no such colon.
QString ClockText(const QString &longTimeText);

// The long time text of `time` in `locale`'s long time format.
QString LongTimeText(const QTime &time, const QLocale &locale = QLocale::system());

class Clock : public ScreenComponent
{
public:
    explicit Clock(ScreenHost &host);

    void registerKeys(KeyDispatcher &) override {}
    // Black or white over the backdrop of the screen in front, glowing in
    // its colour.
    void recolor() override;

    // TimerClockTimer: with ShowClock on, LabelClock shows the clock text of `now`.
    void UpdateClock(const QTime &now = QTime::currentTime(), const QLocale &locale = QLocale::system());

    LabelElement *label() const { return m_label; }

private:
    const ImageElement *backdrop() const;

    LabelElement *m_label;
    const ImageElement *m_browserBackdrop;
    // The title views' backdrops; those screens may be added after the
    // clock, so they are found on first use.
    mutable const ImageElement *m_fanArtBackdrop = nullptr;
    mutable const ImageElement *m_gridBackdrop = nullptr;
};
