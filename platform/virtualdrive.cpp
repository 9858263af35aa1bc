#include "platform/virtualdrive.h"

#include <QFileInfo>

namespace {

QString driveValueName(QChar letter) { return u"Drive_"_qs + letter; }

const QString &driveKey()
{
    static const QString key = QString::fromUtf16(kVirtualCloneDriveKey);
    return key;
}

// The drive of "l=D" (or "/l=D"): the first character after "=", as the
// drive test reads the first character of the drive-letter setting.
QChar mountDriveOf(const QString &argument, const QString &prefix)
{
    if (!argument.startsWith(prefix, Qt::CaseInsensitive) || argument.size() <= prefix.size())
        return QChar();
    return NormalizedDriveLetter(argument.at(prefix.size()));
}

} // namespace

QChar NormalizedDriveLetter(QChar letter)
{
    const QChar upper = letter.toUpper();
    return upper >= u'A' && upper <= u'Z' ? upper : QChar();
}

bool IsVirtualDrive(const IRegistryStore &store, QChar letter)
{
    const QChar drive = NormalizedDriveLetter(letter);
    return !drive.isNull() && store.readValue(RegistryHive::CurrentUser, driveKey(), driveValueName(drive)).has_value();
}

QList<QChar> VirtualDriveLetters(const IRegistryStore &store)
{
    QList<QChar> letters;
    for (char16_t c = u'A'; c <= u'Z'; ++c) {
        if (IsVirtualDrive(store, QChar(c)))
            letters.append(QChar(c));
    }
    return letters;
}

QList<QChar> VirtualDriveLettersOrDefault(const IRegistryStore &store)
{
    QList<QChar> letters = VirtualDriveLetters(store);
    if (letters.isEmpty())
        letters.append(kDefaultVirtualDriveLetter);
    return letters;
}

QString AttachedImage(const IRegistryStore &store, QChar letter)
{
    const QChar drive = NormalizedDriveLetter(letter);
    if (drive.isNull())
        return QString();
    const auto value = store.readValue(RegistryHive::CurrentUser, driveKey(), driveValueName(drive));
    return value && value->type == RegistryValue::Text ? value->text : QString();
}

bool VirtualDriveReady(const IRegistryStore &store, QChar letter)
{
    const QString image = AttachedImage(store, letter);
    return !image.isEmpty() && QFileInfo(image).isFile();
}

bool AttachImage(IRegistryStore &store, QChar letter, const QString &image)
{
    const QChar drive = NormalizedDriveLetter(letter);
    if (drive.isNull())
        return false;
    return store.writeText(RegistryHive::CurrentUser, driveKey(), driveValueName(drive), image)
           && store.writeText(RegistryHive::CurrentUser, driveKey(), QString::fromUtf16(kLastMountedFileValue), image);
}

bool DetachImage(IRegistryStore &store, QChar letter)
{
    const QChar drive = NormalizedDriveLetter(letter);
    return !drive.isNull() && store.writeText(RegistryHive::CurrentUser, driveKey(), driveValueName(drive), QString());
}

tMountRequestResult ParseMountRequest(const QStringList &arguments)
{
    const tMountRequestResult usage{std::nullopt, QString::fromLatin1(kMountUsage)};
    QStringList args = arguments;
    // "/l=D /u" arrives as one argument when it was quoted.
    if (args.size() == 1 && args.first().contains(u' '))
        args = args.first().split(u' ', Qt::SkipEmptyParts);

    tMountRequest request;
    if (args.size() == 2 && args.at(1).compare(u"/u"_qs, Qt::CaseInsensitive) == 0) {
        request.RequestAction = tMountRequest::Action::Detach;
        request.Drive = mountDriveOf(args.at(0), u"/l="_qs);
    } else {
        if (args.size() != 2)
            return usage;
        request.Drive = mountDriveOf(args.at(0), u"l="_qs);
        request.Image = args.at(1);
    }
    if (request.Drive.isNull())
        return usage;
    return {request, QString()};
}
