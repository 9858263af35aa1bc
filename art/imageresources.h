#pragma once
// The images embedded in the program (see embeddedimages.h), decoded once and
// kept for the whole run. Lookups copy an implicitly shared QImage, so the
// stored images are never changed and may be read from worker threads.

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QThreadPool>
#include <QString>

#include <functional>

class ImageResources
{
public:
    ImageResources();
    // Waits for a PreLoadInBackground() that is still decoding.
    ~ImageResources();

    // Decodes every embedded image except the on-demand ones (PreLoadCoverArt's
    // embedded-image steps). Returns the names that could not be decoded.
    QStringList PreLoad();
    // PreLoad() on a worker thread, so that a start need not wait for images
    // that its first screen does not show; `done` gets PreLoad()'s answer
    // there. Images asked for meanwhile are decoded by whoever asks.
    void PreLoadInBackground(std::function<void(const QStringList &broken)> done = {});

    // The image of that name (letter case ignored); an on-demand image is
    // decoded from the resources each time, any other once. Null for an
    // unknown name.
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
    mutable QMutex m_mutex;                  // guards m_images
    mutable QHash<QString, QImage> m_images; // keyed by the lower-case name
    QFuture<void> m_preload;
    // Its own thread: the shared pool stays free for cover composition.
    QThreadPool m_worker;
};
