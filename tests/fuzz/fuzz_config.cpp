// Cinevue.cfg as the start-up reads it: bytes to lines (UTF-8 with a byte
// order mark, else the system encoding) to the settings record. Whatever the
// file holds, the record that comes out must survive a save and a load.

#include "fuzzsupport.h"

#include "app/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString appPath = fuzz::folder(QStringLiteral("config"));
    static const QString againPath = fuzz::folder(QStringLiteral("config-again"));
    fuzz::writeFile(QDir(appPath).filePath(ConfigFileName()), fuzz::bytes(data, size));

    QString error;
    tTimerSettings timers;
    bool applied = false;
    const TimerApplier apply = [&](const tTimerSettings &t) {
        timers = t;
        applied = true;
    };
    tSettings read = LoadConfig(appPath, apply, &error, tFirstRunProbes{});
    FUZZ_CHECK(read.Loaded && error.isEmpty());
    FUZZ_CHECK(applied && timers == TimerSettingsOf(read));
    FUZZ_CHECK(timers.slideShowIntervalMs >= 0 && timers.showDetailsIntervalMs >= 0);

    // What the settings screen would write reads back as the same record.
    FUZZ_CHECK(SaveConfig(read, againPath, &error));
    tSettings again = LoadConfig(againPath, {}, &error, tFirstRunProbes{});
    FUZZ_CHECK(again.Loaded);
    again.Loaded = read.Loaded;
    again.Changed = read.Changed;
    again.Saved = read.Saved;
    FUZZ_CHECK(again == read);
    return 0;
}
