#pragma once
// Cover profiles: the frame layout and frame images that every composed cover
// uses. Profiles are My Movies profile files (an XML file and an image folder
// of the same name); the built-in profile "Default" needs neither.

#include "model/titles.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class ImageResources;

struct tCover {
    bool ContainProportions = false; // read, not used: the art is always stretched
    qint32 PositionY = 0;
    qint32 PositionX = 0;
    qint32 MaxHeight = 0;
    qint32 MaxWidth = 0;
    tDiscTypes DiscType = dtDVD; // not filled; the index in Covers is the disc type
    QString Over;
    QString Under;
    bool Loaded = false;
    bool operator==(const tCover &) const = default;
};

struct tCoverProfile {
    qint32 TextMarginBottom = 0;
    qint32 TextMarginRight = 0;
    qint32 TextMarginTop = 0;
    qint32 TextMarginLeft = 0;
    QString MissingImage;
    qint32 Height = 0;
    qint32 Width = 0;
    QString Name;
    std::array<tCover, 4> Covers; // indexed by tDiscTypes
    bool operator==(const tCoverProfile &) const = default;
};

// The frame images of the loaded profile, one per role.
struct tCoverImageSet {
    QImage BluRayOver;
    QImage BluRayUnder;
    QImage DVDOver;
    QImage DVDUnder;
    QImage HDDVDOver;
    QImage HDDVDUnder;
    QImage Missing;
    QImage InDrive;    // in drive, other disc type
    QImage InDriveBD;
    QImage InDriveDVD;
    QImage InDriveHD;  // in drive, HD DVD and 4K
    QImage New;
};

struct tCoverProfileList {
    QStringList Names; // "Default" first, then the profiles found
    QString Error;     // set when no profile file was found at all
};

// Where profiles and My Movies' frame images are looked up; earlier folders win.
struct tCoverFolders {
    QStringList Profiles;
    QStringList Images;
    // $XDG_DATA_HOME/Cinevue/..., then <each system data dir>/cinevue/...,
    // then AppPath/...: "CoverProfiles" for profiles, "Images" for frame images.
    static tCoverFolders Standard(const QString &appPath);
};

class CoverProfiles
{
public:
    CoverProfiles();

    // The profile name list for the settings screen (GetCoverProfiles).
    static tCoverProfileList GetCoverProfiles(const QStringList &profileFolders);

    // Loads the named profile and its image set (the profile part of
    // PreLoadCoverArt). Never leaves a broken frame: a profile that is not
    // found or cannot be read gives the built-in profile, a missing frame image
    // the built-in image of that role. Returns the problems met, one line each.
    QStringList Load(const QString &name, const tCoverFolders &folders, const ImageResources &resources);

    const tCoverProfile &profile() const { return m_profile; }
    const tCoverImageSet &images() const { return m_images; }
    // Changes with every Load, so caches of composed covers can tell profiles apart.
    quint64 generation() const { return m_generation; }

    // The Covers entry a title of this disc type uses: its own when loaded, else
    // HD DVD, else Blu-ray, else DVD.
    static int LayoutType(const tCoverProfile &profile, tDiscTypes discType);

    static tCoverProfile BuiltInProfile();
    // Parses a profile file; std::nullopt with *error set when it is not usable.
    static std::optional<tCoverProfile> ParseProfile(const QByteArray &xml, QString *error);

private:
    void loadBuiltInImages(const tCoverFolders &folders, const ImageResources &resources);

    tCoverProfile m_profile;
    tCoverImageSet m_images;
    quint64 m_generation = 0;
};
