#include "tools/mmtreegen.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// Root element name and ID text of a title XML; empty root when the file is
// not well-formed.
std::pair<QString, QString> rootAndId(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QString root, id;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (root.isEmpty())
            root = xml.name().toString();
        else if (xml.name() == u"ID" && id.isEmpty())
            id = xml.readElementText();
    }
    if (xml.hasError())
        return {};
    return {root, id};
}

} // namespace

class TestMMTreeGen : public QObject
{
    Q_OBJECT
private slots:
    void smallTreeHasEveryKind()
    {
        QTemporaryDir root;
        MMTreeOptions options;
        options.root = root.path();
        options.titles = 24;
        options.seed = 7;
        const MMTreeResult result = GenerateMyMoviesTree(options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.titles.size(), 24);

        QSet<MMTitleKind> kinds;
        QSet<QString> parents;
        for (const MMTitleDir &dir : result.titles) {
            kinds.insert(dir.kind);
            if (dir.kind == MMTitleKind::BoxSetParent)
                parents.insert(dir.id);
        }
        for (MMTitleKind kind : {MMTitleKind::DVDFolder, MMTitleKind::BlurayFolder, MMTitleKind::ISOFile,
                                 MMTitleKind::MP4File, MMTitleKind::MKVFile, MMTitleKind::MultiDiscFolders,
                                 MMTitleKind::MultiDiscFiles, MMTitleKind::TVSeason, MMTitleKind::BoxSetParent,
                                 MMTitleKind::BoxSetChild, MMTitleKind::Encrypted, MMTitleKind::EncryptedPerFile,
                                 MMTitleKind::Corrupt, MMTitleKind::MediaOnly})
            QVERIFY2(kinds.contains(kind), qPrintable(MMTitleKindName(kind)));

        for (const MMTitleDir &dir : result.titles) {
            const QByteArray what = (MMTitleKindName(dir.kind) + u": "_qs + dir.directory).toUtf8();
            QVERIFY2(QFileInfo(dir.directory).isDir(), what.constData());
            for (const QString &media : dir.media)
                QVERIFY2(QFileInfo::exists(media), qPrintable(media));
            QCOMPARE(dir.media.isEmpty(), dir.kind == MMTitleKind::BoxSetParent);
            if (dir.kind == MMTitleKind::MediaOnly) {
                QVERIFY(dir.xmlFiles.isEmpty());
                QCOMPARE(dir.id, QFileInfo(dir.directory).fileName()); // the placeholder's ID
            }
            if (dir.kind == MMTitleKind::BoxSetChild && !dir.parentId.isEmpty())
                QVERIFY2(parents.contains(dir.parentId), what.constData());
            for (const QString &xmlFile : dir.xmlFiles) {
                const auto [rootName, id] = rootAndId(xmlFile);
                if (dir.kind == MMTitleKind::Encrypted
                    || (dir.kind == MMTitleKind::EncryptedPerFile && !xmlFile.endsWith(u"/mymovies.xml"))) {
                    QCOMPARE(rootName, u"EncryptedData"_qs);
                } else if (dir.kind != MMTitleKind::Corrupt) {
                    QCOMPARE(rootName, u"Title"_qs);
                    QCOMPARE(id, dir.id); // the discs of a multi-disc title share one ID
                }
            }
        }

        QCOMPARE(result.extrasDirs.size(), 1);
        const QStringList extras = QDir(result.extrasDirs.first()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY(!extras.isEmpty());
        for (const QString &name : extras)
            QVERIFY2(name.endsWith(u".jpg"), qPrintable(name));
    }

    void sameSeedSameTree()
    {
        const auto relativeFiles = [](quint32 seed) {
            QTemporaryDir root;
            MMTreeOptions options;
            options.root = root.path();
            options.titles = 30;
            options.seed = seed;
            const MMTreeResult result = GenerateMyMoviesTree(options);
            QStringList files;
            QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next().mid(root.path().size()) + u' ' + QString::number(it.fileInfo().size());
            for (const MMTitleDir &dir : result.titles)
                files << dir.id;
            files.sort();
            return files;
        };
        const QStringList first = relativeFiles(5);
        QCOMPARE(relativeFiles(5), first);
        QVERIFY(relativeFiles(6) != first);
    }

    void imagesAreDrawnAtTheirSizes()
    {
        QTemporaryDir root;
        MMTreeOptions options;
        options.root = root.path();
        options.titles = 3;
        options.images = true;
        options.imageWidth = 120;
        options.imageHeight = 180;
        options.fanArtWidth = 320;
        options.fanArtHeight = 180;
        const MMTreeResult result = GenerateMyMoviesTree(options);
        QVERIFY(result.ok);
        int posters = 0, fanArt = 0;
        for (const MMTitleDir &dir : result.titles) {
            for (const QString &path : dir.images) {
                const QImage image(path);
                QVERIFY2(!image.isNull(), qPrintable(path));
                if (path.endsWith(u"fanart.jpg")) {
                    QCOMPARE(image.size(), QSize(320, 180));
                    ++fanArt;
                } else {
                    QCOMPARE(image.size(), QSize(120, 180));
                    ++posters;
                }
            }
        }
        QVERIFY(posters > 0);
        QVERIFY(fanArt > 0);
    }

    void unwritableRootIsReported()
    {
        QTemporaryDir root;
        QFile blocker(root.filePath(u"file"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        MMTreeOptions options;
        options.root = root.filePath(u"file/below"_qs);
        options.titles = 2;
        const MMTreeResult result = GenerateMyMoviesTree(options);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.titles.isEmpty());
    }
};

QTEST_MAIN(TestMMTreeGen)
#include "tst_mmtreegen.moc"
