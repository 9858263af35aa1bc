#pragma once
// Tests that need a file or folder nobody may change, the superuser included
// (permission bits do not stop root): the Linux immutable attribute.

#include <QFile>
#include <QString>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

// Sets or clears the immutable attribute of `path`; false where the file
// system (or the platform) does not offer it.
inline bool SetImmutable(const QString &path, bool on)
{
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
#else
    Q_UNUSED(path);
    Q_UNUSED(on);
    return false;
#endif
}
