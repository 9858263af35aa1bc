#include "ui/clock.h"

#include "app/tform1.h"
#include "ui/elements.h"

QString ClockText(const QString &longTimeText)
{
    // The fourth character is index 3: a one-digit hour's colon (index 1) is
    // passed over, so the text keeps hours and minutes.
    const qsizetype colon = longTimeText.indexOf(u':', 3);
    return colon < 0 ? QString() : longTimeText.left(colon);
}

QString LongTimeText(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, QLocale::LongFormat);
}

void UpdateClock(TForm1 &form, const QTime &now, const QLocale &locale)
{
    if (!form.Settings.ShowClock)
        return;
    form.label(u"LabelClock"_qs)->setText(ClockText(LongTimeText(now, locale)));
}
