#include "app/updatecheck.h"

#include "app/config.h"
#include "platform/processes.h"
#include "ui/messages.h"
#include "update/updateserver.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QWidget>
#include <QtConcurrent>

#include <future>
#include <mutex>
#include <optional>

namespace {

QString outcomeName(UpdateOutcome outcome)
{
    switch (outcome) {
    case UpdateOutcome::NoUpdate: return u"NoUpdate"_qs;
    case UpdateOutcome::Declined: return u"Declined"_qs;
    case UpdateOutcome::PackageManagerNotice: return u"PackageManagerNotice"_qs;
    case UpdateOutcome::DownloadFailed: return u"DownloadFailed"_qs;
    case UpdateOutcome::CrcMismatch: return u"CrcMismatch"_qs;
    case UpdateOutcome::SizeMismatch: return u"SizeMismatch"_qs;
    case UpdateOutcome::ExtractFailed: return u"ExtractFailed"_qs;
    case UpdateOutcome::Installed: return u"Installed"_qs;
    case UpdateOutcome::Cancelled: return u"Cancelled"_qs;
    }
    return QString();
}

} // namespace

// Runs each call of the check on the main thread and waits for it. Once the
// window goes away (detach) nothing more is posted, and calls still queued
// are dropped with the context's posted events: their promise breaks and the
// waiting check goes on as if answered No.
class UpdateCheck::MainThreadDialogs : public UpdateDialogs
{
public:
    MainThreadDialogs(QObject *context, QWidget *window, UpdateCheck &owner)
        : m_context(context), m_window(window), m_owner(owner)
    {
    }

    void detach()
    {
        const std::lock_guard lock(m_mutex);
        m_context = nullptr;
    }

    bool askYesNo(const QString &text) override
    {
        return onMainThread<bool>([this, text] { return messages::AskYesNo(text, m_window); }).value_or(false);
    }
    void showMessage(const QString &text) override
    {
        onMainThread<bool>([this, text] { messages::ShowMessage(text, m_window); return true; });
    }
    void showError(const QString &text) override
    {
        onMainThread<bool>([this, text] { messages::ShowError(text, m_window); return true; });
    }
    void setCaption(const QString &text) override
    {
        onMainThread<bool>([this, text] { m_window->setWindowTitle(text); return true; });
    }
    void restart(const QString &programFile) override
    {
        onMainThread<bool>([this, programFile] {
            m_owner.m_restartProgram = programFile;
            // Queued: the check's result is taken in first.
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
            return true;
        });
    }

private:
    template<class T, class F> std::optional<T> onMainThread(F call)
    {
        auto promise = std::make_shared<std::promise<T>>();
        std::future<T> answer = promise->get_future();
        {
            const std::lock_guard lock(m_mutex);
            if (!m_context)
                return std::nullopt;
            // The queued call holds the only reference: dropping it breaks the promise.
            QMetaObject::invokeMethod(m_context, [promise = std::move(promise), call] { promise->set_value(call()); },
                                      Qt::QueuedConnection);
        }
        try {
            return answer.get();
        } catch (const std::future_error &) {
            return std::nullopt; // dropped: the window went away
        }
    }

    std::mutex m_mutex;
    QObject *m_context;
    QWidget *m_window;
    UpdateCheck &m_owner;
};

UpdateCheck::UpdateCheck(ScreenHost &host)
    : ScreenComponent(host),
      m_dialogs(std::make_unique<MainThreadDialogs>(this, host.window(), *this))
{
    connect(&m_watcher, &QFutureWatcher<UpdateCheckResult>::finished, this, &UpdateCheck::checkFinished);
}

UpdateCheck::~UpdateCheck()
{
    m_dialogs->detach();
    m_cancel = true;
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    m_watcher.disconnect(this);
    m_watcher.waitForFinished();
}

bool UpdateCheck::start()
{
    if (m_running)
        return false;
    UpdateSite site;
    site.appPath = host().appPath();
    site.progVersion = ::ProgVersion();
    site.serverUrl = UpdateServerUrl();
    site.noticedVersion = m_noticedVersion;
    m_running = true;
    m_cancel = false;
    UpdateDialogs *dialogs = m_dialogs.get();
    const std::atomic_bool *cancel = &m_cancel;
    m_watcher.setFuture(QtConcurrent::run([site, previous = m_update, dialogs, cancel] {
        return CheckForUpdates(site, previous, *dialogs, cancel).Execute();
    }));
    return true;
}

bool UpdateCheck::isRunning() const
{
    return m_running;
}

void UpdateCheck::checkFinished()
{
    const UpdateCheckResult result = m_watcher.result();
    m_update = result.update;
    m_noticedVersion = result.noticedVersion;
    m_lastOutcome = result.outcome;
    if (!result.detail.isEmpty())
        qWarning("Cinevue: update check: %s", qPrintable(result.detail));
    m_running = false;
    emit finished(result.outcome);
}

void UpdateCheck::startPendingRestart()
{
    if (m_restartProgram.isEmpty())
        return;
    // The new program finds the same program folder whatever the folder of
    // its executable would suggest.
    qputenv("CINEVUE_HOME", QFile::encodeName(host().appPath()));
    const RunProgramResult run = RunProgram(m_restartProgram, QString(), false, false);
    if (!run.started)
        qWarning("Cinevue: %s", qPrintable(run.messages().join(u"; "_qs)));
    m_restartProgram.clear();
}

void UpdateCheck::dumpState(QJsonObject &state) const
{
    QJsonObject update;
    update[u"Running"_qs] = m_running;
    update[u"LastOutcome"_qs] = outcomeName(m_lastOutcome);
    update[u"Version"_qs] = m_update.Version;
    update[u"UpgradeType"_qs] = m_update.UpgradeType;
    update[u"NewVersion"_qs] = m_update.NewVersion;
    update[u"RestartPending"_qs] = !m_restartProgram.isEmpty();
    state[u"Update"_qs] = update;
}
