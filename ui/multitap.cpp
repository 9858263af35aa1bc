#include "ui/multitap.h"

#include <QString>

QChar MultiTap::press(QChar c, qint64 nowMs)
{
    static constexpr const char16_t *kLetters[8] = {u"ABC", u"DEF", u"GHI", u"JKL", u"MNO", u"PQRS", u"TUV", u"WXYZ"};
    if (c < u'2' || c > u'9')
        return c;
    const int d = c.unicode() - u'2';
    Digit &digit = m_digits[d];
    if (digit.pressed && nowMs - digit.lastMs < kRepeatMs)
        ++digit.count;
    else
        digit.count = 1;
    digit.lastMs = nowMs;
    digit.pressed = true;
    const QString letters = QString::fromUtf16(kLetters[d]);
    if (digit.count > letters.size() + 1)
        digit.count = 1;
    return digit.count == 1 ? c : letters.at(digit.count - 2);
}
