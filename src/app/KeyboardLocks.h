// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace kordavel {

struct LockStates {
    bool numLock = false;
    bool capsLock = false;
    bool scrollLock = false;
};

// The keyboard's lock states where the platform tells them (X11 through XKB, Windows
// through GetKeyState); nothing elsewhere.
std::optional<LockStates> keyboardLocks();

} // namespace kordavel
