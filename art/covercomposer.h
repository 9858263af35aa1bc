#pragma once
// Composes the covers the program shows: a title's cover art inside the frame
// of the cover profile, with the status marks on front covers; fills the 22
// carousel slots; picks star strips and rating badges.
//
// Composed covers are kept in a byte-sized cache keyed by everything that
// changes the picture (title, flags, art file names, profile). The cache does
// not watch the art files: clear it after a sync run has updated them.
// Compose may run on worker threads (see CoverPredecoder); the profile is
// loaded once at start-up and must not be reloaded while covers are composed.

#include "art/coverprofiles.h"
#include "model/titles.h"

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class ImageResources;

// What LoadCoverArt tells the carousel. Slots are numbered in fill order:
// slot 2c is ImageCoverAc, slot 2c + 1 is ImageCoverBc.
struct tCarouselSink {
    std::function<void()> HideBigShadows;
    std::function<void(int slot, const QImage &cover)> SetSlot;
    // Called once, after slots A5 and B5 and before A6. focusRow 0: show
    // ImageCoverA5BigShadow; 1: show ImageCoverB5BigShadow; -1: neither.
    // bigA and bigB go to ImageCoverA5Big and ImageCoverB5Big.
    std::function<void(int focusRow, const QImage &bigA, const QImage &bigB)> SetBigCovers;
};

class CoverComposer
{
public:
    static constexpr int kSlotCount = 22;
    static constexpr int kFocusColumn = 5;

    // Both must outlive the composer; neither is changed by it.
    CoverComposer(const CoverProfiles &profiles, const ImageResources &resources,
                  qsizetype cacheBytes = 96 * 1024 * 1024);

    // The LocalArt setting and CachePath (with its trailing separator).
    void setLocalArt(bool localArt, const QString &cachePath);
    bool localArt() const { return m_localArt; }

    // CreateCover: the composed front (back false) or back cover of a title,
    // from the cache when it holds it.
    QImage CreateCover(const tTitle &title, bool back);
    // The composition itself, without the cache; safe on worker threads.
    QImage Compose(const tTitle &title, bool back) const;

    // The art file a cover is composed from, or empty when the art is missing.
    static QString ArtFile(const tTitle &title, bool back, bool localArt, const QString &cachePath);
    // Reads an art file decoded at the size it is drawn (a JPEG is scaled while
    // it is decoded); null when it cannot be read.
    static QImage DecodeArt(const QString &file, QSize drawSize);

    // Cache access, safe from any thread.
    QString cacheKey(const tTitle &title, bool back) const;
    std::optional<QImage> cachedCover(const QString &key) const;
    void storeCover(const QString &key, const QImage &cover);
    void clearCache();

    // LoadCoverArt: fills every carousel slot around view-list position
    // coverIndex. viewList holds collection indices; screenMode 1 and 2 put the
    // focus on row A and row B.
    void LoadCoverArt(int coverIndex, const QList<qint32> &viewList, const tTitles &titles, int screenMode,
                      const tCarouselSink &sink);
    // The view-list position each slot shows, -1 for a blank slot.
    static std::array<int, kSlotCount> CarouselPositions(int coverIndex, int viewCount);
    // "ImageCoverA0", "ImageCoverB0", "ImageCoverA1", ... for slots 0 to 21.
    static QString CarouselSlotName(int slot);

    // GetStarsImage: the star strip for 0 to 10 stars; std::nullopt (leave
    // the target unchanged) for any other number.
    std::optional<QImage> GetStarsImage(int stars, bool black) const;
    // GetRatingImage: the badge for a rating text (exact comparison; every
    // unknown text gets the unrated badge).
    QImage GetRatingImage(const QString &rating, bool black) const;
    static QString StarsImageName(int stars, bool black);
    static QString RatingImageName(const QString &rating, bool black);

    const CoverProfiles &profiles() const { return m_profiles; }

private:
    const CoverProfiles &m_profiles;
    const ImageResources &m_resources;
    bool m_localArt = false;
    QString m_cachePath;
    QImage m_watched;
    QImage m_watchListRibbon;
    mutable QMutex m_cacheMutex;
    QCache<QString, QImage> m_cache;
};
