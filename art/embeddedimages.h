#pragma once
// The catalogue of images embedded in the program: name and pixel size of
// each. The image generator (tools/imagegen) draws exactly these, the
// resource loader finds them by name, and the tests check every size.

#include <QSize>
#include <QStringView>

#include <span>

struct tEmbeddedImage {
    const char16_t *Name;
    int Width;
    int Height;
    // Loaded on demand (by the menus that show them) instead of at start-up.
    bool OnDemand = false;
};

inline constexpr tEmbeddedImage kEmbeddedImages[] = {
    {u"PngMainBackground", 1920, 1080},
    {u"PngHelpBackground1", 1920, 1080},
    {u"PngHelpBackground2", 1920, 1080},
    {u"PngHelpBackground3", 1920, 1080},
    {u"PngBlackShadow", 245, 343},
    {u"PngTransparent", 1, 1},
    // Built-in stand-ins for the two frames the "Default" profile takes from
    // My Movies' image folder, used when that folder is not found.
    {u"PngDefaultBluRayUnder", 245, 343},
    {u"PngDefaultHDDVDUnder", 245, 343},
    {u"PngFolder", 50, 39},
    {u"PngFolderSel", 50, 39},
    // The settings screen shows the unselected remove mark as well.
    {u"PngSmallX", 24, 24},
    {u"PngSmallXSel", 24, 24},
    {u"PngSettingsBlue", 256, 256},
    {u"PngSettingsWhite", 256, 256},
    {u"PngSyncBlue", 256, 256},
    {u"PngSyncWhite", 256, 256},
    {u"PngMovieTVBlue", 512, 512},
    {u"PngMovieTVWhite", 512, 512},
    {u"PngWatchedBlue", 256, 256},
    {u"PngWatchedWhite", 256, 256},
    {u"PngUnwatchedBlue", 256, 256},
    {u"PngUnwatchedWhite", 256, 256},
    {u"PngGenreBlue", 256, 256},
    {u"PngGenreWhite", 256, 256},
    {u"PngCatsBlue", 256, 256},
    {u"PngCatsWhite", 256, 256},
    {u"PngSortBlue", 256, 256},
    {u"PngSortWhite", 256, 256},
    {u"PngFilterBlue", 256, 256},
    {u"PngFilterWhite", 256, 256},
    {u"PngSearchBlue", 256, 256},
    {u"PngSearchWhite", 256, 256},
    {u"PngWatchListBlue", 256, 256},
    {u"PngWatchListWhite", 256, 256},
    {u"PngExitBlue", 256, 256},
    {u"PngExitWhite", 256, 256},
    {u"PngWatched", 100, 90},
    {u"PngWatchListRibbon", 60, 85},
    {u"PngRatedG_White", 80, 70},
    {u"PngRatedG_Black", 80, 70},
    {u"PngRatedPG_White", 133, 70},
    {u"PngRatedPG_Black", 133, 70},
    {u"PngRatedPG13_White", 248, 70},
    {u"PngRatedPG13_Black", 248, 70},
    {u"PngRatedR_White", 81, 70},
    {u"PngRatedR_Black", 81, 70},
    {u"PngRatedNC17_White", 238, 70},
    {u"PngRatedNC17_Black", 238, 70},
    {u"PngRatedUnrated_White", 240, 70},
    {u"PngRatedUnrated_Black", 240, 70},
    {u"PngStars0_White", 175, 33},
    {u"PngStars1_White", 175, 33},
    {u"PngStars2_White", 175, 33},
    {u"PngStars3_White", 175, 33},
    {u"PngStars4_White", 175, 33},
    {u"PngStars5_White", 175, 33},
    {u"PngStars6_White", 175, 33},
    {u"PngStars7_White", 175, 33},
    {u"PngStars8_White", 175, 33},
    {u"PngStars9_White", 175, 33},
    {u"PngStars10_White", 175, 33},
    {u"PngStars0_Black", 175, 33},
    {u"PngStars1_Black", 175, 33},
    {u"PngStars2_Black", 175, 33},
    {u"PngStars3_Black", 175, 33},
    {u"PngStars4_Black", 175, 33},
    {u"PngStars5_Black", 175, 33},
    {u"PngStars6_Black", 175, 33},
    {u"PngStars7_Black", 175, 33},
    {u"PngStars8_Black", 175, 33},
    {u"PngStars9_Black", 175, 33},
    {u"PngStars10_Black", 175, 33},
    {u"PngCheckboxBlueNo", 80, 64, true},
    {u"PngCheckboxBlueYes", 80, 64, true},
    {u"PngCheckboxWhiteNo", 80, 64, true},
    {u"PngCheckboxWhiteYes", 80, 64, true},
};

inline std::span<const tEmbeddedImage> EmbeddedImages() { return kEmbeddedImages; }
