// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QKeyEvent;

namespace kordavel {

// The character code a key press gives the keyboard filter: 13 for Enter, 27 for Escape,
// 8 for Backspace, 9 for Tab, else the character typed (32 and above); -1 for none (a
// shortcut with Ctrl or Meta, a key that types nothing).
int keyAsciiOf(const QKeyEvent *event);

} // namespace kordavel
