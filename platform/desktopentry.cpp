#include "platform/desktopentry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

// The string escapes of the desktop entry format, applied after the Exec quoting.
QString escapedValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\')
            out += u"\\\\"_qs;
        else if (c == u'\n')
            out += u"\\n"_qs;
        else if (c == u'\t')
            out += u"\\t"_qs;
        else if (c == u'\r')
            out += u"\\r"_qs;
        else if (c == u' ' && i == 0)
            out += u"\\s"_qs; // a leading space would be trimmed by readers
        else
            out += c;
    }
    return out;
}

struct SudoUser {
    QString home;
    uint uid = 0;
    uint gid = 0;
};

// The user who started the program through sudo, when it runs as root for them.
std::optional<SudoUser> sudoUser()
{
#ifdef Q_OS_UNIX
    if (geteuid() != 0)
        return std::nullopt;
    const QByteArray name = qgetenv("SUDO_USER");
    if (name.isEmpty() || name == "root")
        return std::nullopt;
    const passwd *pw = getpwnam(name.constData());
    if (!pw || pw->pw_uid == 0 || !pw->pw_dir)
        return std::nullopt;
    return SudoUser{QFile::decodeName(pw->pw_dir), uint(pw->pw_uid), uint(pw->pw_gid)};
#else
    return std::nullopt;
#endif
}

void giveTo(const SudoUser &user, const QString &path)
{
#ifdef Q_OS_UNIX
    // Best effort: a file root keeps is still readable by the user's desktop.
    [[maybe_unused]] const int rc = ::chown(QFile::encodeName(path).constData(), user.uid, user.gid);
#else
    Q_UNUSED(user);
    Q_UNUSED(path);
#endif
}

} // namespace

QString DesktopExecArgument(const QString &argument)
{
    static const QString reserved = u" \t\n\"'\\><~|&;$*?#()`"_qs;
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || reserved.contains(c);
    QString out;
    if (quote) {
        out += u'"';
        for (const QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                out += u'\\';
            out += c;
        }
        out += u'"';
    } else {
        out = argument;
    }
    out.replace(u"%"_qs, u"%%"_qs);
    return out;
}

QString DesktopEntryText(const DesktopEntry &entry)
{
    QStringList exec;
    for (const QString &argument : entry.Exec)
        exec << DesktopExecArgument(argument);
    QString text = u"[Desktop Entry]\n"
                   u"Type=Application\n"
                   u"Version=1.0\n"_qs;
    text += u"Name="_qs + escapedValue(entry.Name) + u'\n';
    if (!entry.Comment.isEmpty())
        text += u"Comment="_qs + escapedValue(entry.Comment) + u'\n';
    text += u"Exec="_qs + escapedValue(exec.join(u' ')) + u'\n';
    if (!entry.Path.isEmpty())
        text += u"Path="_qs + escapedValue(entry.Path) + u'\n';
    text += u"Terminal=false\n"_qs;
    if (!entry.Categories.isEmpty())
        text += u"Categories="_qs + escapedValue(entry.Categories) + u'\n';
    return text;
}

bool CreateDesktopEntry(const QString &file, const DesktopEntry &entry, QString *error)
{
    auto fail = [&](const QString &reason) {
        if (error)
            *error = u"Could not create \"%1\": %2"_qs.arg(file, reason);
        return false;
    };
    const std::optional<SudoUser> user = sudoUser();

    // The folders that do not exist yet, outermost last.
    QStringList created;
    for (QString dir = QFileInfo(file).absolutePath(); !QFileInfo::exists(dir); dir = QFileInfo(dir).absolutePath()) {
        created << dir;
        if (QFileInfo(dir).isRoot())
            break;
    }
    if (!created.isEmpty() && !QDir().mkpath(created.first()))
        return fail(u"the folder cannot be created"_qs);
    if (user) {
        for (auto it = created.crbegin(); it != created.crend(); ++it)
            giveTo(*user, *it);
    }

    // NewOnly: an entry the user may have edited is never overwritten, not
    // even by a second Cinevue racing this one.
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fail(out.exists() ? u"the file already exists"_qs : out.errorString());
    const QByteArray bytes = DesktopEntryText(entry).toUtf8();
    if (out.write(bytes) != bytes.size() || !out.flush()) {
        const QString reason = out.errorString();
        out.close();
        out.remove();
        return fail(reason);
    }
    out.close();
    if (user)
        giveTo(*user, file);
    return true;
}

QString ApplicationsFolder(const QString &xdgDataHome, const QString &home)
{
    if (!xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome))
        return QDir::cleanPath(xdgDataHome + u"/applications"_qs);
    return QDir::cleanPath(home + u"/.local/share/applications"_qs);
}

QString UserApplicationsFolder()
{
    if (const auto user = sudoUser())
        return ApplicationsFolder(QString(), user->home);
    const QString home = qEnvironmentVariable("HOME");
    return ApplicationsFolder(qEnvironmentVariable("XDG_DATA_HOME"), home.isEmpty() ? QDir::homePath() : home);
}
