#pragma once
// The virtual optical drive on Linux: which disc image is attached to which
// drive letter. cinevue-mount changes it, the drive test (DriveReady) and
// cinevue-play read it. It lives in the registry store of the program folder
// under Virtual CloneDrive's key, beside the LastMountedFile value that the
// rest of the program reads:
//
//   [HKCU\Software\Elaborate Bytes\VirtualCloneDrive\0]
//   LastMountedFile=text:/movies/Alien/Alien.iso
//   Drive_V=text:/movies/Alien/Alien.iso      (the image in drive V)
//   Drive_W=text:                             (drive W, empty)
//
// A letter with a Drive_ value is a virtual drive, empty or not; a letter that
// was never used is not one.

#include "platform/registrystore.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

inline constexpr char16_t kVirtualCloneDriveKey[] = u"Software\\Elaborate Bytes\\VirtualCloneDrive\\0";
inline constexpr char16_t kLastMountedFileValue[] = u"LastMountedFile";

// The letter the virtual drive gets before anything was mounted on it.
inline constexpr QChar kDefaultVirtualDriveLetter = u'V';

// `letter` as an upper-case drive letter, or a null QChar when it is not A-Z
// in either case.
QChar NormalizedDriveLetter(QChar letter);

// Whether `letter` names a virtual drive (one that was ever mounted on).
bool IsVirtualDrive(const IRegistryStore &store, QChar letter);
// The virtual drives' letters, A to Z.
QList<QChar> VirtualDriveLetters(const IRegistryStore &store);
// The same, or the default letter alone before the first mount: the letters
// the drive list shows for the virtual drive.
QList<QChar> VirtualDriveLettersOrDefault(const IRegistryStore &store);
// The image attached to the virtual drive `letter`; empty when none.
QString AttachedImage(const IRegistryStore &store, QChar letter);
// Whether the virtual drive holds a readable medium: an image is attached and
// is still a regular file.
bool VirtualDriveReady(const IRegistryStore &store, QChar letter);

// Attaches `image` (recorded as given) to `letter` and records it as
// LastMountedFile. False when the store cannot be written.
bool AttachImage(IRegistryStore &store, QChar letter, const QString &image);
// Empties the drive (it stays a virtual drive). LastMountedFile is kept, as
// Virtual CloneDrive keeps it.
bool DetachImage(IRegistryStore &store, QChar letter);

// What a cinevue-mount command line asks for. It takes the command lines
// Cinevue builds for Virtual CloneDrive's mount program:
//   l=D IMAGE      attach the disc image IMAGE to drive D
//   "/l=D /u"      empty drive D (also as two arguments)
// Drive letters are the same in either case; the drive is the first
// character after "=".
struct tMountRequest {
    enum class Action { Attach, Detach };
    Action RequestAction = Action::Attach;
    QChar Drive;   // upper case A-Z
    QString Image; // Attach: the image as given, not yet checked
    bool operator==(const tMountRequest &) const = default;
};

inline constexpr char kMountUsage[] = "usage: cinevue-mount l=D IMAGE | cinevue-mount \"/l=D /u\"";

struct tMountRequestResult {
    std::optional<tMountRequest> Request;
    QString Error; // kMountUsage when the arguments are neither form
};
// `arguments` without the program name.
tMountRequestResult ParseMountRequest(const QStringList &arguments);
