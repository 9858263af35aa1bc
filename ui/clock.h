#pragma once
// The clock in the top right corner of the browser screen.

#include <QLocale>
#include <QString>
#include <QTime>

class TForm1;

// The clock text of a long time text: everything before the first ':' at or
// after its fourth character ("9:05:30 PM" gives "9:05", "21:05:30" gives
// "21:05"); empty when there is no such colon.
QString ClockText(const QString &longTimeText);

// The long time text of `time` in `locale`'s long time format.
QString LongTimeText(const QTime &time, const QLocale &locale = QLocale::system());

// TimerClockTimer: with ShowClock on, LabelClock shows the clock text of `now`.
void UpdateClock(TForm1 &form, const QTime &now = QTime::currentTime(), const QLocale &locale = QLocale::system());
