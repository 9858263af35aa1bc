#pragma once
// What the running process may change outside its own folder.

// Whether the process may change system-wide settings (the remote receiver's
// mapping): on Linux and other Unix systems, whether the effective user is
// root.
bool IsAdministrator();
