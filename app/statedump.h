#pragma once
// The window's state as JSON, for the script driver and the tests. Screens
// add their own fields with RegisterStateField.

#include <QJsonObject>

#include <functional>

class TForm1;

using StateField = std::function<void(const TForm1 &form, QJsonObject &state)>;
void RegisterStateField(StateField field);

// ScreenMode, focus, icon and filter state, the view list (title IDs), the
// messages shown, every named element, and the registered fields.
QJsonObject WindowState(const TForm1 &form);
