#include "valueconv.h"

bool TextToBool(const QString &text)
{
    bool isNumber = false;
    const qlonglong n = text.trimmed().toLongLong(&isNumber);
    if (isNumber)
        return n != 0;
    if (text.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    return false;
}

QString BoolToText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

std::optional<qint32> TextToInt(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && (c == u'-' || c == u'+')))
            return std::nullopt;
    }
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}
