#include "play/playscreen.h"

#include "app/collection.h"
#include "play/discselection.h"
#include "play/playlauncher.h"
#include "ui/details.h"
#include "ui/elements.h"
#include "ui/keydispatcher.h"
#include "ui/messages.h"
#include "ui/processing.h"
#include "ui/scene.h"
#include "ui/titlegrid.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>

PlayScreen::PlayScreen(ScreenHost &host)
    : ScreenComponent(host), m_covers(host.scene().image(u"ImageCovers"_qs))
{
    m_hold.setSingleShot(true);
}

void PlayScreen::registerKeys(KeyDispatcher &) {}

void PlayScreen::dumpState(QJsonObject &state) const
{
    QJsonObject play;
    play.insert(u"Busy"_qs, m_busy);
    play.insert(u"Program"_qs, m_lastProgram);
    play.insert(u"Arguments"_qs, QJsonArray::fromStringList(m_lastArguments));
    play.insert(u"Error"_qs, m_lastError);
    state.insert(u"Play"_qs, play);
}

ImageElement *PlayScreen::fanArtBackground() const
{
    // The fan-art view's backdrop; the view may add it after this screen.
    return qobject_cast<ImageElement *>(host().scene().element(u"ImageFanArtBackground"_qs));
}

void PlayScreen::PlayClick(qint32 titleIndex)
{
    const tTitles &titles = host().titles();
    if (m_busy || titleIndex < 0 || titleIndex >= titles.Title.size())
        return;
    m_busy = true;
    m_clock.start();
    m_lastError.clear();
    host().StopDetailsTimer();
    if (DetailsPopup *details = host().screen<DetailsPopup>())
        details->ToggleDetails(false);

    const tTitle &title = titles.Title.at(titleIndex);
    if (!NeedsDiscSelection(title)) {
        withDisc(titleIndex, OnlyDiscIndex(title));
        return;
    }
    DiscSelection *selection = host().screen<DiscSelection>();
    if (!selection) {
        withDisc(titleIndex, 0);
        return;
    }
    selection->Open(titleIndex, [this, titleIndex](qint32 disc) {
        m_clock.start(); // the time the user took to choose is not the launcher's
        withDisc(titleIndex, disc);
    });
}

void PlayScreen::dim(bool dimmed, qint32 titleIndex)
{
    switch (browser().ScreenMode) {
    case smRowA:
    case smRowB:
        if (m_covers)
            m_covers->setOpacity(dimmed ? 0.1 : 1.0);
        break;
    case smFanArt:
    case smFanArtZoom:
        if (ImageElement *backdrop = fanArtBackground())
            host().LoadFanArt(backdrop, dimmed ? -1 : titleIndex);
        break;
    case smPersonTitles:
        if (TitleGrid *grid = host().screen<TitleGrid>())
            grid->setCoverOpacity(dimmed ? 0.1 : 1.0);
        break;
    default:
        break;
    }
}

void PlayScreen::withDisc(qint32 titleIndex, qint32 disc)
{
    const tTitles &titles = host().titles();
    if (disc < 0 || titleIndex >= titles.Title.size()) {
        finish(titleIndex);
        return;
    }
    const tTitle &title = titles.Title.at(titleIndex);
    const tSettings &settings = host().settings();
    const tLaunchPlan plan = PlanLaunch(settings, title, disc);
    if (!plan.Valid) {
        finish(titleIndex);
        return;
    }
    dim(true, titleIndex);
    const tScreenMode modeBefore = browser().ScreenMode;

    // A disc that vanished from the share is not handed to the player blind.
    if (!QFileInfo::exists(plan.Loc)) {
        m_lastError = u"Missing: "_qs + plan.Loc;
        host().ShowProcessing(u"ERROR: Disc not found"_qs, plan.Loc);
        hold(modeBefore, titleIndex);
        return;
    }

    bool ready = !plan.MountFirst;
    if (plan.MountFirst) {
        tMountHooks hooks;
        hooks.showMounting = [this](const QString &image) {
            host().ShowProcessing(kMountingISOText, image);
            QCoreApplication::processEvents();
        };
        // The screen keeps painting and keys are handled while the drive
        // is polled; a second Play meanwhile is ignored (m_busy).
        hooks.pause = [this] {
            QEventLoop loop;
            QTimer::singleShot(m_pollMs, &loop, &QEventLoop::quit);
            loop.exec();
        };
        hooks.showMessages = [this](const QStringList &texts) {
            for (const QString &text : texts)
                messages::ShowMessage(text, host().window());
        };
        const tMountOutcome mounted = MountImage(settings, plan.Loc, hooks);
        if (mounted.NoDriveLetter) {
            messages::ShowMessage(kNoVirtualDriveText, host().window());
            finish(titleIndex);
            return;
        }
        ready = mounted.Ready;
    }

    if (ready) {
        host().ShowProcessing(plan.LaunchLabel, QString());
        if (ProcessingLabels *labels = host().screen<ProcessingLabels>())
            labels->status()->hide();
        QCoreApplication::processEvents();
        host().StopSlideShowTimer();
        const RunProgramResult started = LaunchPlayer(plan);
        m_lastLaunchMs = double(m_clock.nsecsElapsed()) / 1e6;
        m_lastProgram = plan.Command.Program;
        m_lastArguments = QProcess::splitCommand(plan.Command.Arguments);
        for (const QString &text : started.messages())
            messages::ShowMessage(text, host().window());
        if (!started.started)
            m_lastError = started.messages().join(u'\n');
        hold(modeBefore, titleIndex);
    } else if (!settings.VCDDriveLetter.isEmpty()) {
        m_lastError = kCouldNotMountText;
        host().ShowProcessing(kMountingISOText, kCouldNotMountText);
        hold(modeBefore, titleIndex);
    } else {
        finish(titleIndex);
    }
}

// The spec's five-second sleep, without blocking: the labels stay and keys
// only do their common work until the screen is restored.
void PlayScreen::hold(tScreenMode modeBefore, qint32 titleIndex)
{
    browser().ScreenMode = smSyncing;
    m_hold.disconnect();
    QObject::connect(&m_hold, &QTimer::timeout, [this, modeBefore, titleIndex] {
        browser().ScreenMode = modeBefore;
        finish(titleIndex);
    });
    m_hold.start(m_holdMs);
}

void PlayScreen::finish(qint32 titleIndex)
{
    host().HideProcessing();
    dim(false, titleIndex);
    m_busy = false;
}

void PlayScreen::PlayerReportedError(const QString &message)
{
    m_lastError = message;
    host().ShowProcessing(u"ERROR: The player could not play"_qs, message);
    QTimer::singleShot(m_holdMs, &m_hold, [this] {
        if (!m_busy)
            host().HideProcessing();
    });
}

void PlayScreen::PlayerReportedWatched(const QString &loc)
{
    const tTitles &titles = host().titles();
    for (qsizetype i = 0; i < titles.Title.size(); ++i) {
        const tTitle &t = titles.Title.at(i);
        bool holds = false;
        for (const tDiscInfo &disc : t.DiscInfo)
            holds = holds || disc.Loc == loc;
        if (!holds)
            continue;
        if (t.WatchedCVB)
            return;
        const MarkerResult r = host().collection().toggleWatched(qint32(i));
        if (!r.ok)
            messages::ShowError(r.error, host().window());
        host().MarkersChanged(qint32(i));
        return;
    }
}
