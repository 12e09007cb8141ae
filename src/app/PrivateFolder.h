// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <sys/stat.h>

namespace kordavel {

// The folder of the running-copy lock and of the socket: one that no other user can write.
// The user's runtime folder (`runtime`, from $XDG_RUNTIME_DIR) when it is a folder of the
// user's own, not a link, that nobody else may enter; else `fallback` (a folder in the user's
// own cache), made if missing and set to the user alone when it is theirs. Empty when neither
// will do: the program then runs without a lock and without a socket.
QString choosePrivateFolder(const QString &runtime, const QString &fallback);

// The chosen folder for this user and this environment.
QString runtimeFolder();

// What is at a path, the path itself (a link is not followed): nothing, an entry of the given
// type (S_IFREG, S_IFSOCK …) of the user's own, or anything else (another user's, a link …).
enum class Entry { Missing, Own, Foreign };
Entry entryAt(const QString &path, mode_t type);

} // namespace kordavel
