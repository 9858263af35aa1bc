#pragma once
// Window operations of the platform that several parts need.

class QWidget;

// Shows `window` full screen over the whole of its screen and keeps it so when
// the screen's resolution changes or the window moves to another screen.
// Without a window manager (Cinevue as the whole X session) nobody acts on
// the full-screen request, so the geometry is set here as well.
void ShowCoveringScreen(QWidget *window);
// Sets the geometry of `window` to that of its screen.
void CoverScreen(QWidget *window);

// Shows `window` maximised (a full-screen window stays full screen and covers
// its screen), raises it above other windows and gives it the keyboard focus.
void BringWindowToFront(QWidget *window);

// Whether the platform can give the surface an OpenGL viewport (not on the
// offscreen and minimal platforms used by headless runs).
bool HasOpenGLViewport();
