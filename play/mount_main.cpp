// cinevue-mount: the virtual drive's mount tool. It takes the command lines
// Cinevue builds for Virtual CloneDrive's mount program:
//
//   cinevue-mount l=D IMAGE     attach the disc image IMAGE to drive D
//   cinevue-mount "/l=D /u"     empty drive D (also as two arguments)
//
// Drive letters are the same in either case. The drive state and
// LastMountedFile are kept in the registry store of the program folder
// (CINEVUE_HOME, else the folder beside the executable, as Cinevue resolves
// it). Exit 0 on success; 1 with a message on standard error otherwise.

#include "platform/paths.h"
#include "platform/registrystore.h"
#include "platform/virtualdrive.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

const char kUsage[] = "usage: cinevue-mount l=D IMAGE | cinevue-mount \"/l=D /u\"";

int fail(const QString &message)
{
    std::fprintf(stderr, "cinevue-mount: %s\n", qPrintable(message));
    return 1;
}

// The drive of "l=D" (or "/l=D"): the first character after "=", as the
// drive test reads the first character of the drive-letter setting.
QChar driveOf(const QString &argument, const QString &prefix)
{
    if (!argument.startsWith(prefix, Qt::CaseInsensitive) || argument.size() <= prefix.size())
        return QChar();
    return NormalizedDriveLetter(argument.at(prefix.size()));
}

QString storeProblem()
{
    return u"cannot record the drive state in %1Registry.ini"_qs.arg(ResolveAppPath());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    // "/l=D /u" arrives as one argument when it was quoted.
    if (args.size() == 1 && args.first().contains(u' '))
        args = args.first().split(u' ', Qt::SkipEmptyParts);

    IRegistryStore &store = *RegistryStore();
    if (args.size() == 2 && args.at(1).compare(u"/u"_qs, Qt::CaseInsensitive) == 0) {
        const QChar drive = driveOf(args.at(0), u"/l="_qs);
        if (drive.isNull())
            return fail(QString::fromLatin1(kUsage));
        if (!DetachImage(store, drive))
            return fail(storeProblem());
        return 0;
    }
    if (args.size() != 2)
        return fail(QString::fromLatin1(kUsage));
    const QChar drive = driveOf(args.at(0), u"l="_qs);
    if (drive.isNull())
        return fail(QString::fromLatin1(kUsage));

    const QString image = args.at(1);
    const QFileInfo info(image);
    QString problem;
    if (!info.exists())
        problem = u"no such file"_qs;
    else if (!info.isFile())
        problem = u"not a regular file"_qs;
    else if (!info.isReadable())
        problem = u"not readable"_qs;
    if (!problem.isEmpty()) {
        // A failed mount leaves the drive empty, so nothing plays the old image.
        DetachImage(store, drive);
        return fail(u"cannot mount \"%1\" on drive %2: %3"_qs.arg(image, QString(drive), problem));
    }
    if (!AttachImage(store, drive, image))
        return fail(storeProblem());
    return 0;
}
