#include "ui/mainscreenkeys.h"

#include "app/tform1.h"
#include "ui/keydispatcher.h"

namespace {

// Icon bar: Left and Right move the selection without wrapping.
ModeKeys iconBarKeys(TForm1 &f)
{
    ModeKeys k;
    // Without titles only the icons present can be reached: settings, sync
    // (with monitored folders) and exit.
    k.Left = [&f] {
        if (f.HasTitles)
            f.IconIndex = qMax(0, f.IconIndex - 1);
        else if (f.Settings.Folders.isEmpty())
            f.IconIndex = 0;
        else
            f.IconIndex = f.IconIndex == 10 ? 1 : 0;
        f.UpdateIcons();
    };
    k.Right = [&f] {
        if (f.HasTitles)
            f.IconIndex = qMin(10, f.IconIndex + 1);
        else if (f.Settings.Folders.isEmpty())
            f.IconIndex = 10;
        else
            f.IconIndex = f.IconIndex == 0 ? 1 : 10;
        f.UpdateIcons();
    };
    k.Down = [&f] {
        if (!f.HasTitles || f.ViewList.isEmpty())
            return;
        f.ScreenMode = smRowA;
        f.UpdateIcons();
        f.ShiftCoverArt(u"Down"_qs);
    };
    k.Enter = [&f] {
        if (f.IconIndex == 1 && !f.Settings.Folders.isEmpty())
            f.SyncFolders();
    };
    return k;
}

// Carousel rows: view-list position p lies in column p / 2, on row A when even.
ModeKeys carouselKeys(TForm1 &f)
{
    ModeKeys k;
    k.DetailsAfterKey = true;
    k.Backspace = [&f] { f.dispatcher().suppressDetails(); };
    k.Left = [&f] {
        if (f.FocusIndex > 1) {
            f.FocusIndex -= 2;
            f.ShiftCoverArt(u"Left"_qs);
            f.UpdateDetails();
        }
    };
    k.Right = [&f] {
        if (f.FocusIndex + 2 < f.ViewList.size()) {
            f.FocusIndex += 2;
            f.ShiftCoverArt(u"Right"_qs);
            f.UpdateDetails();
        }
    };
    k.Up = [&f] {
        if (f.ScreenMode == smRowA) {
            f.ScreenMode = smIconBar;
            f.UpdateIcons();
        } else {
            f.FocusIndex -= 1;
            f.ScreenMode = smRowA;
            f.UpdateDetails();
        }
        f.ShiftCoverArt(u"Up"_qs);
    };
    k.Down = [&f] {
        if (f.FocusIndex + 1 >= f.ViewList.size())
            return;
        f.FocusIndex += 1;
        const bool toRowB = f.ScreenMode == smRowA;
        f.ScreenMode = toRowB ? smRowB : smRowA;
        f.ShiftCoverArt(toRowB ? u"Down"_qs : u"Right"_qs);
        f.UpdateDetails();
    };
    return k;
}

} // namespace

void RegisterMainScreenKeys(KeyDispatcher &dispatcher, TForm1 &form)
{
    dispatcher.setMode(smIconBar, iconBarKeys(form));
    dispatcher.setMode(smRowA, carouselKeys(form));
    dispatcher.setMode(smRowB, carouselKeys(form));
    // While a sync runs every key has only the common effects.
    dispatcher.setMode(smSyncing, ModeKeys{});
}
