#pragma once
// The shape of every screen of the window.
//
// A screen (icon bar, carousel, details pop-up, option menus, search, fan-art
// view, title grids, disc selection, settings, ...) is one ScreenComponent in
// its own file pair. It creates or looks up its elements once and keeps them
// as typed members, keeps its own cursor state, and registers the key tables
// of the screen modes it owns. It reaches the rest of the window only through
// ScreenHost: the shared browser state (view list, filter, focus, mode) and a
// short list of shared operations. Adding a screen means writing a component
// and registering it once in the window (TForm1::addScreen).

#include "app/settings.h"
#include "model/titles.h"
#include "ui/screenmode.h"
#include "ui/viewlist.h"

#include <QJsonObject>
#include <QList>
#include <QString>

class Collection;
class ImageElement;
class ImageResources;
class KeyDispatcher;
class QWidget;
class Scene;
class ScreenComponent;

// The state the screens share. The names are the ones the rest of the
// program (and the script driver's state) use.
struct BrowserState {
    tScreenMode ScreenMode = smIconBar;
    qint32 IconIndex = 0;
    ViewFilter Filter;      // CurrentSort, ShowWatched, ShowWatchListOnly, MediaTypeFilter, ...
    QList<qint32> ViewList; // collection indices in display order
    QList<LetterIndexEntry> LetterIndex;
    qint32 FocusIndex = -1;
    qint32 FocusTitle = -1;
    bool HasTitles = false;

    // Title views: the fan-art view and the title grids.
    qint32 FanArtTitle = -1;
    qint32 FanArtMenu = 0;
    qint32 FanArtLevel = 0;
    qint32 FanArtColumn = 0;
    tScreenMode FanArtReturnState = smRowA;
    qint32 GridIndex = -1;
};

// What a screen may ask of the window.
class ScreenHost
{
public:
    virtual ~ScreenHost() = default;

    virtual BrowserState &browser() = 0;
    // The collection; screens read it, and change it only through the
    // collection's own operations (marker toggles).
    virtual Collection &collection() = 0;
    virtual const tTitles &titles() const = 0;
    virtual tSettings &settings() = 0;
    // The copy of the settings taken when the settings screen opened; its
    // DISCARD puts it back.
    virtual tSettings &settingsBackup() = 0;
    // Writes the live settings to Cinevue.cfg and applies their timer
    // settings. False with the reason in `error`.
    virtual bool SaveConfig(QString *error) = 0;
    virtual Scene &scene() const = 0;
    virtual ImageResources &images() const = 0;
    virtual KeyDispatcher &dispatcher() = 0;
    // Parent of message boxes.
    virtual QWidget *window() = 0;
    virtual QString appPath() const = 0;
    virtual QString cachePath() const = 0;

    // Shared operations of the browser screen.
    virtual void SortItems() = 0;
    virtual void UpdateDetails() = 0;
    virtual void UpdateIcons() = 0;
    virtual void UpdateGlowEffect() = 0;
    virtual void LoadCoverArt(qint32 index) = 0;
    virtual void ShiftCoverArt(const QString &direction) = 0;
    // Loads a title's fan art (or the plain backdrop for -1 or a title
    // without usable fan art) into `target`.
    virtual void LoadFanArt(ImageElement *target, qint32 titleIndex) = 0;
    // The one play entry point (collection index).
    virtual void PlayClick(qint32 titleIndex) = 0;
    virtual void ShowProcessing(const QString &heading, const QString &status) = 0;
    // The details pop-up's delay and the screensaver's idle countdown.
    virtual void StopDetailsTimer() = 0;
    virtual void StopSlideShowTimer() = 0;
    // A title's watched or watch-list state changed outside the carousel's
    // own keys (a player's report): redraw the covers that show its marks.
    virtual void MarkersChanged(qint32 titleIndex) = 0;
    virtual void HideProcessing() = 0;
    // The icon bar's sync and settings icons.
    virtual void SyncFolders() = 0;
    virtual void OpenSettings() = 0;

    // Another registered screen, or nullptr.
    template<class T> T *screen() const
    {
        for (ScreenComponent *s : screens())
            if (T *t = dynamic_cast<T *>(s))
                return t;
        return nullptr;
    }
    virtual QList<ScreenComponent *> screens() const = 0;
};

class ScreenComponent
{
public:
    explicit ScreenComponent(ScreenHost &host) : m_host(host) {}
    virtual ~ScreenComponent() = default;
    ScreenComponent(const ScreenComponent &) = delete;
    ScreenComponent &operator=(const ScreenComponent &) = delete;

    // The key tables of the screen modes this screen owns.
    virtual void registerKeys(KeyDispatcher &dispatcher) = 0;
    // UpdateGlowEffect: recolour the captions this screen shows for the
    // backdrop under them.
    virtual void recolor() {}
    // The collection was replaced or changed (load, sync, marker toggle).
    virtual void collectionChanged() {}
    // This screen's part of the script driver's state.
    virtual void dumpState(QJsonObject &) const {}

protected:
    ScreenHost &host() const { return m_host; }
    BrowserState &browser() const { return m_host.browser(); }

private:
    ScreenHost &m_host;
};
