#pragma once
// The window's state as JSON, for the script driver and the tests.

#include <QJsonObject>

class TForm1;

// ScreenMode, focus, icon and filter state, the view list (title IDs), the
// messages shown, every named element, and each screen's own fields
// (ScreenComponent::dumpState).
QJsonObject WindowState(const TForm1 &form);
