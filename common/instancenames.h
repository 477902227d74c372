// The names the program's single-instance guard uses: its lock file and its local socket, per key
// and per user. The guard itself (app/singleinstance.h) takes them from here, and so does
// zr540ctl, which asks whether the window runs before it touches the mouse.
#pragma once

#include <QString>

namespace InstanceNames {

// The local socket's name for `key` and the current user.
QString serverName(const QString& key);
// The lock file the running instance holds, in the temporary folder.
QString lockFilePath(const QString& key);
// True while a live process holds the lock of `key`; a lock its dead owner left counts as free.
bool isHeld(const QString& key);

}  // namespace InstanceNames
