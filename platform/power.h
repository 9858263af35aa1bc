#pragma once
// Restarting the computer and ending the program. The window asks through
// this interface so that tests can put in one that touches neither.

#include <QString>

#include <memory>
#include <optional>

class PowerControl
{
public:
    virtual ~PowerControl() = default;
    // Asks the system to restart. std::nullopt once the request was accepted,
    // else the reason it was refused.
    virtual std::optional<QString> Reboot() = 0;
    // Ends the program through the application's event loop, so that the
    // window's destruction work (reports, the database writer) still runs.
    virtual void EndProgram() = 0;
};

// The login manager on the system bus (org.freedesktop.login1.Manager.Reboot),
// and QCoreApplication::quit for the program's end.
std::unique_ptr<PowerControl> MakeSystemPowerControl();
