#pragma once
// Optical drives by drive letter, on Linux.
//
// Letters: the real drives (/dev/sr0, /dev/sr1, ... in number order) get the
// letters from D on; the virtual drive (platform/virtualdrive.h) keeps the
// letter it was mounted with, "V" before its first mount. Real drives skip the
// virtual drive's letters, so a letter always names one drive.

#include "platform/registrystore.h"

#include <QChar>
#include <QList>
#include <QString>

struct tOpticalDrive {
    QChar DriveLetter;
    QString Name;    // the volume label or the drive's model, then " (D:)"
    QString Device;  // "/dev/sr0" for a real drive; empty for the virtual drive
    bool Virtual = false;
    bool operator==(const tOpticalDrive &) const = default;
};

// Where the real drives are looked up (replaceable for tests).
struct tOpticalDriveSources {
    QString sysBlock = QStringLiteral("/sys/block");      // srN/device/model
    QString devDir = QStringLiteral("/dev");              // srN
    QString byLabel = QStringLiteral("/dev/disk/by-label"); // volume labels of inserted media
};

// The optical drives in letter order: the real ones and the virtual drive(s).
QList<tOpticalDrive> GetOpticalDrives(const IRegistryStore &store, const tOpticalDriveSources &sources = {});
QList<tOpticalDrive> GetOpticalDrives(); // with RegistryStore()

// Whether the drive `letter` (either case) holds a medium: for the virtual
// drive an attached image that is still a file, for a real drive a disc
// reported ready by the drive (CDROM_DRIVE_STATUS is CDS_DISC_OK). An
// unknown letter is not ready. Never blocks on an empty drive.
bool DriveReady(const IRegistryStore &store, QChar letter, const tOpticalDriveSources &sources = {});
bool DriveReady(QChar letter); // with RegistryStore()

// The device of the real drive `letter`, or empty when the letter names no
// real drive.
QString OpticalDriveDevice(const IRegistryStore &store, QChar letter, const tOpticalDriveSources &sources = {});
