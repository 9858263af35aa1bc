#include "play/playlauncher.h"

#include "platform/drives.h"
#include "platform/virtualdrive.h"

bool NeedsDiscSelection(const tTitle &title) { return title.DiscInfo.size() >= 2; }

qint32 OnlyDiscIndex(const tTitle &title) { return title.DiscInfo.isEmpty() ? -1 : 0; }

tLaunchPlan PlanLaunch(const tSettings &settings, const tTitle &title, qint32 discIndex)
{
    tLaunchPlan plan;
    if (discIndex < 0 || discIndex >= title.DiscInfo.size())
        return plan;
    const tDiscInfo &disc = title.DiscInfo.at(discIndex);
    plan.Valid = true;
    plan.Loc = disc.Loc;
    plan.Container = disc.Container;
    switch (disc.Container) {
    case ctFolder:
    case ctMP4:
    case ctMKV:
        plan.Command = PowerDVDPathCommand(settings.PDVD, disc.Loc);
        break;
    case ctISO:
    case ctUnknown:
        plan.MountFirst = true;
        plan.Command = PowerDVDDriveCommand(settings.PDVD, title.DiscType, settings.VCDDriveLetter);
        break;
    }
    // Only media files go to "Movies & TV"; disc folders and images always
    // go to PowerDVD, whatever the disc players are set to.
    if ((disc.Container == ctMP4 || disc.Container == ctMKV) && settings.Player4EncMedia == W10MTV) {
        plan.MoviesAndTV = true;
        plan.Command = MoviesAndTVCommand(disc.Loc);
        plan.Hidden = true;
        plan.LaunchLabel = kLaunchingMoviesAndTVText;
    } else {
        plan.LaunchLabel = kLaunchingPowerDVDText;
    }
    return plan;
}

RunProgramResult LaunchPlayer(const tLaunchPlan &plan)
{
    return RunProgram(plan.Command.Program, plan.Command.Arguments, false, plan.Hidden);
}

tMountOutcome MountImage(const tSettings &settings, const QString &image, const tMountHooks &hooks,
                         const IRegistryStore &store)
{
    tMountOutcome outcome;
    if (settings.VCDDriveLetter.isEmpty()) {
        outcome.NoDriveLetter = true;
        return outcome;
    }
    const auto run = [&](const tCommandLine &command) {
        const RunProgramResult result = RunProgram(command.Program, command.Arguments, true, true);
        if (hooks.showMessages && !result.messages().isEmpty())
            hooks.showMessages(result.messages());
    };
    const QString lastMounted = ReadRegistryValue(store, RegistryHive::CurrentUser,
                                                  QString::fromUtf16(kVirtualCloneDriveKey),
                                                  QString::fromUtf16(kLastMountedFileValue));
    const QChar letter = settings.VCDDriveLetter.at(0);
    bool ready = DriveReady(store, letter);
    if (ready && lastMounted != image) {
        run(UnmountCommand(settings.VCDFilePath, settings.VCDDriveLetter));
        outcome.Unmounted = true;
        ready = false;
    } else if (ready) {
        outcome.AlreadyMounted = true;
    }
    if (!ready) {
        if (hooks.showMounting)
            hooks.showMounting(image);
        run(MountCommand(settings.VCDFilePath, settings.VCDDriveLetter, image));
        outcome.Mounted = true;
        // The first test comes one second after the tool has ended, also with
        // a timeout of 0.
        for (qint32 counter = 0; !ready && counter <= settings.ISOMountTimeout; ++counter) {
            if (hooks.pause)
                hooks.pause();
            ++outcome.Polls;
            ready = DriveReady(store, letter);
        }
    }
    outcome.Ready = ready;
    return outcome;
}

tMountOutcome MountImage(const tSettings &settings, const QString &image, const tMountHooks &hooks)
{
    return MountImage(settings, image, hooks, *RegistryStore());
}
