#pragma once
// The bar of eleven icons across the top of the main screen: which icons are
// present, which one is selected, bright (focus on the bar) or dimmed, the
// clock in the exit icon's place, and the backdrop of the main screen.

class TForm1;

namespace iconbar {

inline constexpr int kIconCount = 11;
inline constexpr int kSettingsIcon = 0;
inline constexpr int kSyncIcon = 1;
inline constexpr int kFilterIcon = 7;
inline constexpr int kExitIcon = 10;

// Whether Left and Right can stop on `icon`. With titles every icon can, the
// sync icon even while it is hidden; without titles only settings, sync (with
// monitored folders) and exit.
bool IsReachable(int icon, bool hasTitles, bool hasFolders);

// The icon Left or Right selects from `icon`: the nearest reachable one on
// that side, or `icon` itself at the end of the bar (no wrap-around). An
// index that is not reachable itself (a sync run leaves 5 behind on an empty
// collection) still moves to its reachable neighbour.
int MoveLeft(int icon, bool hasTitles, bool hasFolders);
int MoveRight(int icon, bool hasTitles, bool hasFolders);

// UpdateIcons: backdrop, icons present, selection, brightness and clock.
void UpdateIcons(TForm1 &form);

// Enter on the selected icon. Icons that are not shown do nothing: a hidden
// sync icon would sync no folders, which empties the collection.
void ActivateIcon(TForm1 &form);

} // namespace iconbar
