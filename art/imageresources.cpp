#include "art/imageresources.h"

#include "art/embeddedimages.h"

#include <QImageReader>

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

QStringList ImageResources::PreLoad()
{
    QStringList failed;
    for (const tEmbeddedImage &e : EmbeddedImages()) {
        if (e.OnDemand)
            continue;
        const QImage img = decode(e);
        if (img.isNull())
            failed << QString::fromUtf16(e.Name);
        else
            m_images.insert(QString::fromUtf16(e.Name).toLower(), img);
    }
    return failed;
}

QImage ImageResources::image(const QString &name) const
{
    const auto it = m_images.constFind(name.toLower());
    if (it != m_images.cend())
        return *it;
    const tEmbeddedImage *e = find(name);
    return e ? decode(*e) : QImage();
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
