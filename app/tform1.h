#pragma once
// The main window. It owns the state of the whole run (settings, collection,
// view list, screen mode, the surface and its elements, the timers) and its
// operations are short: each one hands the work to the component that owns it.

#include "app/settings.h"
#include "model/titles.h"
#include "ui/keydispatcher.h"
#include "ui/screenmode.h"
#include "ui/viewlist.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class AppCommandHook;
class Carousel;
class OptionMenus;
class SearchOverlay;
class ScreenSaver;
class ArtCache;
struct tTimerSettings;
class ImageElement;
class ImageResources;
class LabelElement;
class QGraphicsView;
class Scene;
class SingleInstance;

class TForm1 : public QWidget
{
    Q_OBJECT
public:
    // Runs FormCreate. `AnotherInstance` tells afterwards whether a running
    // instance was found; the caller then ends without showing the window.
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // ---- application state
    QString AppPath;        // with a trailing separator
    QString CachePath;
    QString SmartSyncFile;
    QString ProgVersion;
    bool FormCreated = false;
    bool AnotherInstance = false;
    WId fWindowHandle = 0;

    tSettings Settings;
    tSettings SettingsBackup;
    bool ConfigLoaded = false; // the configuration file existed and was read
    QString ConfigError;       // why an existing file could not be read
    tTitles Titles;

    // ---- browser state
    tScreenMode ScreenMode = smIconBar;
    qint32 IconIndex = 0;
    ViewFilter Filter;       // CurrentSort, ShowWatched, ShowWatchListOnly, MediaTypeFilter, ...
    QList<qint32> ViewList;  // collection indices in display order
    QList<LetterIndexEntry> LetterIndex;
    qint32 FocusIndex = -1;
    qint32 FocusTitle = -1;
    bool HasTitles = false;
    qint32 FanArtTitle = -1;
    qint32 GridIndex = -1;

    // ---- timers
    QTimer TimerShowDetails;
    QTimer TimerClock;
    QTimer TimerCheckForUpdates;
    QTimer TimerSlideShow;

    // ---- surface
    Scene &scene() const { return *m_scene; }
    QGraphicsView *ScaledLayout() const { return m_view; }
    LabelElement *label(const QString &name) const;
    ImageElement *image(const QString &name) const;
    KeyDispatcher &dispatcher() { return m_dispatcher; }
    ImageResources &images() const { return *m_images; }
    Carousel &carousel() const { return *m_carousel; }
    OptionMenus &menus() const { return *m_menus; }
    SearchOverlay &search() const { return *m_search; }
    ScreenSaver &screenSaver() const { return *m_screenSaver; }

    // True once FormShow has finished (database loaded, automatic sync done).
    bool isStartupFinished() const { return m_startupFinished; }

    // ---- lifecycle
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void CreateHandle();
    void DestroyHandle();
    void AppVersion();
    void HookWndProc();
    void UnhookWndProc();
    // A media-remote command; `highWord` as the command message carries it.
    void AppWndProc(quint16 highWord);
    void ActivateRunningInstance();
    void TimerCheckForUpdatesTimer();
    void FormFocusChanged() {}
    void FormGesture() {}
    void ToolbarCloseButtonClick() {}

    // Re-fits the 1920 x 1080 surface to the window with independent factors.
    void FitDesignSurface();

    // ---- keys
    void FormKeyDown(QObject *Sender, quint16 &Key, QChar &KeyChar, Qt::KeyboardModifiers Shift = {});

    // ---- operations of the browser screen and the collection
    void LoadLocalDB();
    // The sync run's call point.
    void SyncFolders();
    void SortItems();
    void UpdateDetails();
    void ToggleDetails(bool Show);
    void TimerShowDetailsTimer();
    void UpdateIcons();
    // Enter on the settings icon.
    void OpenSettings();
    // Enter on icons 2 to 10 (menus, toggles, search, exit).
    void OpenIconMenu(int icon);
    void ShiftCoverArt(const QString &Direction);
    void LoadCoverArt(qint32 Index);
    // The play key on a cover: hands the title (collection index) to the player.
    void PlayTitle(qint32 titleIndex);
    void UpdateGlowEffect();
    // Loads a title's fan art (or the plain backdrop for -1) into `target`.
    void LoadFanArt(ImageElement *target, qint32 TitleIndex);
    void OutofSyncTitlesReport();
    void TimerClockTimer();
    void TimerSlideShowTimer();
    // Restarts the idle countdown of the screensaver (every key does).
    void RestartScreenSaverCountdown();
    // Shows a long operation's progress in the processing labels.
    void ShowProcessing(const QString &heading, const QString &status);
    void HideProcessing();

    // The quick start guide shown with no monitored folders.
    static QString QuickStartGuideText();

signals:
    // FormShow has finished.
    void startupFinished();
    // A second start handed over to this window.
    void activatedByAnotherInstance();
    // This instance found a running one and asks the application to end.
    void terminateRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void applyTimerSettings(const tTimerSettings &t);
    void bringToFront();

    std::unique_ptr<ImageResources> m_images;
    std::unique_ptr<Carousel> m_carousel; // after m_images: it composes from them
    std::unique_ptr<OptionMenus> m_menus;
    std::unique_ptr<SearchOverlay> m_search;
    std::unique_ptr<ScreenSaver> m_screenSaver;
    Scene *m_scene = nullptr;
    QGraphicsView *m_view = nullptr;
    KeyDispatcher m_dispatcher;
    ViewListIndex m_viewIndex;
    std::unique_ptr<SingleInstance> m_singleInstance;
    std::unique_ptr<ArtCache> m_artCache; // outlives a run: its scan may still be going
    AppCommandHook *m_hook = nullptr;
    bool m_showStarted = false;
    bool m_startupFinished = false;
};
