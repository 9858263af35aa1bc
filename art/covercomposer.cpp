#include "art/covercomposer.h"

#include "art/imageresources.h"
#include "platform/paths.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMutexLocker>
#include <QPainter>

namespace {

QImage argb(const QImage &img)
{
    return img.format() == QImage::Format_ARGB32_Premultiplied
               ? img
               : img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage transparent(int w, int h)
{
    QImage img(qMax(1, w), qMax(1, h), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// An ID names a folder of the art cache: one that could leave it is not looked up.
bool usableAsFolderName(const QString &id)
{
    return !id.isEmpty() && id != u"." && id != u".." && !id.contains(u'/') && !id.contains(u'\\');
}

bool exists(const QString &path)
{
    const QFileInfo fi(path);
    return fi.exists() && fi.isFile();
}

} // namespace

CoverComposer::CoverComposer(const CoverProfiles &profiles, const ImageResources &resources, qsizetype cacheBytes)
    : m_profiles(profiles),
      m_resources(resources),
      m_watched(resources.image(QStringLiteral("PngWatched"))),
      m_watchListRibbon(resources.image(QStringLiteral("PngWatchListRibbon"))),
      m_cache(cacheBytes)
{
}

void CoverComposer::setLocalArt(bool localArt, const QString &cachePath)
{
    QMutexLocker lock(&m_cacheMutex);
    m_localArt = localArt;
    m_cachePath = cachePath;
}

QString CoverComposer::ArtFile(const tTitle &title, bool back, bool localArt, const QString &cachePath)
{
    const QString &cacheField = back ? title.ImgCoverBack : title.ImgFolder;
    if (localArt && !cacheField.isEmpty() && usableAsFolderName(title.ID)) {
        const QString cached = JoinNative(JoinNative(cachePath, title.ID), cacheField);
        if (exists(cached))
            return cached;
    }
    QString field;
    if (back)
        field = title.ImgCoverBack;
    else
        field = !title.ImgFolder.isEmpty() ? title.ImgFolder : title.ImgCoverFront;
    if (field.isEmpty())
        return {};
    const QString file = JoinNative(title.Directory, field);
    return exists(file) ? file : QString();
}

QImage CoverComposer::DecodeArt(const QString &file, QSize drawSize)
{
    QImageReader reader(file);
    if (drawSize.isValid() && !drawSize.isEmpty())
        reader.setScaledSize(drawSize);
    return reader.read();
}

QImage CoverComposer::Compose(const tTitle &title, bool back) const
{
    bool localArt;
    QString cachePath;
    {
        QMutexLocker lock(&m_cacheMutex);
        localArt = m_localArt;
        cachePath = m_cachePath;
    }
    const tCoverProfile &profile = m_profiles.profile();
    const tCoverImageSet &images = m_profiles.images();
    const int layout = CoverProfiles::LayoutType(profile, title.DiscType);
    const tCover &box = profile.Covers[layout];
    const int W = profile.Width;
    const int H = profile.Height;

    QImage art;
    const QString file = ArtFile(title, back, localArt, cachePath);
    const QRect artBox(box.PositionX, box.PositionY, box.MaxWidth, box.MaxHeight);
    if (!file.isEmpty())
        art = DecodeArt(file, artBox.size());

    QImage cover;
    if (art.isNull()) {
        // Missing or unreadable art: the missing-cover picture, without a frame.
        cover = images.Missing.isNull() ? transparent(W, H) : argb(images.Missing).copy();
    } else {
        // There is no 4K frame image: a 4K layout sits in the Blu-ray frame.
        const QImage &under = layout == dtDVD     ? images.DVDUnder
                              : layout == dtHDDVD ? images.HDDVDUnder
                                                  : images.BluRayUnder;
        const QImage &over = layout == dtDVD     ? images.DVDOver
                             : layout == dtHDDVD ? images.HDDVDOver
                                                 : images.BluRayOver;
        cover = under.isNull() ? transparent(W, H) : argb(under).copy();
        QPainter p(&cover);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (!artBox.isEmpty())
            p.drawImage(artBox, art);
        art = QImage();
        if (!over.isNull())
            p.drawImage(QPoint(0, 0), over, QRect(0, 0, W, H));
    }

    if (!back) {
        QPainter p(&cover);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (title.WatchedCVB && !m_watched.isNull())
            p.drawImage(QRect(212, 10, 33, 30), m_watched);
        if (title.WatchList && !m_watchListRibbon.isNull())
            p.drawImage(QRect(0, 0, 30, 42), m_watchListRibbon);
        if (title.New && !images.New.isNull())
            p.drawImage(QRect(0, 0, images.New.width(), H), images.New);
        if (title.InDrive) {
            const QImage &inDrive = title.DiscType == dtDVD          ? images.InDriveDVD
                                    : title.DiscType == dtBluray     ? images.InDriveBD
                                    : title.DiscType == dtHDDVD ||
                                              title.DiscType == dt4KUltraHD ? images.InDriveHD
                                                                            : images.InDrive;
            if (!inDrive.isNull())
                p.drawImage(QRect(W - inDrive.width(), 0, inDrive.width(), H), inDrive);
        }
    }
    return cover;
}

QString CoverComposer::cacheKey(const tTitle &title, bool back) const
{
    bool localArt;
    {
        QMutexLocker lock(&m_cacheMutex);
        localArt = m_localArt;
    }
    const QChar sep(0x1F);
    const QString flags = QString::number(int(back)) + QString::number(int(title.WatchedCVB)) +
                          QString::number(int(title.WatchList)) + QString::number(int(title.New)) +
                          QString::number(int(title.InDrive)) + QString::number(int(title.DiscType)) +
                          QString::number(int(localArt));
    return QString::number(m_profiles.generation()) + sep + title.ID + sep + flags + sep + title.Directory + sep +
           title.ImgFolder + sep + title.ImgCoverFront + sep + title.ImgCoverBack;
}

std::optional<QImage> CoverComposer::cachedCover(const QString &key) const
{
    QMutexLocker lock(&m_cacheMutex);
    if (const QImage *img = m_cache.object(key))
        return *img;
    return std::nullopt;
}

void CoverComposer::storeCover(const QString &key, const QImage &cover)
{
    QMutexLocker lock(&m_cacheMutex);
    m_cache.insert(key, new QImage(cover), qMax<qsizetype>(1, cover.sizeInBytes()));
}

void CoverComposer::clearCache()
{
    QMutexLocker lock(&m_cacheMutex);
    m_cache.clear();
}

QImage CoverComposer::CreateCover(const tTitle &title, bool back)
{
    const QString key = cacheKey(title, back);
    if (std::optional<QImage> hit = cachedCover(key))
        return *hit;
    const QImage cover = Compose(title, back);
    storeCover(key, cover);
    return cover;
}

std::array<int, CoverComposer::kSlotCount> CoverComposer::CarouselPositions(int coverIndex, int viewCount)
{
    // Rounded down to even also for negative indices.
    const int even = coverIndex - (((coverIndex % 2) + 2) % 2);
    const int start = even - 2 * kFocusColumn;
    std::array<int, kSlotCount> positions;
    for (int i = 0; i < kSlotCount; ++i) {
        const int p = start + i;
        positions[i] = p >= 0 && p < viewCount ? p : -1;
    }
    return positions;
}

QString CoverComposer::CarouselSlotName(int slot)
{
    return QStringLiteral("ImageCover") + QChar(slot % 2 ? u'B' : u'A') + QString::number(slot / 2);
}

void CoverComposer::LoadCoverArt(int coverIndex, const QList<qint32> &viewList, const tTitles &titles, int screenMode,
                                 const tCarouselSink &sink)
{
    if (sink.HideBigShadows)
        sink.HideBigShadows();
    const QImage blank = m_resources.blank();
    const std::array<int, kSlotCount> positions = CarouselPositions(coverIndex, int(viewList.size()));
    QImage a5, b5;
    for (int i = 0; i < kSlotCount; ++i) {
        QImage cover = blank;
        if (positions[i] >= 0) {
            const qint32 titleIndex = viewList[positions[i]];
            if (titleIndex >= 0 && titleIndex < titles.Title.size())
                cover = CreateCover(titles.Title[titleIndex], false);
        }
        if (sink.SetSlot)
            sink.SetSlot(i, cover);
        if (i == 2 * kFocusColumn)
            a5 = cover;
        if (i == 2 * kFocusColumn + 1 && sink.SetBigCovers) {
            b5 = cover;
            if (screenMode == 1)
                sink.SetBigCovers(0, a5, blank);
            else if (screenMode == 2)
                sink.SetBigCovers(1, blank, b5);
            else
                sink.SetBigCovers(-1, blank, blank);
        }
    }
}

QString CoverComposer::StarsImageName(int stars, bool black)
{
    if (stars < 0 || stars > 10)
        return {};
    return QStringLiteral("PngStars%1_%2").arg(stars).arg(black ? u"Black" : u"White");
}

QString CoverComposer::RatingImageName(const QString &rating, bool black)
{
    static const QStringList known = {QStringLiteral("G"), QStringLiteral("PG"), QStringLiteral("PG13"),
                                      QStringLiteral("R"), QStringLiteral("NC17")};
    const QString code = known.contains(rating, Qt::CaseSensitive) ? rating : QStringLiteral("Unrated");
    return QStringLiteral("PngRated%1_%2").arg(code, black ? u"Black" : u"White");
}

std::optional<QImage> CoverComposer::GetStarsImage(int stars, bool black) const
{
    const QString name = StarsImageName(stars, black);
    if (name.isEmpty())
        return std::nullopt;
    return m_resources.image(name);
}

QImage CoverComposer::GetRatingImage(const QString &rating, bool black) const
{
    return m_resources.image(RatingImageName(rating, black));
}
