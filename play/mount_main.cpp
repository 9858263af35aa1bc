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

int fail(const QString &message)
{
    std::fprintf(stderr, "cinevue-mount: %s\n", qPrintable(message));
    return 1;
}

QString storeProblem()
{
    return u"cannot record the drive state in %1Registry.ini"_qs.arg(ResolveAppPath());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const tMountRequestResult parsed = ParseMountRequest(app.arguments().mid(1));
    if (!parsed.Request)
        return fail(parsed.Error);
    const tMountRequest &request = *parsed.Request;
    const QChar drive = request.Drive;

    IRegistryStore &store = *RegistryStore();
    if (request.RequestAction == tMountRequest::Action::Detach) {
        if (!DetachImage(store, drive))
            return fail(storeProblem());
        return 0;
    }

    const QString &image = request.Image;
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
