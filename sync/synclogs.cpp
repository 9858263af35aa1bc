#include "synclogs.h"

#include "platform/textfile.h"

bool SyncTextLog::save(const QString &path, QString *error) const
{
    return WriteTextFile(path, m_lines, error);
}

QString FormatSeconds(qint64 nanoseconds)
{
    return QString::number(double(nanoseconds) / 1e9, 'f', 4);
}

QString FormatSeconds(const QElapsedTimer &timer)
{
    return FormatSeconds(timer.isValid() ? timer.nsecsElapsed() : 0);
}
