#include "ui/appcommandhook.h"

#include "ui/remotekeys.h"

#include <QEvent>
#include <QKeyEvent>

AppCommandHook::AppCommandHook(std::function<void(quint16)> onCommand, std::function<void()> onDisplayChange,
                               QObject *parent)
    : QObject(parent), m_onCommand(std::move(onCommand)), m_onDisplayChange(std::move(onDisplayChange))
{
}

bool AppCommandHook::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        const std::optional<int> command = AppCommandForQtKey(key->key());
        if (!command)
            break;
        if (event->type() == QEvent::KeyPress && m_onCommand)
            m_onCommand(quint16(*command));
        return true; // a remote command is not also an ordinary key
    }
    case QEvent::ScreenChangeInternal:
        if (m_onDisplayChange)
            m_onDisplayChange();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
