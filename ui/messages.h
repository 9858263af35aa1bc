#pragma once
// Message boxes. On a screen they are modal boxes over the window; in
// headless runs (tests, the script driver) they do not block: each text is
// recorded and a question takes a preset answer.

#include <QString>
#include <QStringList>

class QWidget;

namespace messages {
void ShowMessage(const QString &text, QWidget *parent = nullptr);
void ShowError(const QString &text, QWidget *parent = nullptr);
// Yes/No confirmation; true for Yes.
bool AskYesNo(const QString &text, QWidget *parent = nullptr);

void SetHeadless(bool headless, bool yesAnswer = false);
bool IsHeadless();
// Texts shown since the last TakeShown(), oldest first.
QStringList TakeShown();
QStringList Shown();
} // namespace messages
