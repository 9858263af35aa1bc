#pragma once
// The play launcher below the window: which player gets which command line
// for a disc, and the mounting of a disc image on the virtual drive. The
// window (PlayClick) shows the labels, dims its screen and waits; everything
// it shows comes from the values here.

#include "app/settings.h"
#include "model/titles.h"
#include "platform/processes.h"
#include "platform/registrystore.h"
#include "play/commandlines.h"

#include <QString>
#include <QStringList>

#include <functional>

// Texts of the processing labels and of the message box.
inline const QString kLaunchingPowerDVDText = QStringLiteral("Launching PowerDVD");
// The label shows the doubled ampersand as one "&".
inline const QString kLaunchingMoviesAndTVText = QStringLiteral("Launching 'Movies && TV'");
inline const QString kMountingISOText = QStringLiteral("Mounting ISO");
inline const QString kCouldNotMountText = QStringLiteral("ERROR: Could not mount ISO");
inline const QString kNoVirtualDriveText = QStringLiteral(
    "[ERROR] You must first assign the \"Virtual CloneDrive Drive Letter\" in the Settings before you can Play ISO files.");

// The disc to play when no choice is needed: the only disc (0), or -1 for a
// title without discs. A title with two or more discs needs the disc
// selection (NeedsDiscSelection).
bool NeedsDiscSelection(const tTitle &title);
qint32 OnlyDiscIndex(const tTitle &title);

struct tLaunchPlan {
    bool Valid = false;      // false for a disc index outside the title's discs
    QString Loc;             // the disc's Loc
    tContainers Container = ctUnknown;
    bool MountFirst = false; // ISO and unknown containers: mount Loc first (MountImage)
    bool MoviesAndTV = false; // else PowerDVD
    tCommandLine Command;    // the player's command line, run once the disc is ready
    bool Hidden = false;     // RunProgram's Hidden: "Movies & TV" hidden, PowerDVD maximised
    QString LaunchLabel;     // LabelProcessing while launching
};

// The player and its command line for disc `discIndex` of `title`.
tLaunchPlan PlanLaunch(const tSettings &settings, const tTitle &title, qint32 discIndex);

// Starts the planned player beside Cinevue (not waited for). The result's
// messages are the message boxes to show.
RunProgramResult LaunchPlayer(const tLaunchPlan &plan);

// What MountImage asks of the window.
struct tMountHooks {
    // "Mounting ISO" in LabelProcessing and the image in LabelProcessingStatus,
    // both visible, pending events processed.
    std::function<void(const QString &image)> showMounting;
    // One poll pause: 1000 ms during which the window keeps painting.
    std::function<void()> pause;
    // Message boxes of RunProgram ("is missing", "Unable to run").
    std::function<void(const QStringList &messages)> showMessages;
};

struct tMountOutcome {
    bool Ready = false;         // the drive holds a medium after the last test
    bool NoDriveLetter = false; // no virtual drive assigned: show kNoVirtualDriveText
    bool AlreadyMounted = false;
    bool Unmounted = false;     // the unmount command was run (another image was in the drive)
    bool Mounted = false;       // the mount command was run
    qint32 Polls = 0;
    bool operator==(const tMountOutcome &) const = default;
};

// Mounts `image` on the virtual drive named by settings.VCDDriveLetter with
// the mount tool settings.VCDFilePath, awaiting the tool, then polls the
// drive once a second, at most ISOMountTimeout + 1 times. An image that is
// already in a ready drive (LastMountedFile equal to `image`, letter case
// counted) is not mounted again; another image is unmounted first.
tMountOutcome MountImage(const tSettings &settings, const QString &image, const tMountHooks &hooks,
                         const IRegistryStore &store);
tMountOutcome MountImage(const tSettings &settings, const QString &image, const tMountHooks &hooks);
