#pragma once
// Closing the windows of a player that is still open (X11).

#include <QByteArray>
#include <QString>

// Minimises and then asks to close every top-level window whose title
// contains `progName`, ignoring letter case, topmost first. The requests are
// not waited for: a window that ignores them stays open. Without an X11
// display (DISPLAY unset, no server) nothing happens. Returns the number of
// windows asked to close.
//
// With a window manager that supports _NET_CLOSE_WINDOW the windows are
// those of its client list and both requests go to it (WM_CHANGE_STATE
// iconic, then _NET_CLOSE_WINDOW). Without one, the top-level windows of the
// root are walked and each window that takes part in WM_DELETE_WINDOW is sent
// that message itself.
int ClosePDVD(const QString &progName);
// The same on the X display `displayName` (e.g. ":7").
int ClosePlayerWindows(const QString &progName, const QByteArray &displayName);
