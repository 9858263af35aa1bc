#pragma once
// What kind of disc an image (or an optical drive's device) holds, read from
// its file system headers: the ISO 9660 root folder names VIDEO_TS or BDMV,
// else the UDF revision (UDF 2.x is what Blu-ray discs use, 1.02 DVDs).
// Only the first sectors and the root folder are read, so it is cheap; a file
// that is no disc image gives tDiscKind::Unknown, never an error.

#include <QString>

enum class tDiscKind { Unknown, DVD, Bluray };

struct tDiscImageInfo {
    tDiscKind Kind = tDiscKind::Unknown;
    QString VolumeLabel; // the ISO 9660 volume name, trailing blanks removed; empty when none
    bool operator==(const tDiscImageInfo &) const = default;
};

tDiscImageInfo InspectDiscImage(const QString &path);

// The kind of a disc folder: a folder named VIDEO_TS or BDMV, or one holding
// such a folder (letter case ignored). `device` receives the folder that the
// player takes as the disc (the one holding BDMV for a Blu-ray, the folder
// given for a DVD). Blu-ray wins when a folder holds both.
tDiscKind InspectDiscFolder(const QString &folder, QString *device = nullptr);
