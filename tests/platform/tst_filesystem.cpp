#include "platform/filesystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
void writeFile(const QString &path, const QByteArray &data = QByteArrayLiteral("x"))
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(data);
}

// Sets the last-write time, seconds since 1970 UTC.
void setMTime(const QString &path, qint64 seconds, long nanoseconds = 0)
{
    const struct timespec times[2] = {{time_t(seconds), nanoseconds}, {time_t(seconds), nanoseconds}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}
} // namespace

class TestFileSystem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Local time is UTC for the packing tests.
        qputenv("TZ", "UTC");
        tzset();
    }

    void packDosDateTime_data()
    {
        QTest::addColumn<QList<int>>("parts"); // year, month, day, hour, minute, second
        QTest::addColumn<qint32>("packed");
        QTest::newRow("first representable instant") << QList<int>{1980, 1, 1, 0, 0, 0} << qint32(0x00210000);
        QTest::newRow("odd seconds round down") << QList<int>{1980, 1, 1, 0, 0, 59} << qint32(0x0021001D);
        QTest::newRow("a 2017 evening") << QList<int>{2017, 6, 15, 20, 30, 44} << qint32(0x4ACFA3D6);
        QTest::newRow("last representable instant") << QList<int>{2107, 12, 31, 23, 59, 58} << qint32(0xFF9FBF7D);
        QTest::newRow("before 1980") << QList<int>{1979, 12, 31, 23, 59, 59} << qint32(-1);
        QTest::newRow("after 2107") << QList<int>{2108, 1, 1, 0, 0, 0} << qint32(-1);
        QTest::newRow("month 13") << QList<int>{2000, 13, 1, 0, 0, 0} << qint32(-1);
    }
    void packDosDateTime()
    {
        QFETCH(QList<int>, parts);
        QFETCH(qint32, packed);
        QCOMPARE(PackDosDateTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]), packed);
    }

    void dosTimeUsesLocalTime()
    {
        // 2017-06-15 20:30:44 UTC.
        const qint64 t = QDateTime(QDate(2017, 6, 15), QTime(20, 30, 44), Qt::UTC).toSecsSinceEpoch();
        QCOMPARE(DosTimeFromUnixTime(t), qint32(0x4ACFA3D6));
        qputenv("TZ", "CET-1");
        tzset();
        const qint32 shifted = DosTimeFromUnixTime(t);
        qputenv("TZ", "UTC");
        tzset();
        QCOMPARE(shifted, PackDosDateTime(2017, 6, 15, 21, 30, 44));
    }

    void fileDosTime()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"mymovies.xml"_qs);
        writeFile(file);
        setMTime(file, QDateTime(QDate(2020, 2, 29), QTime(12, 0, 2), Qt::UTC).toSecsSinceEpoch());
        QCOMPARE(FileDosTime(file), PackDosDateTime(2020, 2, 29, 12, 0, 2));
        QCOMPARE(FileDosTime(dir.filePath(u"absent.xml"_qs)), kDosTimeAbsent);
        QCOMPARE(FileDosTime(dir.filePath(u"mymovies.xml/below"_qs)), kDosTimeAbsent);
        // A time the packed form cannot hold is not a valid time.
        setMTime(file, 0);
        QCOMPARE(FileDosTime(file), kDosTimeUnreadable);
    }

    void unreadableFileTime()
    {
        if (geteuid() == 0)
            QSKIP("permissions do not stop root");
        QTemporaryDir dir;
        const QString locked = dir.filePath(u"locked"_qs);
        QVERIFY(QDir().mkdir(locked));
        writeFile(locked + u"/CVB_Watched.txt"_qs);
        QCOMPARE(::chmod(QFile::encodeName(locked).constData(), 0), 0);
        const qint32 time = FileDosTime(locked + u"/CVB_Watched.txt"_qs);
        ::chmod(QFile::encodeName(locked).constData(), 0700);
        QCOMPARE(time, kDosTimeUnreadable);
    }

    void attributeData()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"folder.jpg"_qs);
        writeFile(file, QByteArray(1234, 'a'));
        setMTime(file, 1500000000, 1234567);
        const auto data = FileAttributeData(file);
        QVERIFY(data);
        QCOMPARE(data->Size, qint64(1234));
        // 100 ns units since 1601: the sub-second part survives to 100 ns.
        QCOMPARE(data->LastWriteTime, qint64(116444736000000000LL + 1500000000LL * 10000000LL + 12345));
        QCOMPARE(FileLastWriteTime(file), data->LastWriteTime);
        QVERIFY(!(data->Attributes & kFileAttributeDirectory));
        QVERIFY(FileAttributeData(dir.path())->Attributes & kFileAttributeDirectory);
        QVERIFY(!FileAttributeData(dir.filePath(u"missing"_qs)));
        QCOMPARE(FileLastWriteTime(dir.filePath(u"missing"_qs)), qint64(0));
    }

    void copyKeepsTime()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(u"fanart.jpg"_qs);
        const QString target = dir.filePath(u"copy.jpg"_qs);
        writeFile(source, QByteArrayLiteral("new image"));
        setMTime(source, 1400000000, 500000000);
        writeFile(target, QByteArrayLiteral("an older, longer image"));

        QCOMPARE(CopyFileKeepingTime(source, target), QString());
        QFile copied(target);
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), QByteArrayLiteral("new image"));
        QCOMPARE(FileLastWriteTime(target), FileLastWriteTime(source));
    }

    void copyFailures()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"copy.jpg"_qs);
        QVERIFY(!CopyFileKeepingTime(dir.filePath(u"missing.jpg"_qs), target).isEmpty());
        QVERIFY(!QFile::exists(target));
        writeFile(dir.filePath(u"a.jpg"_qs));
        QVERIFY(!CopyFileKeepingTime(dir.filePath(u"a.jpg"_qs), dir.filePath(u"no/such/folder/a.jpg"_qs)).isEmpty());
    }

    void listing()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"Alien/VIDEO_TS"_qs));
        writeFile(dir.filePath(u"Alien/mymovies.xml"_qs));
        writeFile(dir.filePath(u".hidden"_qs));
        QVERIFY(QFile::link(dir.filePath(u"Alien"_qs), dir.filePath(u"AlienLink"_qs)));
        QVERIFY(QFile::link(dir.filePath(u"Alien/mymovies.xml"_qs), dir.filePath(u"xmlLink"_qs)));

        const DirectoryListing top = DirectoryListing::open(dir.path() + u'/');
        QVERIFY(top.isOpen());
        QCOMPARE(top.error(), 0);
        QMap<QString, std::pair<bool, bool>> seen; // name -> (directory, link)
        for (const tDirEntry &e : top.entries())
            seen.insert(e.Name, {e.IsDirectory, e.IsSymlink});
        QCOMPARE(seen.keys(), (QStringList{u".hidden"_qs, u"Alien"_qs, u"AlienLink"_qs, u"xmlLink"_qs}));
        QCOMPARE(seen[u"Alien"_qs], std::make_pair(true, false));
        QCOMPARE(seen[u"AlienLink"_qs], std::make_pair(true, true));
        QCOMPARE(seen[u"xmlLink"_qs], std::make_pair(false, true));
        QCOMPARE(seen[u".hidden"_qs], std::make_pair(false, false));

        const DirectoryListing alien = top.openSubdirectory(u"Alien"_qs);
        QVERIFY(alien.isOpen());
        QCOMPARE(alien.entries().size(), 2);
        setMTime(dir.filePath(u"Alien/mymovies.xml"_qs),
                 QDateTime(QDate(2001, 1, 2), QTime(3, 4, 6), Qt::UTC).toSecsSinceEpoch());
        QCOMPARE(alien.dosTime(u"mymovies.xml"_qs), PackDosDateTime(2001, 1, 2, 3, 4, 6));
        QCOMPARE(alien.dosTime(u"absent.txt"_qs), kDosTimeAbsent);
        QCOMPARE(top.openSubdirectory(u"AlienLink"_qs).identity(), alien.identity());

        const DirectoryListing missing = DirectoryListing::open(dir.filePath(u"nothing"_qs));
        QVERIFY(!missing.isOpen());
        QVERIFY(missing.error() != 0);
        QVERIFY(missing.entries().isEmpty());
        QVERIFY(!top.openSubdirectory(u"xmlLink"_qs).isOpen());
    }

    // A file read piece by piece: any offset, a short read where it ends.
    void regularFileReadsPieces()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"data.bin"_qs);
        writeFile(path, "0123456789");
        const RegularFile file = RegularFile::open(path, 10);
        QVERIFY2(file.ok(), qPrintable(file.error()));
        QCOMPARE(file.size(), 10);
        char piece[8] = {};
        QCOMPARE(file.readAt(3, piece, 4), 4);
        QCOMPARE(QByteArray(piece, 4), QByteArray("3456"));
        QCOMPARE(file.readAt(7, piece, 8), 3);
        QCOMPARE(QByteArray(piece, 3), QByteArray("789"));
        QCOMPARE(file.readAt(10, piece, 8), 0);
        // Moved: the open file goes with it.
        RegularFile moved = RegularFile::open(path, 10);
        RegularFile other = std::move(moved);
        QVERIFY(!moved.ok());
        QCOMPARE(other.readAt(0, piece, 2), 2);
    }

    // Refused as ReadRegularFile refuses, without ever blocking on a FIFO.
    void regularFileRefusals_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder") << u"folder"_qs << u"it is a folder"_qs;
        QTest::newRow("FIFO") << u"fifo"_qs << u"it is not a regular file"_qs;
        QTest::newRow("larger than the limit") << u"large"_qs << u"it is larger than 4 bytes"_qs;
        QTest::newRow("missing") << u"missing"_qs << QString::fromLocal8Bit(std::strerror(ENOENT));
    }
    void regularFileRefusals()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"name"_qs);
        if (kind == u"folder")
            QVERIFY(QDir().mkdir(path));
        else if (kind == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"large")
            writeFile(path, "12345");
        const RegularFile file = RegularFile::open(path, 4);
        QVERIFY(!file.ok());
        QCOMPARE(file.reason(), reason);
        QCOMPARE(file.error(), u"Cannot read \"%1\": %2"_qs.arg(path, reason));
        char byte = 0;
        QCOMPARE(file.readAt(0, &byte, 1), -1);
    }
};

QTEST_GUILESS_MAIN(TestFileSystem)
#include "tst_filesystem.moc"
