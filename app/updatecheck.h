#pragma once
// The window's side of the update check: TimerCheckForUpdates starts one
// CheckForUpdates run on a worker thread; its boxes and the caption are shown
// here on the main thread while the run waits for the answer. The window
// keeps the last answer (tUpdate) between runs.
//
// An installed update asks the application to quit; the new program is
// started only when the window has been torn down (startPendingRestart),
// so that it neither hands over to this instance nor races its last writes.

#include "ui/screen.h"
#include "update/checkforupdates.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class UpdateCheck : public QObject, public ScreenComponent
{
    Q_OBJECT
public:
    explicit UpdateCheck(ScreenHost &host);
    // Stops a running check (its pending boxes are dropped) and waits for it.
    ~UpdateCheck() override;

    // The check owns no screen mode.
    void registerKeys(KeyDispatcher &) override {}
    void dumpState(QJsonObject &state) const override;

    // Starts one check in the background; false when one is still running.
    bool start();
    bool isRunning() const;
    // The last answer of the update server.
    const tUpdate &Update() const { return m_update; }
    UpdateOutcome lastOutcome() const { return m_lastOutcome; }

    // The program an installed update asked to start, if any.
    QString pendingRestart() const { return m_restartProgram; }
    // Starts it (with the same program folder) and forgets it.
    void startPendingRestart();

signals:
    void finished(UpdateOutcome outcome);

private:
    class MainThreadDialogs;
    void checkFinished();

    std::unique_ptr<MainThreadDialogs> m_dialogs;
    std::atomic_bool m_cancel{false};
    QFutureWatcher<UpdateCheckResult> m_watcher;
    bool m_running = false;
    tUpdate m_update;
    UpdateOutcome m_lastOutcome = UpdateOutcome::NoUpdate;
    QString m_noticedVersion;
    QString m_restartProgram;
};
