#include "ui/mainscreenkeys.h"

#include "app/tform1.h"
#include "ui/iconbar.h"
#include "ui/keydispatcher.h"

namespace {

// Icon bar: Left and Right move the selection without wrapping, over the
// icons that can be reached (see iconbar::IsReachable).
ModeKeys iconBarKeys(TForm1 &f)
{
    ModeKeys k;
    k.Left = [&f] {
        f.IconIndex = iconbar::MoveLeft(f.IconIndex, f.HasTitles, !f.Settings.Folders.isEmpty());
        f.UpdateIcons();
    };
    k.Right = [&f] {
        f.IconIndex = iconbar::MoveRight(f.IconIndex, f.HasTitles, !f.Settings.Folders.isEmpty());
        f.UpdateIcons();
    };
    k.Down = [&f] {
        // A collection filtered down to nothing has no row to go to.
        if (!f.HasTitles || f.ViewList.isEmpty())
            return;
        f.ScreenMode = smRowA;
        f.UpdateIcons();
        f.ShiftCoverArt(u"Down"_qs);
    };
    k.Enter = [&f] { iconbar::ActivateIcon(f); };
    return k;
}

} // namespace

void RegisterMainScreenKeys(KeyDispatcher &dispatcher, TForm1 &form)
{
    dispatcher.setMode(smIconBar, iconBarKeys(form));
    // While a sync runs every key has only the common effects.
    dispatcher.setMode(smSyncing, ModeKeys{});
}
