// CinevueDB.xml as the start-up loads it. A collection that loads must be
// written and loaded again unchanged, but for the nameless actors and crew
// members that the writer leaves out; anything else must end as Rejected or
// Error with an empty collection and a reason.

#include "fuzzsupport.h"

#include "app/config.h"
#include "model/localdatabase.h"

namespace {

// The collection as the writer stores it.
tTitles withoutNamelessPeople(tTitles titles)
{
    for (tTitle &t : titles.Title) {
        t.Actors.removeIf([](const tActor &a) { return a.Actor.isEmpty(); });
        for (QStringList *names : {&t.Crew.Director, &t.Crew.Writer, &t.Crew.Producer, &t.Crew.Cinematography,
                                   &t.Crew.Editor, &t.Crew.Music, &t.Crew.Sound, &t.Crew.Art})
            names->removeAll(QString());
    }
    return titles;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString appPath = fuzz::folder(QStringLiteral("database"));
    static const QString againPath = fuzz::folder(QStringLiteral("database-again"));
    static const QString version = ProgVersion();
    static const QDateTime now(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    static const QString mounted = QStringLiteral("/isos/Alien.iso");

    fuzz::writeFile(DatabaseFilePath(appPath), fuzz::bytes(data, size));
    // The first byte picks the AutoScan setting: it decides the texts of a
    // rejected file.
    const bool autoScan = size > 0 && (data[0] & 1);
    const LoadResult r = LoadLocalDatabase(appPath, version, autoScan, mounted, now);
    switch (r.status) {
    case LoadResult::Loaded:
        break;
    case LoadResult::Rejected:
        FUZZ_CHECK(r.titles == tTitles());
        FUZZ_CHECK(autoScan || !r.messageBoxText.isEmpty());
        return 0;
    case LoadResult::Error:
        FUZZ_CHECK(r.titles == tTitles());
        FUZZ_CHECK(!r.error.isEmpty());
        return 0;
    }

    QString error;
    FUZZ_CHECK(WriteDatabaseFile(DatabaseFilePath(againPath), r.titles, version, &error));
    const LoadResult again = LoadLocalDatabase(againPath, version, autoScan, mounted, now);
    FUZZ_CHECK(again.status == LoadResult::Loaded);
    FUZZ_CHECK(again.titles == withoutNamelessPeople(r.titles));
    return 0;
}
