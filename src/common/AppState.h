// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kordavel {

// Values shared by the whole program.
inline constexpr const char *kProductName = "Kordavel";
inline qint32 ProgramWindowCount = 0;
inline bool FindDialogShown = false;

} // namespace kordavel
