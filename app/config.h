#pragma once
// Reading and writing the settings record as Cinevue.cfg in the program folder.

#include "app/settings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the configuration asks of the main window's timers. The timers belong
// to the window, so LoadConfig and SaveConfig only compute this value and hand
// it to the window's callback.
struct tTimerSettings {
    // When true, TimerSlideShow gets slideShowIntervalMs and is enabled; when
    // false (screensaver off) the timer is left as it is.
    bool enableSlideShow = false;
    int slideShowIntervalMs = 0;    // ScreenSaverDelay minutes
    int showDetailsIntervalMs = 0;  // DetailsDelay seconds; the timer is not enabled
    bool operator==(const tTimerSettings &) const = default;
};
using TimerApplier = std::function<void(const tTimerSettings &)>;

// The timer values for `s`; intervals are clamped to what a timer can hold.
tTimerSettings TimerSettingsOf(const tSettings &s);

// Candidate full paths probed on the first run; the first existing file wins.
struct tFirstRunProbes {
    QStringList vcdMount;     // VCDFilePath
    QStringList pdvdLauncher; // PDVD.Filepath
};
// The usual install folders on Windows; elsewhere the same program names in
// the folders of PATH.
tFirstRunProbes DefaultFirstRunProbes();

// The configuration file's name in the program folder.
QString ConfigFileName(); // "Cinevue.cfg"

// Sets every field to its default, then reads appPath + "Cinevue.cfg". When the
// file does not exist the first-run procedure probes for the outside players
// and writes the file (Loaded stays false). A file that exists but cannot be
// read is left alone: defaults are returned, Loaded is false and `error` says
// why. Finally the timer settings are handed to `applyTimers`.
tSettings LoadConfig(const QString &appPath, const TimerApplier &applyTimers = {},
                     QString *error = nullptr,
                     const tFirstRunProbes &probes = DefaultFirstRunProbes());

// Writes the whole record to appPath + "Cinevue.cfg" (complete or not at all),
// clears Changed and sets Saved; then hands the timer settings to
// `applyTimers`. On failure returns false, leaves Changed and Saved as they
// were and puts the reason into `error`.
bool SaveConfig(tSettings &s, const QString &appPath, QString *error = nullptr,
                const TimerApplier &applyTimers = {});

// The file's lines as SaveConfig writes them, and the record they read back as
// (starting from the defaults). ConfigFromLines does not set Loaded.
QStringList ConfigLines(const tSettings &s);
tSettings ConfigFromLines(const QStringList &lines);

// Enumeration names in any letter case; std::nullopt for an unknown name.
std::optional<tSort> SortFromName(const QString &name);
std::optional<tPlayers> PlayerFromName(const QString &name);
std::optional<tPDVDLP> PDVDLPFromName(const QString &name);

// The configuration's integer conversion: "0" + value read as a decimal
// number, so an empty value is 0 and leading zeros are harmless. Anything that
// is not a plain string of decimal digits fitting 32 bits gives std::nullopt.
std::optional<qint32> ConfigTextToInt(const QString &value);

// The four-part version text: major.minor.release. and the build with at
// least four digits ("1.7.2017.0006").
QString FormatVersion(int major, int minor, int release, int build);
// The running program's version, from the build's version numbers.
QString ProgVersion();
