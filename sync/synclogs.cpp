#include "synclogs.h"

#include "platform/textfile.h"
#include "sync/folderscan.h"

bool SyncTextLog::save(const QString &path, QString *error) const
{
    return WriteTextFile(path, m_lines, error);
}

QString ElapsedSeconds(const QElapsedTimer &timer)
{
    return FormatSeconds(timer.isValid() ? double(timer.nsecsElapsed()) / 1e9 : 0.0);
}
