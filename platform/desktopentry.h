#pragma once
// Desktop entries (the ".desktop" files through which a Linux desktop lists
// and starts programs), written for the user's own applications menu.

#include <QString>
#include <QStringList>

struct DesktopEntry {
    QString Name;
    QString Comment;
    QStringList Exec; // the program and its arguments, unquoted
    QString Path;     // working directory
    QString Categories;
};

// One argument of an Exec key: in double quotes when it holds a character the
// desktop would otherwise split or interpret, '%' doubled.
QString DesktopExecArgument(const QString &argument);
// The whole file (UTF-8, "\n" line ends), string values escaped.
QString DesktopEntryText(const DesktopEntry &entry);

// Creates `file`, and its folder when needed, with `entry`. An existing file
// is never replaced: the result is then false. On failure `error` names the
// file and the reason. Run by root under sudo, the new file and folders are
// given to the invoking user.
bool CreateDesktopEntry(const QString &file, const DesktopEntry &entry, QString *error = nullptr);

// "<xdgDataHome>/applications" when `xdgDataHome` is an absolute path (a
// relative one is ignored), else "<home>/.local/share/applications".
QString ApplicationsFolder(const QString &xdgDataHome, const QString &home);
// The folder of the user the program works for: from XDG_DATA_HOME and HOME,
// except that root running under sudo uses the invoking user's home, where
// that user's desktop looks, not root's.
QString UserApplicationsFolder();
