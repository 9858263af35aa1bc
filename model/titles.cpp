#include "titles.h"

#include <array>

namespace {
const std::array<const char16_t *, 6> kMediaTypeNames = {u"mtNotSet", u"mtMovie", u"mtTV", u"mtMusic", u"mtDoc", u"mtOther"};
const std::array<const char16_t *, 4> kDiscTypeNames = {u"dtDVD", u"dtHDDVD", u"dtBluray", u"dt4KUltraHD"};
const std::array<const char16_t *, 5> kContainerNames = {u"ctFolder", u"ctISO", u"ctMP4", u"ctMKV", u"ctUnknown"};
const std::array<const char16_t *, 5> kContainerWords = {u"DVD Folder", u"ISO", u"MP4", u"MKV", u"Unknown"};

template <typename E, std::size_t N>
std::optional<E> lookup(const std::array<const char16_t *, N> &names, const QString &name)
{
    for (std::size_t i = 0; i < N; ++i)
        if (name == QStringView(names[i]))
            return static_cast<E>(i);
    return std::nullopt;
}
} // namespace

QString MediaTypeName(tMediaType v) { return QString::fromUtf16(kMediaTypeNames.at(v)); }
QString DiscTypeName(tDiscTypes v) { return QString::fromUtf16(kDiscTypeNames.at(v)); }
QString ContainerName(tContainers v) { return QString::fromUtf16(kContainerNames.at(v)); }
QString ContainerDisplayWord(tContainers v) { return QString::fromUtf16(kContainerWords.at(v)); }

std::optional<tMediaType> MediaTypeFromName(const QString &name) { return lookup<tMediaType>(kMediaTypeNames, name); }
std::optional<tDiscTypes> DiscTypeFromName(const QString &name) { return lookup<tDiscTypes>(kDiscTypeNames, name); }
std::optional<tContainers> ContainerFromName(const QString &name) { return lookup<tContainers>(kContainerNames, name); }

tTitle PlaceholderTitle(const QString &directory, const QString &lastComponent, const QString &errorText)
{
    tTitle t;
    t.ID = lastComponent;
    t.Title = lastComponent;
    t.SortTitle = lastComponent;
    t.Directory = directory;
    t.CollectionNum = -1;
    t.MediaType = mtNotSet;
    t.Online = true;
    t.AspectRatio = QStringLiteral("Unknown");
    t.VideoStandard = QStringLiteral("Unknown");
    t.Year = 9999;
    t.Runtime = 999;
    t.ReleaseDate = QStringLiteral("99990101");
    t.AddedDate = QStringLiteral("99990101");
    t.Stars = 0;
    t.Rated = QStringLiteral("Unrated");
    t.Description = errorText;
    t.RatedDesc = errorText;
    return t;
}
