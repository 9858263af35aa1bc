#pragma once
// Window operations of the platform that several parts need.

class QWidget;

// Shows `window` maximised (a full-screen window stays full screen), raises
// it above other windows and gives it the keyboard focus.
void BringWindowToFront(QWidget *window);

// Whether the platform can give the surface an OpenGL viewport (not on the
// offscreen and minimal platforms used by headless runs).
bool HasOpenGLViewport();
