// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

namespace kordavel {

enum class MachineKind { Unknown, Mill, Lathe };

// The machine a program is written for, from its words (comments left out): a mill's as
// soon as one word belongs to a mill only (a Y word, G17, G19, G43, an H word, M6); a
// lathe's when it has at least two signs of one and no such word: G18, a tool word of four
// digits (T0101: tool and offset), U or W words, G96, the turning cycles G70 to G72. One
// sign alone decides nothing: a mill's program with G18 arcs is no lathe's. Only the first
// kScanCharacters are read.
MachineKind machineKindOf(QStringView program);

inline constexpr qsizetype kScanCharacters = 200'000;

} // namespace kordavel
