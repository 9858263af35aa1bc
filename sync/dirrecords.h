#pragma once
// The directory picture built by the folder scan and stored as the snapshot.

#include "model/titles.h"

#include <QList>
#include <QString>

struct tDirDiscInfo {
    QString XML;
    qint32 FileDate = 0;
    QString Loc;
    tContainers Container = ctFolder;
    bool Found = false;
    bool operator==(const tDirDiscInfo &) const = default;
};

struct tDirectoryRec {
    QString Directory;
    QString mmXMLFile;
    qint32 FileDate = 0;
    qint32 CVBWatchedFileDate = 0;
    qint32 CVBNotWatchedFileDate = 0;
    qint32 CVBWatchListFileDate = 0;
    QList<tDirDiscInfo> DiscInfo;
    bool GroupDir = false;
    bool operator==(const tDirectoryRec &) const = default;
};

using tDirectories = QList<tDirectoryRec>;
