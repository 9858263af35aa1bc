// The update server's answer. Parsing never fails half-way into a broken
// record, and an update is only ever offered under a name that can be a
// file in the program folder.

#include "fuzzsupport.h"

#include "app/config.h"
#include "update/updateinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceQt();
    static const QString running = UpdateCheckVersion(ProgVersion());

    tUpdate update;
    update.Version = QStringLiteral("kept");
    const bool complete = ParseUpdateAnswer(QByteArrayView(data, qsizetype(size)), update);
    for (const QString &version : {running, update.Version}) {
        const UpdateDecision decision = DecideUpdate(update, version);
        if (decision == UpdateDecision::None)
            continue;
        FUZZ_CHECK(update.Version == version && update.NewVersion != version);
        FUZZ_CHECK(!update.NewVersion.isEmpty() && !update.NewVersion.startsWith(QLatin1Char('.')));
        for (const QChar c : update.NewVersion)
            FUZZ_CHECK(c != QLatin1Char('/') && c != QLatin1Char('\\') && c.unicode() >= 0x20);
        FUZZ_CHECK(OptionalUpdateText(update).contains(update.NewVersion));
        FUZZ_CHECK(MandatoryUpdateText(update).contains(update.Changes));
        FUZZ_CHECK(!PackageManagerUpdateText(update).isEmpty());
    }
    if (!complete)
        return 0;
    // A complete answer reads the same the second time, into any record.
    tUpdate again;
    FUZZ_CHECK(ParseUpdateAnswer(QByteArrayView(data, qsizetype(size)), again));
    FUZZ_CHECK(again == update);
    return 0;
}
