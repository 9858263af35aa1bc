#pragma once
// The out-of-sync titles report: titles whose watched state in Cinevue differs
// from My Movies', so that the user can correct My Movies by hand.

#include "model/titles.h"
#include "ui/viewlist.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The report's lines for the titles of `viewList` (collection indices, in
// display order).
QStringList OutofSyncTitlesReportLines(const tTitles &titles, const QList<qint32> &viewList, const QDateTime &now);

// The report as the program writes it on exit, over the view that holds every
// title (no filters, no search, title or collection-number order as given).
// Writes <appPath>/Logs/Cinevue Out of Sync Titles Report.txt.
bool WriteOutofSyncTitlesReport(const QString &appPath, const tTitles &titles, const QList<qint32> &viewList,
                                QString *error = nullptr, const QDateTime &now = QDateTime());

// The view the report is taken over: every title (no media type, genre,
// category, watched, watch-list or search filter), in title order unless the
// collection-number order is on. Box-set members stay out, as in every view.
ViewFilter OutofSyncViewFilter(const ViewFilter &current);

// Relative names of the files of the run and the exit, below the program folder.
inline constexpr char16_t kSyncErrorLogName[] = u"Logs\\Cinevue Sync Error Log.txt";
inline constexpr char16_t kRentalListReportName[] = u"Logs\\Cinevue Rental List Report.txt";
inline constexpr char16_t kOutofSyncReportName[] = u"Logs\\Cinevue Out of Sync Titles Report.txt";
