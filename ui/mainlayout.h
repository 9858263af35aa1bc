#pragma once
// The elements of the main screen on the design surface, added in drawing
// order (later ones lie above earlier ones). Screens added later put their
// own elements on the surface with their own builders.

class Scene;

namespace mainlayout {
void BuildMainLayout(Scene &scene);

void BuildBackground(Scene &scene);
void BuildIconBar(Scene &scene);
void BuildCarousel(Scene &scene);
void BuildTitleSummary(Scene &scene);
void BuildProcessingLabels(Scene &scene);
void BuildDetails(Scene &scene);
void BuildClock(Scene &scene);
void BuildScreenSaver(Scene &scene);

// Icon bar element names by IconIndex (0 settings ... 10 exit).
inline constexpr const char16_t *kIconNames[11] = {
    u"ImageSettings", u"ImageSync", u"ImageMovieTV", u"ImageWatched", u"ImageGenre", u"ImageCats",
    u"ImageSort", u"ImageFilter", u"ImageSearch", u"ImageWatchList", u"ImageExit"};
inline constexpr int kIconX[11] = {32, 192, 416, 576, 736, 896, 1056, 1216, 1376, 1536, 1760};
inline constexpr int kSlotColumns = 11;
} // namespace mainlayout
