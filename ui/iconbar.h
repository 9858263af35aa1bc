#pragma once
// The bar of eleven icons across the top of the main screen: which icons are
// present, which one is selected, bright (focus on the bar) or dimmed, the
// clock in the exit icon's place, and the backdrop of the main screen. Its
// keys are those of mode 0; while a sync runs (mode 35) keys have only the
// dispatcher's common effects.

#include "ui/screen.h"

#include <array>

class ImageElement;
class LabelElement;

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

} // namespace iconbar

class IconBar : public ScreenComponent
{
public:
    explicit IconBar(ScreenHost &host);

    void registerKeys(KeyDispatcher &dispatcher) override;

    // UpdateIcons: backdrop, icons present, selection, brightness and clock.
    void UpdateIcons();

    // Enter on the selected icon. Icons that are not shown do nothing: a hidden
    // sync icon would sync no folders, which empties the collection.
    void ActivateIcon();
    // Enter on icons 2 to 10 (menus, toggles, search, exit).
    void OpenIconMenu(int icon);

private:
    // Returns true when the backdrop's picture changed.
    bool updateBackdrop();
    bool backdropIs(const QString &key) const;
    void rememberBackdrop(const QString &key);

    ImageElement *m_background;
    ImageElement *m_bar;
    std::array<ImageElement *, iconbar::kIconCount> m_icons{};
    LabelElement *m_clock;
    // What UpdateIcons last put into the backdrop, so that an icon move does
    // not decode the fan art again. It is trusted only while the backdrop
    // still shows the picture it was recorded with (others load it too).
    QString m_backdropKey;
    QString m_backdropPicture;
};
