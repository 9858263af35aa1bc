#include "update/packageinstall.h"

#include "platform/paths.h"
#include "update/zipextract.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

const QString kStagingName = u".cinevue-update"_qs;
const QString kRollbackName = u".cinevue-rollback"_qs;
const QString kJournalName = u"pending"_qs;
const QString kReplacedName = u"files"_qs;

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Unlike QFile::rename, an existing target file is replaced (in one step on
// POSIX systems).
bool renameReplacing(const QString &from, const QString &to, QString *error)
{
    std::error_code code;
    std::filesystem::rename(fsPath(from), fsPath(to), code);
    if (code && error)
        *error = u"Cannot move %1 to %2: %3"_qs.arg(from, to, QString::fromLocal8Bit(code.message()));
    return !code;
}

// A path (file, folder or symbolic link, also a dangling one) is there.
bool present(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isRealFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

int depth(const QString &relative)
{
    return int(relative.count(QLatin1Char('/')));
}

QStringList toStringList(const QJsonValue &value)
{
    QStringList list;
    for (const QJsonValue &v : value.toArray())
        list.append(v.toString());
    return list;
}

} // namespace

PackageInstall::PackageInstall(const QString &appPath, const QString &programName)
    : m_appPath(WithTrailingSeparator(appPath)), m_programName(programName)
{
}

QString PackageInstall::programFile() const { return m_appPath + m_programName; }
QString PackageInstall::backupFile() const { return programFile() + u".old"_qs; }
QString PackageInstall::stagingFolder() const { return m_appPath + kStagingName; }
QString PackageInstall::rollbackFolder() const { return m_appPath + kRollbackName; }

bool PackageInstall::canReplaceProgram() const
{
    if (!QFileInfo(programFile()).isFile())
        return false;
    QTemporaryFile probe(m_appPath + u".cinevue-probe-XXXXXX"_qs);
    return probe.open();
}

QStringList PackageInstall::recoverInterrupted()
{
    QStringList problems;
    if (QFileInfo::exists(QDir(rollbackFolder()).filePath(kJournalName))) {
        problems += rollBack();
        if (QFileInfo::exists(backupFile())) {
            QString error;
            if (!renameReplacing(backupFile(), programFile(), &error))
                problems.append(error);
        }
    } else if (present(rollbackFolder())) {
        // An install that was done; only its clean-up was cut off.
        QDir(rollbackFolder()).removeRecursively();
    }
    discardStaging();
    return problems;
}

PackageInstall::StageResult PackageInstall::stage(const QString &zipPath, const std::atomic_bool *cancel)
{
    StageResult result;
    m_files.clear();
    m_folders.clear();
    discardStaging();
    if (!QDir().mkpath(stagingFolder())) {
        result.error = u"Cannot create the folder %1"_qs.arg(stagingFolder());
        return result;
    }
    const ZipExtractResult extracted = ExtractZip(zipPath, stagingFolder(), cancel);
    if (!extracted.ok) {
        discardStaging();
        result.error = extracted.error;
        return result;
    }
    for (const QString &path : extracted.files + extracted.folders) {
        const QString first = path.section(QLatin1Char('/'), 0, 0);
        if (first == kStagingName || first == kRollbackName) {
            discardStaging();
            result.error = u"The package entry \"%1\" is refused: the name is reserved for the update itself."_qs.arg(path);
            return result;
        }
    }
    if (!extracted.files.contains(m_programName)) {
        discardStaging();
        result.missingProgram = true;
        result.error = u"The package holds no file %1."_qs.arg(m_programName);
        return result;
    }
    QFile program(QDir(stagingFolder()).filePath(m_programName));
    program.setPermissions(program.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser
                           | QFileDevice::ExeGroup | QFileDevice::ExeOther);
    m_files = extracted.files;
    m_folders = extracted.folders;
    result.ok = true;
    return result;
}

bool PackageInstall::moveFilesIntoPlace(QString *error)
{
    const QDir app(m_appPath);
    const QDir staging(stagingFolder());
    const QDir replaced(QDir(rollbackFolder()).filePath(kReplacedName));

    // Every folder the files need, parents first.
    QStringList folders = m_folders;
    for (const QString &file : m_files) {
        for (qsizetype slash = file.indexOf(QLatin1Char('/')); slash > 0;
             slash = file.indexOf(QLatin1Char('/'), slash + 1))
            folders.append(file.left(slash));
    }
    folders.removeDuplicates();
    std::stable_sort(folders.begin(), folders.end(),
                     [](const QString &a, const QString &b) { return depth(a) < depth(b); });

    QStringList addedFolders;
    for (const QString &folder : folders) {
        const QString target = app.filePath(folder);
        if (isRealFolder(target))
            continue;
        if (present(target)) {
            *error = u"%1 is a file, the update has a folder there"_qs.arg(target);
            discardStaging();
            return false;
        }
        addedFolders.append(folder);
    }
    QStringList addedFiles;
    for (const QString &file : m_files) {
        const QString target = app.filePath(file);
        if (isRealFolder(target)) {
            *error = u"%1 is a folder, the update has a file there"_qs.arg(target);
            discardStaging();
            return false;
        }
        if (file != m_programName && !present(target))
            addedFiles.append(file);
    }

    // The journal first: from here on an interruption can be undone.
    QDir(rollbackFolder()).removeRecursively();
    if (!QDir().mkpath(replaced.path())) {
        *error = u"Cannot create the folder %1"_qs.arg(replaced.path());
        QDir(rollbackFolder()).removeRecursively();
        discardStaging();
        return false;
    }
    QJsonObject journal;
    journal[u"files"_qs] = QJsonArray::fromStringList(addedFiles);
    journal[u"folders"_qs] = QJsonArray::fromStringList(addedFolders);
    QSaveFile journalFile(QDir(rollbackFolder()).filePath(kJournalName));
    if (!journalFile.open(QIODevice::WriteOnly) || journalFile.write(QJsonDocument(journal).toJson()) < 0
        || !journalFile.commit()) {
        *error = u"Cannot write %1: %2"_qs.arg(journalFile.fileName(), journalFile.errorString());
        QDir(rollbackFolder()).removeRecursively();
        discardStaging();
        return false;
    }

    auto fail = [&](const QString &why) {
        *error = why;
        rollBack();
        return false;
    };
    for (const QString &folder : addedFolders) {
        if (!app.mkdir(folder))
            return fail(u"Cannot create the folder %1"_qs.arg(app.filePath(folder)));
    }
    for (const QString &file : m_files) {
        if (file == m_programName)
            continue;
        const QString target = app.filePath(file);
        QString why;
        if (present(target)) {
            const QString kept = replaced.filePath(file);
            if (!QDir().mkpath(QFileInfo(kept).path()) || !renameReplacing(target, kept, &why))
                return fail(why.isEmpty() ? u"Cannot create the folder %1"_qs.arg(QFileInfo(kept).path()) : why);
        }
        if (!renameReplacing(staging.filePath(file), target, &why))
            return fail(why);
    }
    return true;
}

bool PackageInstall::moveProgramIntoPlace(QString *error)
{
    return renameReplacing(QDir(stagingFolder()).filePath(m_programName), programFile(), error);
}

void PackageInstall::commit()
{
    QFile::remove(QDir(rollbackFolder()).filePath(kJournalName));
    QDir(rollbackFolder()).removeRecursively();
    discardStaging();
}

QStringList PackageInstall::rollBack()
{
    QStringList problems;
    const QDir app(m_appPath);
    const QString journalPath = QDir(rollbackFolder()).filePath(kJournalName);
    QFile journalFile(journalPath);
    if (journalFile.open(QIODevice::ReadOnly)) {
        const QJsonObject journal = QJsonDocument::fromJson(journalFile.readAll()).object();
        journalFile.close();

        for (const QString &file : toStringList(journal.value(u"files"_qs))) {
            const QString target = app.filePath(file);
            if (present(target) && !QFile::remove(target))
                problems.append(u"Cannot remove %1"_qs.arg(target));
        }
        const QDir replaced(QDir(rollbackFolder()).filePath(kReplacedName));
        QDirIterator it(replaced.path(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString kept = it.next();
            const QString target = app.filePath(replaced.relativeFilePath(kept));
            QString why;
            if (!renameReplacing(kept, target, &why))
                problems.append(why);
        }
        QStringList folders = toStringList(journal.value(u"folders"_qs));
        std::stable_sort(folders.begin(), folders.end(),
                         [](const QString &a, const QString &b) { return depth(a) > depth(b); });
        for (const QString &folder : folders)
            app.rmdir(folder);
        if (problems.isEmpty())
            QFile::remove(journalPath);
    }
    // With problems left the journal stays, so the next check tries again.
    if (problems.isEmpty())
        QDir(rollbackFolder()).removeRecursively();
    discardStaging();
    return problems;
}

void PackageInstall::discardStaging()
{
    if (present(stagingFolder()))
        QDir(stagingFolder()).removeRecursively();
}
