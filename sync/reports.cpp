#include "reports.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <QDir>
#include <QLocale>

QStringList OutofSyncTitlesReportLines(const tTitles &titles, const QList<qint32> &viewList, const QDateTime &now)
{
    const QLocale locale = QLocale::system();
    const QString stars(69, u'*');
    QStringList lines;
    lines << stars
          << u"Cinevue \"Out of Sync Titles\" Report - "_qs + locale.toString(now.date(), QLocale::ShortFormat)
                 + u' ' + locale.toString(now.time(), QLocale::LongFormat)
          << stars << u" "_qs << u"The following titles have a Watched status that needs to be manually updated in My Movies."_qs
          << u" "_qs;
    int count = 0;
    for (qint32 index : viewList) {
        if (index < 0 || index >= titles.Title.size())
            continue;
        const tTitle &t = titles.Title.at(index);
        if (t.Watched == t.WatchedCVB)
            continue;
        ++count;
        if (t.WatchedCVB)
            lines << u"WATCHED ["_qs + QString::number(t.CollectionNum).rightJustified(5, u' ').right(5) + u"] "_qs + t.Title;
        else
            lines << u"NOT WATCHED ["_qs + QString::number(t.CollectionNum) + u"] "_qs + t.Title;
    }
    lines << u" "_qs << QString::number(count) + u" My Movies titles need updating."_qs << u" "_qs << u"END OF REPORT"_qs;
    return lines;
}

bool WriteOutofSyncTitlesReport(const QString &appPath, const tTitles &titles, const QList<qint32> &viewList,
                                QString *error, const QDateTime &now)
{
    QDir().mkpath(LogsPath(appPath));
    return WriteTextFile(JoinNative(appPath, QString::fromUtf16(kOutofSyncReportName)),
                         OutofSyncTitlesReportLines(titles, viewList, now.isValid() ? now : QDateTime::currentDateTime()),
                         error);
}

ViewFilter OutofSyncViewFilter(const ViewFilter &current)
{
    ViewFilter f;
    f.CurrentSort = (current.CurrentSort == SortTitleAsc || current.CurrentSort == SortColNumAsc) ? current.CurrentSort
                                                                                                  : SortTitleAsc;
    f.GenreMode = u"ShowAll"_qs;
    f.CatMode = u"ShowAll"_qs;
    f.SelectedGenres = current.SelectedGenres;
    f.SelectedCats = current.SelectedCats;
    return f;
}
