#include "app/tform1.h"

#include "app/collection.h"
#include "app/config.h"
#include "app/singleinstance.h"
#include "app/updatecheck.h"
#include "art/artcache.h"
#include "art/imageresources.h"
#include "model/localdatabase.h"
#include "platform/paths.h"
#include "platform/playerwindows.h"
#include "play/discselection.h"
#include "play/playscreen.h"
#include "platform/windowsystem.h"
#include "sync/reports.h"
#include "settings/folderbrowser.h"
#include "settings/settingsscreen.h"
#include "sync/syncrun.h"
#include "ui/appcommandhook.h"
#include "ui/carousel.h"
#include "ui/clock.h"
#include "ui/details.h"
#include "ui/fanartview.h"
#include "ui/glow.h"
#include "ui/iconbar.h"
#include "ui/mainlayout.h"
#include "ui/menus.h"
#include "ui/messages.h"
#include "ui/processing.h"
#include "ui/remotekeys.h"
#include "ui/scene.h"
#include "ui/screensaver.h"
#include "ui/search.h"
#include "ui/titlegrid.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QOpenGLWidget>
#include <QVBoxLayout>

TForm1::TForm1(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_collection(std::make_unique<Collection>(ResolveAppPath(), ::ProgVersion())),
      Titles(m_collection->titles()),
      m_images(std::make_unique<ImageResources>()),
      m_dispatcher(*this)
{
    setObjectName(u"Form1"_qs);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::BlankCursor);

    m_scene = new Scene(this);
    mainlayout::BuildMainLayout(*m_scene);

    m_view = new QGraphicsView(m_scene, this);
    if (HasOpenGLViewport())
        m_view->setViewport(new QOpenGLWidget);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_view->setTransformationAnchor(QGraphicsView::NoAnchor);
    m_view->setResizeAnchor(QGraphicsView::NoAnchor);
    m_view->setSceneRect(0, 0, Scene::kWidth, Scene::kHeight);
    m_view->setInteractive(false); // keyboard and remote only
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    m_view->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    // The overlays add their elements above the main screen's in this order.
    m_processing = &addScreen<ProcessingLabels>();
    m_iconBar = &addScreen<IconBar>();
    m_carousel = &addScreen<Carousel>();
    m_details = &addScreen<DetailsPopup>();
    m_clock = &addScreen<Clock>();
    m_menus = &addScreen<OptionMenus>();
    m_search = &addScreen<SearchOverlay>();
    addScreen<FanArtView>();
    addScreen<TitleGrid>();
    m_updateCheck = &addScreen<UpdateCheck>();
    addScreen<DiscSelection>();
    m_play = &addScreen<PlayScreen>();
    addScreen<SettingsScreen>();
    addScreen<FolderBrowser>();
    // Last: the screensaver covers every other screen.
    m_screenSaver = &addScreen<ScreenSaver>(TimerSlideShow);

    KeyCommonWork common;
    common.beforeKey = [this] {
        ToggleDetails(false);
        TimerShowDetails.stop();
        RestartScreenSaverCountdown();
    };
    common.endScreenSaver = [this] {
        if (!m_screenSaver->isShowing())
            return false;
        m_screenSaver->hide();
        return true;
    };
    common.detailsAfterKey = [this] { TimerShowDetails.start(); };
    m_dispatcher.setCommonWork(std::move(common));

    TimerShowDetails.setObjectName(u"TimerShowDetails"_qs);
    TimerShowDetails.setInterval(5000);
    TimerClock.setObjectName(u"TimerClock"_qs);
    TimerClock.setInterval(1000);
    TimerCheckForUpdates.setObjectName(u"TimerCheckForUpdates"_qs);
    TimerCheckForUpdates.setInterval(10000);
    TimerSlideShow.setObjectName(u"TimerSlideShow"_qs);
    TimerSlideShow.setInterval(60000);
    connect(&TimerShowDetails, &QTimer::timeout, this, &TForm1::TimerShowDetailsTimer);
    connect(&TimerClock, &QTimer::timeout, this, &TForm1::TimerClockTimer);
    connect(&TimerCheckForUpdates, &QTimer::timeout, this, &TForm1::TimerCheckForUpdatesTimer);
    connect(&TimerSlideShow, &QTimer::timeout, this, &TForm1::TimerSlideShowTimer);
    TimerClock.start();
    TimerCheckForUpdates.start();
    connect(m_collection.get(), &Collection::storeFailed, this, &TForm1::showStoreFailure);
    connect(m_collection.get(), &Collection::changed, this, [this] {
        for (const std::unique_ptr<ScreenComponent> &screen : m_screens)
            screen->collectionChanged();
    });

    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
}

LabelElement *TForm1::label(const QString &name) const { return m_scene->label(name); }
ImageElement *TForm1::image(const QString &name) const { return m_scene->image(name); }

QList<ScreenComponent *> TForm1::screens() const
{
    QList<ScreenComponent *> list;
    list.reserve(qsizetype(m_screens.size()));
    for (const std::unique_ptr<ScreenComponent> &screen : m_screens)
        list.append(screen.get());
    return list;
}

// ---------------------------------------------------------------- lifecycle

void TForm1::FormCreate()
{
    FormCreated = false;
    // Not yet findable by the single-instance check of a later start.
    setWindowTitle(u"Cinevue - Opening"_qs);
    AppVersion();
    label(u"LabelTitle"_qs)->setText(u"Cinevue v"_qs + ProgVersion);
    AnotherInstance = false;

    AppPath = ResolveAppPath();
    QString error;
    if (!MakeWorkingDirectory(AppPath, &error))
        messages::ShowError(error, this);
    CachePath = ::CachePath(AppPath);
    SmartSyncFile = ::SmartSyncFile(AppPath);
    // The player and the virtual drive we start find this program folder
    // (its registry-like store, its socket) through the environment.
    qputenv("CINEVUE_HOME", QFile::encodeName(AppPath));

    ConfigError.clear();
    Settings = LoadConfig(AppPath, [this](const tTimerSettings &t) { applyTimerSettings(t); }, &ConfigError);
    ConfigLoaded = Settings.Loaded;
    if (!ConfigError.isEmpty())
        messages::ShowError(ConfigError, this);

    // Players left over from an earlier launch are closed, so that Cinevue
    // comes up alone.
    if (Settings.PDVD.ClosePlayer) {
        if (Settings.Player4BluRays == tPlayers::PDVD)
            ClosePDVD(u"PowerDVD"_qs);
        if (Settings.Player4DVDs != Settings.Player4BluRays && Settings.Player4DVDs == tPlayers::PDVD)
            ClosePDVD(u"PowerDVD"_qs);
        if (Settings.Player4EncMedia == W10MTV)
            ClosePDVD(u"Movies & TV"_qs);
    }

    ActivateRunningInstance();
    setWindowTitle(u"Cinevue"_qs);

    if (!Settings.Folders.isEmpty())
        HideProcessing();
    else
        ShowProcessing(u"Quick Start Guide"_qs, QuickStartGuideText());

    FitDesignSurface();
    QDir().mkpath(LogsPath(AppPath));

    CreateHandle();
    // The images the first screen shows are decoded as it asks for them; the
    // others meanwhile on a worker thread.
    m_images->PreLoadInBackground([](const QStringList &broken) {
        if (!broken.isEmpty())
            qWarning("Cinevue: embedded images that could not be decoded: %s", qPrintable(broken.join(u", "_qs)));
    });

    IconIndex = 0;
    ScreenMode = smIconBar;
    Filter = startViewFilter(Settings);
    HasTitles = false;
    UpdateIcons();
    FormCreated = true;
}

void TForm1::FormShow()
{
    HookWndProc();
    while (!FormCreated)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    if (!AnotherInstance) {
        // The database is looked for by bare name: the working directory is AppPath.
        if (Settings.LocalDB && QFile::exists(QString::fromUtf16(kDatabaseFileName)))
            LoadLocalDB();
        if (Settings.AutoScan && !Settings.Folders.isEmpty())
            SyncFolders();
    }
    if (!Settings.FanArtBackground.isEmpty()) {
        for (qsizetype i = 0; i < Titles.Title.size(); ++i) {
            if (Titles.Title.at(i).Title == Settings.FanArtBackground) {
                LoadFanArt(image(u"ImageBackground"_qs), qint32(i));
                break;
            }
        }
    }
    UpdateGlowEffect();
    if (HasTitles)
        UpdateDetails();

    m_startupFinished = true;
    emit startupFinished();
}

void TForm1::FormDestroy()
{
    OutofSyncTitlesReport();
    // Writes still queued must reach the disk before the process ends.
    m_collection->waitForStored();
    WaitForDatabaseWriter();
    DestroyHandle();
    // An installed update starts the new program only now: with the database
    // stored and this instance no longer answering later starts, the new one
    // neither hands over to it nor races its writes.
    if (!m_updateCheck->pendingRestart().isEmpty()) {
        m_singleInstance.reset();
        m_updateCheck->startPendingRestart();
    }
}

void TForm1::CreateHandle()
{
    fWindowHandle = winId();
}

void TForm1::DestroyHandle()
{
    UnhookWndProc();
    fWindowHandle = 0;
}

void TForm1::AppVersion()
{
    ProgVersion = ::ProgVersion();
}

void TForm1::HookWndProc()
{
    if (m_hook) {
        messages::ShowMessage(u"Already subclassed"_qs, this);
        return;
    }
    m_hook = new AppCommandHook([this](quint16 command) { AppWndProc(command); },
                                [this] { FitDesignSurface(); }, this);
    installEventFilter(m_hook);
}

void TForm1::UnhookWndProc()
{
    if (!m_hook)
        return;
    removeEventFilter(m_hook);
    delete m_hook;
    m_hook = nullptr;
}

void TForm1::AppWndProc(quint16 highWord)
{
    const std::optional<quint16> key = AppCommandToVirtualKey(highWord);
    if (!key) {
        messages::ShowMessage(UnsupportedAppCommandText(highWord), this);
        return;
    }
    quint16 Key = *key;
    QChar KeyChar;
    FormKeyDown(nullptr, Key, KeyChar);
}

void TForm1::ActivateRunningInstance()
{
    m_singleInstance = std::make_unique<SingleInstance>(AppPath);
    if (m_singleInstance->activateRunning()) {
        AnotherInstance = true;
        m_singleInstance.reset();
        emit terminateRequested();
        return;
    }
    m_singleInstance->listen();
    connect(m_singleInstance.get(), &SingleInstance::activationRequested, this, [this] {
        bringToFront();
        emit activatedByAnotherInstance();
    });
    // The player tells when a disc was played to its end.
    connect(m_singleInstance.get(), &SingleInstance::watchedReported, this,
            [this](const QString &loc) { m_play->PlayerReportedWatched(loc); });
    // A player that cannot play says why on the screen, not only in its log.
    connect(m_singleInstance.get(), &SingleInstance::playerErrorReported, this,
            [this](const QString &message) { m_play->PlayerReportedError(message); });
}

void TForm1::bringToFront()
{
    BringWindowToFront(this);
}

void TForm1::TimerCheckForUpdatesTimer()
{
    TimerCheckForUpdates.stop();
    m_updateCheck->start();
    TimerCheckForUpdates.setInterval(86400000);
    TimerCheckForUpdates.start();
}

void TForm1::FitDesignSurface()
{
    // The view fills the window without frame or scroll bars, so its size is
    // the visible area (its viewport may not have been resized yet).
    const QSize area = m_view->size();
    m_view->setTransform(QTransform::fromScale(qreal(area.width()) / Scene::kWidth,
                                               qreal(area.height()) / Scene::kHeight));
    m_view->ensureVisible(0, 0, 0, 0, 0, 0);
}

void TForm1::applyTimerSettings(const tTimerSettings &t)
{
    TimerShowDetails.setInterval(t.showDetailsIntervalMs);
    if (t.enableSlideShow) {
        TimerSlideShow.setInterval(t.slideShowIntervalMs);
        TimerSlideShow.start();
    }
}

void TForm1::RestartScreenSaverCountdown()
{
    TimerSlideShow.stop();
    const tTimerSettings t = TimerSettingsOf(Settings);
    if (t.enableSlideShow) {
        TimerSlideShow.setInterval(t.slideShowIntervalMs);
        TimerSlideShow.start();
    }
}

// ---------------------------------------------------------------- keys

void TForm1::FormKeyDown(QObject *, quint16 &Key, QChar &KeyChar, Qt::KeyboardModifiers)
{
    m_dispatcher.FormKeyDown(Key, KeyChar);
}

void TForm1::keyPressEvent(QKeyEvent *event)
{
    // One press is one command. A key that produces a character arrives as
    // two reports; when the first one ends the screensaver, the second must
    // not act as well (a '*' would write a marker into the user's folder).
    const bool endsScreenSaver = m_screenSaver->isShowing();
    for (KeyReport report : KeyReportsFor(*event)) {
        FormKeyDown(this, report.Key, report.KeyChar, event->modifiers());
        if (endsScreenSaver)
            break;
    }
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FitDesignSurface();
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_showStarted)
        return;
    m_showStarted = true;
    // After the first paint, so that the progress of the start-up is seen.
    QMetaObject::invokeMethod(this, &TForm1::FormShow, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- collection and browser screen

void TForm1::LoadLocalDB()
{
    if (m_collection->isBusy())
        return;
    // The event loop runs while the file is read; until the titles are in
    // place keys have only their common effects (no sync, no toggle).
    const tScreenMode modeBefore = ScreenMode;
    ScreenMode = smSyncing;
    LoadProgress progress;
    progress.processing = [this](const QString &text) { ShowProcessing(text, label(u"LabelProcessingStatus"_qs)->text()); };
    // The status shows every title's name; letting the screen repaint for
    // each of them would make a large collection load for minutes.
    QElapsedTimer sincePaint;
    sincePaint.start();
    progress.status = [this, &sincePaint](const QString &text) {
        label(u"LabelProcessingStatus"_qs)->setText(text);
        if (sincePaint.elapsed() >= 100) {
            QCoreApplication::processEvents();
            sincePaint.restart();
        }
    };
    progress.titleNumber = [this](int n) { label(u"LabelTitleNum"_qs)->setText(QString::number(n)); };
    progress.totalTitles = [this](const QString &text) { label(u"LabelTotalTitles"_qs)->setText(text); };

    LoadResult result = m_collection->load(Settings.AutoScan, LastMountedFile(), progress);
    ScreenMode = modeBefore;
    switch (result.status) {
    case LoadResult::Loaded:
        SortItems();
        break;
    case LoadResult::Rejected:
        if (!result.messageBoxText.isEmpty())
            messages::ShowMessage(result.messageBoxText, this);
        break;
    case LoadResult::Error:
        // The file stays as it is; the error stays on screen and in a box.
        label(u"LabelProcessingStatus"_qs)->setText(result.error);
        messages::ShowError(result.error, this);
        break;
    }
}

void TForm1::SyncFolders()
{
    if (m_collection->isBusy())
        return;
    // Keys have only their common effects while the run works.
    TimerSlideShow.stop();
    ScreenMode = smSyncing;
    HasTitles = false;
    image(u"ImageCovers"_qs)->hide();
    image(u"ImageIconBar"_qs)->hide();
    if (label(u"LabelYear"_qs)->text() != QString() && FocusTitle >= 0)
        image(u"ImageTitleSummary"_qs)->hide();
    ShowProcessing(SyncingTitlesHeading(Settings.Debug, Settings.PerfMon), u"Building Directory List:"_qs);
    label(u"LabelTitleNum"_qs)->setText(u"0"_qs);

    SyncProgress progress;
    progress.processing = [this](const QString &text) { label(u"LabelProcessing"_qs)->setText(text); };
    progress.status = [this](const QString &text) { label(u"LabelProcessingStatus"_qs)->setText(text); };
    progress.titleNum = [this](const QString &text) { label(u"LabelTitleNum"_qs)->setText(text); };
    progress.totalTitles = [this](const QString &text) { label(u"LabelTotalTitles"_qs)->setText(text); };
    // The run calls this after every title. Keys and the clock need the loop
    // about once a frame; letting it repaint the labels for every title
    // would make the window's sync many times slower than the run itself.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    progress.processEvents = [&sinceEvents] {
        if (sinceEvents.elapsed() < 10)
            return;
        QCoreApplication::processEvents();
        sinceEvents.restart();
    };
    const Collection::SyncOutcome outcome = m_collection->sync(Settings, progress);
    if (!outcome.ran)
        return;
    // A failed database write is reported once, by showStoreFailure().
    QStringList fileErrors = outcome.run.fileErrors;
    fileErrors.removeAll(outcome.storeError);
    if (!fileErrors.isEmpty())
        messages::ShowError(fileErrors.join(u'\n'), this);

    IconIndex = 5;
    // The run may have replaced art files that composed covers were made from.
    m_carousel->ArtChanged();
    SortItems();
    if (!outcome.run.unavailableFolders.isEmpty())
        ShowProcessing(u"Sync Complete"_qs,
                       u"Not available, titles kept as they were: "_qs + outcome.run.unavailableFolders.join(u", "_qs));
    if (Settings.ScreenSaver) {
        TimerSlideShow.setInterval(TimerSettingsOf(Settings).slideShowIntervalMs);
        TimerSlideShow.start();
    }
}

void TForm1::showStoreFailure(const QString &error)
{
    const QString text = u"The collection could not be saved; it stays as shown until Cinevue ends. "_qs + error;
    ShowProcessing(u"ERROR: Local Database not saved"_qs, error);
    messages::ShowError(text, this);
}

void TForm1::SortItems()
{
    HasTitles = false;
    HideProcessing();
    const ViewListResult result = m_collection->viewIndex().build(Filter);
    ViewList = result.ViewList;
    LetterIndex = result.LetterIndex;
    HasTitles = result.HasTitles;

    if (ViewList.isEmpty()) {
        image(u"ImageCovers"_qs)->hide();
        if (ScreenMode != smSearchEdit)
            ScreenMode = smIconBar;
        FocusIndex = -1;
    } else {
        image(u"ImageCovers"_qs)->show();
        image(u"ImageIconBar"_qs)->show();
        image(u"ImageTitleSummary"_qs)->show();
        if (ScreenMode != smSearchEdit)
            ScreenMode = smRowA;
        FocusIndex = 0;
        UpdateDetails();
    }
    LoadCoverArt(FocusIndex);
    UpdateIcons();
    QCoreApplication::processEvents();
}

void TForm1::UpdateDetails()
{
    m_details->UpdateDetails();
}

void TForm1::ToggleDetails(bool Show)
{
    m_details->ToggleDetails(Show);
}

void TForm1::TimerShowDetailsTimer()
{
    m_details->TimerShowDetailsTimer();
}

void TForm1::UpdateIcons()
{
    m_iconBar->UpdateIcons();
}

void TForm1::OpenSettings()
{
    if (SettingsScreen *settings = screen<SettingsScreen>())
        settings->Open();
}

bool TForm1::SaveConfig(QString *error)
{
    return ::SaveConfig(Settings, AppPath, error, [this](const tTimerSettings &t) { applyTimerSettings(t); });
}

void TForm1::OpenIconMenu(int icon)
{
    m_iconBar->OpenIconMenu(icon);
}

void TForm1::ShiftCoverArt(const QString &Direction)
{
    m_carousel->ShiftCoverArt(Direction);
}

void TForm1::LoadCoverArt(qint32 Index)
{
    m_carousel->LoadCoverArt(Index);
}

// The play launcher takes over here; until then the user is told.
void TForm1::PlayClick(qint32 titleIndex)
{
    m_play->PlayClick(titleIndex);
}

void TForm1::MarkersChanged(qint32)
{
    // Composed covers are cached by their marks, so a refill recomposes
    // only the covers whose marks changed.
    if (IsCarouselMode(ScreenMode) && FocusIndex >= 0)
        LoadCoverArt(FocusIndex);
}

void TForm1::UpdateGlowEffect()
{
    glow::UpdateGlowEffect(*this);
}

void TForm1::LoadFanArt(ImageElement *target, qint32 TitleIndex)
{
    if (!target)
        return;
    // The art cache first, then the title folder (the screensaver's rule); a
    // title without a readable fan art shows the plain backdrop, never the
    // previous picture or none.
    const QString path = TitleIndex >= 0 && TitleIndex < Titles.Title.size()
                             ? ScreenSaverFanArtFile(Titles.Title.at(TitleIndex), CachePath, Settings.LocalArt)
                             : QString();
    const QImage picture = path.isEmpty() ? QImage() : QImage(path);
    if (picture.isNull())
        target->setPicture(m_images->image(u"PngMainBackground"_qs), u"PngMainBackground"_qs);
    else
        target->setPicture(picture, path);
}

void TForm1::OutofSyncTitlesReport()
{
    const ViewFilter everything = OutofSyncViewFilter(Filter);
    if (!(everything == Filter)) {
        Filter = everything;
        SortItems();
    }
    QString error;
    if (!WriteOutofSyncTitlesReport(AppPath, Titles, ViewList, &error))
        qWarning("%s", qPrintable(error));
}

void TForm1::TimerClockTimer()
{
    m_clock->UpdateClock();
}

void TForm1::TimerSlideShowTimer()
{
    m_screenSaver->Tick();
}

void TForm1::ShowProcessing(const QString &heading, const QString &status)
{
    m_processing->show(heading, status);
}

void TForm1::HideProcessing()
{
    m_processing->hide();
}

QString TForm1::QuickStartGuideText()
{
    return QStringList{
        u"1) Do NOT use your mouse to click icons.  Use your keyboard or MCE compatible remote control."_qs,
        u"On a Keyboard use Arrow Keys to navigate,  Enter/Return to select, and Backspace to go back."_qs,
        QString(),
        u"2) In Settings (Gear icon), add folder(s) for scanning (should match your My Movies folders)"_qs,
        QString(),
        u"3) \"Save\" your Settings"_qs,
        QString(),
        u"4) A new Sync icon will appear, run a Sync"_qs,
        QString(),
        u"For more detailed settings information, open the help page: Settings (Gear icon) > Online Help"_qs,
    }.join(u'\n');
}
