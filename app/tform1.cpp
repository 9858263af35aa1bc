#include "app/tform1.h"

#include "app/config.h"
#include "app/singleinstance.h"
#include "art/artcache.h"
#include "art/imageresources.h"
#include "model/localdatabase.h"
#include "platform/paths.h"
#include "platform/windowsystem.h"
#include "sync/reports.h"
#include "sync/syncrun.h"
#include "ui/appcommandhook.h"
#include "ui/carousel.h"
#include "ui/carouselkeys.h"
#include "ui/details.h"
#include "ui/glow.h"
#include "ui/iconbar.h"
#include "ui/mainlayout.h"
#include "ui/clock.h"
#include "ui/menukeys.h"
#include "ui/menus.h"
#include "ui/screensaver.h"
#include "ui/search.h"
#include "ui/mainscreenkeys.h"
#include "ui/messages.h"
#include "ui/remotekeys.h"
#include "ui/scene.h"

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
      m_images(std::make_unique<ImageResources>()),
      m_dispatcher(*this)
{
    setObjectName(u"Form1"_qs);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::BlankCursor);

    m_scene = new Scene(this);
    mainlayout::BuildMainLayout(*m_scene);
    m_carousel = std::make_unique<Carousel>(*this);

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

    RegisterMainScreenKeys(m_dispatcher, *this);
    RegisterCarouselKeys(m_dispatcher, *this);
    m_menus = std::make_unique<OptionMenus>(*this);
    m_search = std::make_unique<SearchOverlay>(*this);
    m_screenSaver = std::make_unique<ScreenSaver>(*this);
    RegisterMenuKeys(m_dispatcher, *this);

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

    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
}

LabelElement *TForm1::label(const QString &name) const { return m_scene->label(name); }
ImageElement *TForm1::image(const QString &name) const { return m_scene->image(name); }

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

    ConfigError.clear();
    Settings = LoadConfig(AppPath, [this](const tTimerSettings &t) { applyTimerSettings(t); }, &ConfigError);
    ConfigLoaded = Settings.Loaded;
    if (!ConfigError.isEmpty())
        messages::ShowError(ConfigError, this);

    ActivateRunningInstance();
    setWindowTitle(u"Cinevue"_qs);

    if (!Settings.Folders.isEmpty())
        HideProcessing();
    else
        ShowProcessing(u"Quick Start Guide"_qs, QuickStartGuideText());

    FitDesignSurface();
    QDir().mkpath(LogsPath(AppPath));

    CreateHandle();
    const QStringList broken = m_images->PreLoad();
    if (!broken.isEmpty())
        qWarning("Cinevue: embedded images that could not be decoded: %s", qPrintable(broken.join(u", "_qs)));

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
    WaitForDatabaseWriter();
    DestroyHandle();
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
}

void TForm1::bringToFront()
{
    BringWindowToFront(this);
}

void TForm1::TimerCheckForUpdatesTimer()
{
    TimerCheckForUpdates.stop();
    // The update check (update/) starts its background thread here.
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
    for (KeyReport report : KeyReportsFor(*event))
        FormKeyDown(this, report.Key, report.KeyChar, event->modifiers());
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

    LoadResult result = LoadLocalDatabase(AppPath, ProgVersion, Settings.AutoScan, LastMountedFile(),
                                          QDateTime::currentDateTime(), progress);
    switch (result.status) {
    case LoadResult::Loaded:
        Titles = std::move(result.titles);
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

    if (!m_artCache)
        m_artCache = std::make_unique<ArtCache>(CachePath);
    SyncRunOptions options;
    options.appPath = AppPath;
    options.progVersion = ProgVersion;
    options.lastMountedFile = LastMountedFile();
    options.artCache = m_artCache.get();
    SyncProgress progress;
    progress.processing = [this](const QString &text) { label(u"LabelProcessing"_qs)->setText(text); };
    progress.status = [this](const QString &text) { label(u"LabelProcessingStatus"_qs)->setText(text); };
    progress.titleNum = [this](const QString &text) { label(u"LabelTitleNum"_qs)->setText(text); };
    progress.totalTitles = [this](const QString &text) { label(u"LabelTotalTitles"_qs)->setText(text); };
    progress.processEvents = [] { QCoreApplication::processEvents(); };
    const SyncRunResult result = ::SyncFolders(Titles, Settings, options, progress);
    if (!result.fileErrors.isEmpty())
        messages::ShowError(result.fileErrors.join(u'\n'), this);

    IconIndex = 5;
    // The run may have replaced art files that composed covers were made from.
    m_carousel->ArtChanged();
    SortItems();
    if (Settings.ScreenSaver) {
        TimerSlideShow.setInterval(TimerSettingsOf(Settings).slideShowIntervalMs);
        TimerSlideShow.start();
    }
}

void TForm1::SortItems()
{
    HasTitles = false;
    HideProcessing();
    m_viewIndex.update(Titles);
    const ViewListResult result = m_viewIndex.build(Filter);
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
    details::UpdateDetails(*this);
}

void TForm1::ToggleDetails(bool Show)
{
    details::ToggleDetails(*this, Show);
}

void TForm1::TimerShowDetailsTimer()
{
    details::TimerShowDetailsTimer(*this);
}

void TForm1::UpdateIcons()
{
    iconbar::UpdateIcons(*this);
}

// The settings screen opens here.
void TForm1::OpenSettings() {}

void TForm1::OpenIconMenu(int icon)
{
    switch (icon) {
    case 2: m_menus->OpenMediaTypes(); break;
    case 3:
        Filter.ShowWatched = !Filter.ShowWatched;
        UpdateIcons();
        SortItems();
        break;
    case 4: m_menus->OpenGenres(); break;
    case 5: m_menus->OpenCats(); break;
    case 6: m_menus->OpenSort(); break;
    case 8: m_search->Open(); break;
    case 9:
        Filter.ShowWatchListOnly = !Filter.ShowWatchListOnly;
        UpdateIcons();
        SortItems();
        break;
    case 10: m_menus->OpenExit(); break;
    default: break; // 7, the filter icon, opens nothing
    }
}

void TForm1::ShiftCoverArt(const QString &Direction)
{
    m_carousel->ShiftCoverArt(Direction);
}

void TForm1::LoadCoverArt(qint32 Index)
{
    m_carousel->LoadCoverArt(Index);
}

// The play launcher takes over here; until then the key does nothing.
void TForm1::PlayTitle(qint32) {}

void TForm1::UpdateGlowEffect()
{
    glow::UpdateGlowEffect(*this);
}

void TForm1::LoadFanArt(ImageElement *target, qint32 TitleIndex)
{
    if (!target)
        return;
    if (TitleIndex < 0 || TitleIndex >= Titles.Title.size()) {
        target->setPicture(m_images->image(u"PngMainBackground"_qs), u"PngMainBackground"_qs);
        return;
    }
    const tTitle &t = Titles.Title.at(TitleIndex);
    const QString path = JoinNative(t.Directory, t.ImgFanArt);
    QImage picture(path);
    if (!picture.isNull())
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
    UpdateClock(*this);
}

void TForm1::TimerSlideShowTimer()
{
    m_screenSaver->Tick();
}

void TForm1::ShowProcessing(const QString &heading, const QString &status)
{
    LabelElement *processing = label(u"LabelProcessing"_qs);
    LabelElement *processingStatus = label(u"LabelProcessingStatus"_qs);
    processing->setText(heading);
    processingStatus->setText(status);
    processing->show();
    processingStatus->show();
}

void TForm1::HideProcessing()
{
    label(u"LabelProcessing"_qs)->hide();
    label(u"LabelProcessingStatus"_qs)->hide();
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
        u"For more detailed settings information, please visit the Cinevue web help page at https://cinevue.github.io/help"_qs,
    }.join(u'\n');
}
