// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QStringView>

namespace kordavel {

// Where a restart of a program begins and the blocks that bring the machine to the state
// the program is in there, as the operator would type them after a broken tool:
//   %                        the leader
//   O1001                    the program number, when the program has one
//   G21 G17 G90 G54 G94      units, plane, distance mode, work offset, feed mode
//   T2 M06 (DRILL 6)         the active tool with its change, and its comment
//   T3                       the tool preselected after it, if any
//   S1200 M03                spindle speed and direction (G96/G97 when the program says)
//   M08                      coolant
//   G00 G43 H2 Z50.          a rapid to the clearance (with the length offset): the highest
//                            Z a rapid reached since the tool went in
//   G00 X10. Y20.            then to where the program was before the block
//   G01 Z-1. F120.           then down to its height at the program's last feed
//   G91                      the distance mode again when the program runs incremental
// A code appears only when the program set it before the block: what the program left to
// the machine's defaults stays so. A lathe program retracts and approaches along X (its
// diameter) instead of Z, and its tool is the T word (T0303) without M06. A block inside a
// drilling cycle (a hole after the G81 block) restarts at the block that began the cycle,
// so that its R, depth and feed are in force again. Positions follow G90/G91, U and W of a
// lathe, G20/G21; a block in machine coordinates (G53) or a reference return (G28, G30)
// leaves them unknown until a block gives them again. What the block-by-block reading
// cannot know (cutter compensation in force) is said in a comment of the header.
struct RestartPlan {
    qsizetype line = 0; // the 0-based line the program is sent from
    QStringList header; // the header's blocks, without line ends
};

// The plan for a restart at the 0-based line `line` of a program (rows end at LF, a CR
// before it is dropped). Reads at most the lines before it.
RestartPlan planRestart(QStringView program, qsizetype line, bool lathe);

} // namespace kordavel
