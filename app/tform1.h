#pragma once
// The main window. It owns the state of the whole run (settings, collection,
// view list, screen mode, the surface and its elements, the timers) and its
// operations are short: each one hands the work to the component that owns it.

#include "app/settings.h"
#include "model/titles.h"
#include "ui/keydispatcher.h"
#include "ui/screen.h"
#include "ui/screenmode.h"
#include "ui/viewlist.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class AppCommandHook;
class Carousel;
class Clock;
class DetailsPopup;
class IconBar;
class OptionMenus;
class ProcessingLabels;
class SearchOverlay;
class ScreenSaver;
class UpdateCheck;
class ArtCache;
class Collection;
class PlayScreen;
struct tTimerSettings;
class ImageElement;
class ImageResources;
class LabelElement;
class QGraphicsView;
class Scene;
class SingleInstance;

// The browser state (ScreenMode, FocusIndex, ViewList, ...) is the window's
// own, as BrowserState; the screens reach it through ScreenHost.
class TForm1 : public QWidget, public ScreenHost, public BrowserState
{
    Q_OBJECT
    // The one owner of the collection (load, sync, store); declared first
    // because `Titles` below is a view of its titles.
    std::unique_ptr<Collection> m_collection;

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
    // The collection, read-only: it changes only through collection().
    const tTitles &Titles;
    Collection &collection() override { return *m_collection; }
    const tTitles &titles() const override { return Titles; }

    // ---- timers
    QTimer TimerShowDetails;
    QTimer TimerClock;
    QTimer TimerCheckForUpdates;
    QTimer TimerSlideShow;

    // ---- surface
    Scene &scene() const override { return *m_scene; }
    QGraphicsView *ScaledLayout() const { return m_view; }
    LabelElement *label(const QString &name) const;
    ImageElement *image(const QString &name) const;
    KeyDispatcher &dispatcher() override { return m_dispatcher; }
    ImageResources &images() const override { return *m_images; }

    // ---- screens
    // Each screen is registered once: it is built on the surface, and its
    // key tables go to the dispatcher.
    template<class T, class... Args> T &addScreen(Args &&...args)
    {
        auto screen = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T &added = *screen;
        m_screens.push_back(std::move(screen));
        added.registerKeys(m_dispatcher);
        return added;
    }
    QList<ScreenComponent *> screens() const override;
    using ScreenHost::screen;
    using QWidget::screen;
    Carousel &carousel() const { return *m_carousel; }
    OptionMenus &menus() const { return *m_menus; }
    SearchOverlay &search() const { return *m_search; }
    ScreenSaver &screenSaver() const { return *m_screenSaver; }
    PlayScreen &play() const { return *m_play; }
    Clock &clock() const { return *m_clock; }
    UpdateCheck &updateCheck() const { return *m_updateCheck; }

    // ---- ScreenHost
    BrowserState &browser() override { return *this; }
    tSettings &settings() override { return Settings; }
    tSettings &settingsBackup() override { return SettingsBackup; }
    bool SaveConfig(QString *error) override;
    QWidget *window() override { return this; }
    using QWidget::window;
    QString appPath() const override { return AppPath; }
    QString cachePath() const override { return CachePath; }

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
    void SyncFolders() override;
    void SortItems() override;
    void UpdateDetails() override;
    void ToggleDetails(bool Show);
    void TimerShowDetailsTimer();
    void UpdateIcons() override;
    // Enter on the settings icon.
    void OpenSettings() override;
    // Enter on icons 2 to 10 (menus, toggles, search, exit).
    void OpenIconMenu(int icon);
    void ShiftCoverArt(const QString &Direction) override;
    void LoadCoverArt(qint32 Index) override;
    // The play key on a cover: hands the title (collection index) to the player.
    void PlayClick(qint32 titleIndex) override;
    void UpdateGlowEffect() override;
    // Loads a title's fan art (or the plain backdrop for -1) into `target`.
    void LoadFanArt(ImageElement *target, qint32 TitleIndex) override;
    void OutofSyncTitlesReport();
    void TimerClockTimer();
    void TimerSlideShowTimer();
    // Restarts the idle countdown of the screensaver (every key does).
    void RestartScreenSaverCountdown();
    // Shows a long operation's progress in the processing labels.
    void ShowProcessing(const QString &heading, const QString &status) override;
    void StopDetailsTimer() override { TimerShowDetails.stop(); }
    void StopSlideShowTimer() override { TimerSlideShow.stop(); }
    void MarkersChanged(qint32 titleIndex) override;
    void HideProcessing() override;

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
    // A database write failed: the collection stays in memory; the user is
    // told which file and why.
    void showStoreFailure(const QString &error);
    void bringToFront();

    std::unique_ptr<ImageResources> m_images;
    Scene *m_scene = nullptr;
    QGraphicsView *m_view = nullptr;
    KeyDispatcher m_dispatcher;
    // After m_images and the dispatcher, which the screens use from their
    // constructors on. Destroyed before the surface (a child object of the
    // window), whose elements they point to.
    std::vector<std::unique_ptr<ScreenComponent>> m_screens;
    // The screens the window itself calls, among m_screens.
    ProcessingLabels *m_processing = nullptr;
    IconBar *m_iconBar = nullptr;
    Carousel *m_carousel = nullptr;
    DetailsPopup *m_details = nullptr;
    Clock *m_clock = nullptr;
    OptionMenus *m_menus = nullptr;
    SearchOverlay *m_search = nullptr;
    ScreenSaver *m_screenSaver = nullptr;
    PlayScreen *m_play = nullptr;
    UpdateCheck *m_updateCheck = nullptr;
    std::unique_ptr<SingleInstance> m_singleInstance;
    AppCommandHook *m_hook = nullptr;
    bool m_showStarted = false;
    bool m_startupFinished = false;
};
