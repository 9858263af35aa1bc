#pragma once
// Where Cinevue keeps its own files, and the one conversion of stored relative
// names (written with backslashes, e.g. "VIDEO_TS\fanart.jpg") into paths that
// can be opened.

#include <QString>

// The path with the platform's separator for stored relative names: on Linux
// every '\' becomes '/', on Windows the text is returned unchanged.
QString NativePath(const QString &path);

// directory + one separator + NativePath(relative). A separator at the end of
// `directory` or at the start of `relative` is not doubled; an empty
// `directory` gives NativePath(relative).
QString JoinNative(const QString &directory, const QString &relative);

// `path` with exactly one trailing separator (an empty path stays empty).
QString WithTrailingSeparator(const QString &path);
// `path` without its trailing separators ('/' or '\'); a lone root stays.
QString WithoutTrailingSeparators(const QString &path);
// The last component of `path`, separated by '/' or '\' (My Movies' paths
// may use either), trailing separators ignored.
QString LastPathComponent(const QString &path);

// The program folder, with a trailing separator, chosen in this order:
// 1. `home` (the CINEVUE_HOME environment variable) when it is not empty;
// 2. `executableDir` when files can be created in it and it is not the bin
//    folder of an installation prefix ("<prefix>/bin" beside "<prefix>/share");
// 3. the per-user data location "<generic data>/Cinevue", created if needed.
QString ResolveAppPath(const QString &home, const QString &executableDir);
// The same from the environment and the running executable's folder.
QString ResolveAppPath();

// Creates `appPath` if needed and makes it the working directory, so that the
// bare file names the program reads ("Cinevue.cfg", "CinevueDB.xml") resolve
// there. Returns false with a reason in `error` when either step fails.
bool MakeWorkingDirectory(const QString &appPath, QString *error = nullptr);

// Files and folders below the program folder (`appPath` as ResolveAppPath
// gives it; a missing trailing separator is added).
QString CachePath(const QString &appPath);     // appPath + "Cache" + separator
QString SmartSyncFile(const QString &appPath); // appPath + "CVB_SmartSync.bin"
QString LogsPath(const QString &appPath);      // appPath + "Logs" + separator
