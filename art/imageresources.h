#pragma once
// The images embedded in the program (see embeddedimages.h), decoded once and
// kept for the whole run. Lookups copy an implicitly shared QImage, so the
// stored images are never changed and may be read from worker threads.

#include <QHash>
#include <QImage>
#include <QString>

class ImageResources
{
public:
    ImageResources();

    // Decodes every embedded image except the on-demand ones (PreLoadCoverArt's
    // embedded-image steps). Returns the names that could not be decoded.
    QStringList PreLoad();

    // The image of that name (letter case ignored); an on-demand or not yet
    // loaded image is decoded from the resources. Null for an unknown name.
    QImage image(const QString &name) const;
    bool contains(const QString &name) const;

    // PngTransparent: the blank image of empty carousel slots.
    QImage blank() const { return image(QStringLiteral("PngTransparent")); }

    // The backdrop of ImageBackground: a help image when help is on, chosen by
    // whether folders are monitored and whether the collection has titles.
    static QString BackdropName(bool showHelp, bool hasFolders, bool hasTitles);

    // ":/images/<Name>.png" with the catalogue's spelling of the name; empty for
    // an unknown name.
    static QString ResourcePath(const QString &name);

private:
    QHash<QString, QImage> m_images; // keyed by the lower-case name
};
