#pragma once
// Catches what the platform sends the main window outside ordinary keys:
// media-remote commands (which arrive as Qt media keys) and changes of the
// screen or its scale. Installed on the window by HookWndProc.

#include <QObject>

#include <functional>

class AppCommandHook : public QObject
{
    Q_OBJECT
public:
    AppCommandHook(std::function<void(quint16 command)> onCommand, std::function<void()> onDisplayChange,
                   QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(quint16)> m_onCommand;
    std::function<void()> m_onDisplayChange;
};
