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

// Makes a folder read-only for as long as it lives. Permission bits do not
// stop the superuser, so there the folder is made immutable instead (Linux).
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &dir)
        : m_dir(dir)
    {
        QFile::setPermissions(m_dir, QFile::ReadOwner | QFile::ExeOwner);
#ifdef Q_OS_LINUX
        if (writable())
            m_immutable = setImmutable(true);
#endif
    }
    ~ReadOnlyFolder()
    {
#ifdef Q_OS_LINUX
        if (m_immutable)
            setImmutable(false);
#endif
        QFile::setPermissions(m_dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool writable() const
    {
        QFile probe(m_dir + u"/probe"_qs);
        if (!probe.open(QIODevice::WriteOnly))
            return false;
        probe.remove();
        return true;
    }

private:
#ifdef Q_OS_LINUX
    bool setImmutable(bool on) { return SetImmutable(m_dir, on); }
    bool m_immutable = false;
#endif
    QString m_dir;
};
