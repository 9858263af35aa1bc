#include "update/checkforupdates.h"

#include "platform/paths.h"
#include "update/crc64.h"
#include "update/downloadupdatefile.h"
#include "update/packageinstall.h"
#include "update/updateserver.h"

#include <QFile>
#include <QFileInfo>

CheckForUpdates::CheckForUpdates(UpdateSite site, tUpdate previous, UpdateDialogs &dialogs,
                                 const std::atomic_bool *cancel)
    : m_site(std::move(site)), m_previous(std::move(previous)), m_dialogs(dialogs), m_cancel(cancel)
{
}

QString CheckForUpdates::CrcErrorText()
{
    return u"ERROR: Update Zip file did not pass CRC validation. Aborting Update."_qs;
}

QString CheckForUpdates::SizeErrorText()
{
    return u"ERROR: Update Zip file did not pass size validation. Aborting Update."_qs;
}

QString CheckForUpdates::ExtractErrorText()
{
    return u"ERROR: Unable to extract Zip file. Aborting Update."_qs;
}

QString CheckForUpdates::CouldNotDeleteText(const QString &path)
{
    return u"Could not delete \""_qs + path + u"\""_qs;
}

QString CheckForUpdates::CouldNotRenameText(const QString &from, const QString &to)
{
    return u"Could not rename \""_qs + from + u"\" to \""_qs + to + u"\""_qs;
}

QStringList CheckForUpdates::LeftOverFiles()
{
    return {u"CinevueInfo.xml"_qs, u"Cinevue Out of Sync Titles Report.txt"_qs, u"Cinevue Rental List.txt"_qs,
            u"Cinevue Sync Error Log.txt"_qs};
}

bool CheckForUpdates::renameIfPresent(const QString &from, const QString &to)
{
    if (!QFileInfo::exists(from))
        return true;
    QFile::remove(to);
    if (QFile::rename(from, to))
        return true;
    m_dialogs.showMessage(CouldNotRenameText(from, to));
    return false;
}

UpdateCheckResult CheckForUpdates::Execute()
{
    UpdateCheckResult result;
    result.version = UpdateCheckVersion(m_site.progVersion);
    result.update = m_previous;
    result.noticedVersion = m_site.noticedVersion;
    const QString appPath = WithTrailingSeparator(m_site.appPath);
    PackageInstall install(appPath, m_site.programName);

    if (!m_site.serverUrl.isEmpty())
        DownloadUpdateFile(UpdateAnswerUrl(m_site.serverUrl, result.version), QString(), DownloadMode::Mem,
                           result.update, m_cancel, m_site.stallTimeoutMs);
    if (cancelled()) {
        result.outcome = UpdateOutcome::Cancelled;
        return result;
    }

    const tUpdate &answer = result.update;
    const UpdateDecision decision = DecideUpdate(answer, result.version);
    const bool canReplace = install.canReplaceProgram();
    bool wanted = false;
    if (decision != UpdateDecision::None) {
        if (!canReplace) {
            result.outcome = UpdateOutcome::PackageManagerNotice;
            if (answer.NewVersion != m_site.noticedVersion) {
                m_dialogs.showMessage(PackageManagerUpdateText(answer));
                result.noticedVersion = answer.NewVersion;
            }
        } else if (decision == UpdateDecision::Optional) {
            wanted = m_dialogs.askYesNo(OptionalUpdateText(answer));
            if (!wanted)
                result.outcome = UpdateOutcome::Declined;
        } else {
            m_dialogs.showMessage(MandatoryUpdateText(answer));
            wanted = true;
        }
    }

    // Clean-up on every check. An install cut off while moving files is
    // undone first, as it may still need the program's backup.
    for (const QString &problem : install.recoverInterrupted())
        m_dialogs.showMessage(problem);
    if (QFileInfo::exists(install.backupFile()) && !QFile::remove(install.backupFile()))
        m_dialogs.showMessage(CouldNotDeleteText(install.backupFile()));
    for (const QString &name : LeftOverFiles()) {
        if (QFileInfo::exists(appPath + name))
            QFile::remove(appPath + name);
    }

    if (!wanted)
        return result;
    if (cancelled()) {
        result.outcome = UpdateOutcome::Cancelled;
        return result;
    }

    m_dialogs.setCaption(u"Cinevue - Closing"_qs);
    const QString package = appPath + u"Cinevue_"_qs + answer.NewVersion + u".zip"_qs;
    const DownloadResult download = DownloadUpdateFile(UpdatePackageUrl(answer.URL, result.version), package,
                                                       DownloadMode::File, result.update, m_cancel,
                                                       m_site.stallTimeoutMs);
    if (!download.ok) {
        result.outcome = cancelled() ? UpdateOutcome::Cancelled : UpdateOutcome::DownloadFailed;
        result.detail = download.error;
        return result;
    }

    if (FileCrc64Text(package) != answer.CRC64) {
        m_dialogs.showError(CrcErrorText());
        result.outcome = UpdateOutcome::CrcMismatch;
        return result;
    }
    if (QFileInfo(package).size() != qint64(answer.Size)) {
        m_dialogs.showError(SizeErrorText());
        result.outcome = UpdateOutcome::SizeMismatch;
        return result;
    }

    // The whole package is extracted aside before anything of the program
    // changes; a refused or damaged package leaves the program as it was.
    const PackageInstall::StageResult staged = install.stage(package, m_cancel);
    if (!staged.ok) {
        if (cancelled()) {
            result.outcome = UpdateOutcome::Cancelled;
            return result;
        }
        m_dialogs.showError(staged.missingProgram ? ExtractErrorText()
                                                  : ExtractErrorText() + u"\n\n"_qs + staged.error);
        result.outcome = UpdateOutcome::ExtractFailed;
        result.detail = staged.error;
        return result;
    }
    if (cancelled()) {
        install.discardStaging();
        result.outcome = UpdateOutcome::Cancelled;
        return result;
    }

    QString error;
    if (!install.moveFilesIntoPlace(&error)) {
        m_dialogs.showError(ExtractErrorText() + u"\n\n"_qs + error);
        result.outcome = UpdateOutcome::ExtractFailed;
        result.detail = error;
        return result;
    }
    renameIfPresent(install.programFile(), install.backupFile());
    if (!install.moveProgramIntoPlace(&error) || !QFileInfo::exists(install.programFile())) {
        m_dialogs.showError(ExtractErrorText());
        for (const QString &problem : install.rollBack())
            m_dialogs.showMessage(problem);
        renameIfPresent(install.backupFile(), install.programFile());
        result.outcome = UpdateOutcome::ExtractFailed;
        result.detail = error;
        return result;
    }
    install.commit();

    QFile::remove(package);
    m_dialogs.restart(install.programFile());
    result.outcome = UpdateOutcome::Installed;
    return result;
}
