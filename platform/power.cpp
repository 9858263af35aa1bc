#include "platform/power.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

namespace {

class SystemPowerControl : public PowerControl
{
public:
    std::optional<QString> Reboot() override
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return u"Cannot restart the computer: the system bus is not available (%1)"_qs
                .arg(bus.lastError().message());
        QDBusMessage call = QDBusMessage::createMethodCall(
            u"org.freedesktop.login1"_qs, u"/org/freedesktop/login1"_qs,
            u"org.freedesktop.login1.Manager"_qs, u"Reboot"_qs);
        // Interactive: the login manager may ask for authorisation.
        call << true;
        const QDBusMessage reply = bus.call(call, QDBus::Block, 25000);
        if (reply.type() == QDBusMessage::ErrorMessage)
            return u"Cannot restart the computer: %1"_qs.arg(reply.errorMessage().isEmpty() ? reply.errorName()
                                                                                           : reply.errorMessage());
        return std::nullopt;
    }

    void EndProgram() override { QCoreApplication::quit(); }
};

} // namespace

std::unique_ptr<PowerControl> MakeSystemPowerControl()
{
    return std::make_unique<SystemPowerControl>();
}
