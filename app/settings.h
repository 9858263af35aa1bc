#pragma once
// The user's settings record. Stored in Cinevue.cfg by config.cpp.

#include <QList>
#include <QString>

enum tSort {
    SortTitleAsc, SortTitleDes, SortStarsAsc, SortStarsDes, SortRuntimeAsc, SortRuntimeDes,
    SortProdYearAsc, SortProdYearDes, SortReleasedAsc, SortReleasedDes, SortAddedAsc, SortAddedDes,
    SortColNumAsc, SortColNumDes
};
enum tPlayers { PDVD, W10MTV, TMT };
enum tPDVDLP { PowerDVD, PowerDVDCinema, PowerCinema };

struct tScannedFolders {
    QString Folder;
    bool Done = false;
    bool operator==(const tScannedFolders &) const = default;
};

struct tPDVD {
    QString Filepath;
    bool AutoPlay = true;
    tPDVDLP LaunchProgram = PowerDVDCinema;
    QString OtherOptions = QStringLiteral("/fullscreen_mode_on");
    bool ClosePlayer = false;
    bool operator==(const tPDVD &) const = default;
};

struct tSettings {
    QList<tScannedFolders> Folders;
    bool AutoScan = false;
    tSort DefaultSort = SortTitleAsc;
    bool DefaultShowWatched = true;
    qint32 ISOMountTimeout = 30;
    QString VCDFilePath;
    QString VCDDriveLetter;
    tPlayers Player4BluRays = tPlayers::PDVD; // qualified: the member PDVD hides the enumerator here
    tPlayers Player4DVDs = tPlayers::PDVD;
    tPlayers Player4EncMedia = W10MTV;
    tPDVD PDVD;
    bool LocalDB = true;
    bool LocalArt = false;
    QString CoverProfile = QStringLiteral("Default");
    qint32 MaxActors = 500;
    QString FanArtBackground;
    bool ShowClock = false;
    bool Debug = false;
    bool PerfMon = false;
    QString ButtonLaunch;
    QString ButtonClose;
    bool ShowHelp = true;
    qint32 DetailsDelay = 5;
    bool ScreenSaver = true;
    qint32 ScreenSaverDelay = 1;
    qint32 ScreenSaverInterval = 3;
    bool ScreenSaverTitle = true;
    bool Loaded = false;
    bool Changed = false;
    bool Saved = false;
    bool operator==(const tSettings &) const = default;
};

// Names as stored in files.
QString SortName(tSort v);
QString PlayerName(tPlayers v);
QString PDVDLPName(tPDVDLP v);
