#pragma once
// Which part of the screen owns the keys. The numbers are the stored values.

#include <QtGlobal>

using tScreenMode = quint8;

inline constexpr tScreenMode smIconBar = 0;
inline constexpr tScreenMode smRowA = 1;
inline constexpr tScreenMode smRowB = 2;
// Settings screen: the value is the focused settings row.
inline constexpr tScreenMode smSettingsFirst = 4;
inline constexpr tScreenMode smSettingsLast = 20;
// A pop-up menu or edit field of the settings screen: 21 to 27 and 31 to 34.
inline constexpr tScreenMode smSettingsInputFirst = 21;
inline constexpr tScreenMode smDefaultSortMenu = 28;
// The on-screen folder browser the settings screen opens to add a folder or
// choose a program (a mode of its own: the remote drives it, not a mouse).
inline constexpr tScreenMode smFolderBrowser = 29;
inline constexpr tScreenMode smSyncing = 35;
inline constexpr tScreenMode smSearch = 36;
inline constexpr tScreenMode smSearchEdit = 37;
inline constexpr tScreenMode smSortMenu = 38;
inline constexpr tScreenMode smMediaTypeMenu = 39;
inline constexpr tScreenMode smGenreMenu = 40;
inline constexpr tScreenMode smCatMenu = 41;
inline constexpr tScreenMode smFanArt = 42;
inline constexpr tScreenMode smFanArtZoom = 43;
inline constexpr tScreenMode smPersonTitles = 44;
inline constexpr tScreenMode smSelectDisc = 45;
inline constexpr tScreenMode smBoxSetTitles = 46;
inline constexpr tScreenMode smBoxSetFanArt = 47;
inline constexpr tScreenMode smBoxSetZoom = 48;
inline constexpr tScreenMode smExitMenu = 49;

inline constexpr bool IsSettingsMode(tScreenMode m) { return m >= smSettingsFirst && m <= smSettingsLast; }
inline constexpr bool IsSettingsInputMode(tScreenMode m) { return (m >= 21 && m <= 27) || (m >= 31 && m <= 34); }
inline constexpr bool IsCarouselMode(tScreenMode m) { return m == smRowA || m == smRowB; }
