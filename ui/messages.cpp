#include "ui/messages.h"

#include <QMessageBox>

namespace messages {

namespace {
bool g_headless = false;
bool g_yesAnswer = false;
QStringList g_shown;
} // namespace

void ShowMessage(const QString &text, QWidget *parent)
{
    g_shown.append(text);
    if (!g_headless)
        QMessageBox::information(parent, u"Cinevue"_qs, text);
}

void ShowError(const QString &text, QWidget *parent)
{
    g_shown.append(text);
    if (!g_headless)
        QMessageBox::critical(parent, u"Cinevue"_qs, text);
}

bool AskYesNo(const QString &text, QWidget *parent)
{
    g_shown.append(text);
    if (g_headless)
        return g_yesAnswer;
    return QMessageBox::question(parent, u"Cinevue"_qs, text, QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

void SetHeadless(bool headless, bool yesAnswer)
{
    g_headless = headless;
    g_yesAnswer = yesAnswer;
}

bool IsHeadless() { return g_headless; }

QStringList TakeShown()
{
    QStringList shown;
    shown.swap(g_shown);
    return shown;
}

QStringList Shown() { return g_shown; }

} // namespace messages
