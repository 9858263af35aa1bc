#include "art/imageresources.h"

#include "art/embeddedimages.h"

#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

// Outside any namespace, as Q_INIT_RESOURCE requires. Referencing the
// resource's initialiser also keeps it in a static link.
static void initImageResources()
{
    Q_INIT_RESOURCE(cinevue_images);
}

namespace {

const tEmbeddedImage *find(const QString &name)
{
    for (const tEmbeddedImage &e : EmbeddedImages()) {
        if (name.compare(QStringView(e.Name), Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

QImage decode(const tEmbeddedImage &e)
{
    QImageReader reader(QStringLiteral(":/images/%1.png").arg(QStringView(e.Name)));
    QImage img = reader.read();
    if (!img.isNull() && img.format() != QImage::Format_ARGB32_Premultiplied)
        img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return img;
}

} // namespace

ImageResources::ImageResources()
{
    initImageResources();
}

ImageResources::~ImageResources()
{
    m_preload.waitForFinished();
}

QStringList ImageResources::PreLoad()
{
    QStringList failed;
    for (const tEmbeddedImage &e : EmbeddedImages()) {
        if (e.OnDemand)
            continue;
        const QString key = QString::fromUtf16(e.Name).toLower();
        {
            QMutexLocker lock(&m_mutex);
            if (m_images.contains(key))
                continue;
        }
        // Decoded without the lock: other threads keep their lookups meanwhile.
        const QImage img = decode(e);
        if (img.isNull()) {
            failed << QString::fromUtf16(e.Name);
            continue;
        }
        QMutexLocker lock(&m_mutex);
        m_images.insert(key, img);
    }
    return failed;
}

void ImageResources::PreLoadInBackground(std::function<void(const QStringList &)> done)
{
    m_preload.waitForFinished();
    m_worker.setMaxThreadCount(1);
    m_preload = QtConcurrent::run(&m_worker, [this, done = std::move(done)] {
        const QStringList broken = PreLoad();
        if (done)
            done(broken);
    });
}

QImage ImageResources::image(const QString &name) const
{
    const QString key = name.toLower();
    {
        QMutexLocker lock(&m_mutex);
        const auto it = m_images.constFind(key);
        if (it != m_images.cend())
            return *it;
    }
    const tEmbeddedImage *e = find(name);
    if (!e)
        return QImage();
    const QImage img = decode(*e);
    if (!e->OnDemand && !img.isNull()) {
        QMutexLocker lock(&m_mutex);
        m_images.insert(key, img);
    }
    return img;
}

bool ImageResources::contains(const QString &name) const
{
    return find(name) != nullptr;
}

QString ImageResources::BackdropName(bool showHelp, bool hasFolders, bool hasTitles)
{
    if (!showHelp)
        return QStringLiteral("PngMainBackground");
    if (!hasFolders)
        return QStringLiteral("PngHelpBackground1");
    return hasTitles ? QStringLiteral("PngHelpBackground3") : QStringLiteral("PngHelpBackground2");
}

QString ImageResources::ResourcePath(const QString &name)
{
    const tEmbeddedImage *e = find(name);
    return e ? QStringLiteral(":/images/%1.png").arg(QStringView(e->Name)) : QString();
}
