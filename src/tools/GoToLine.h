// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <functional>

class QTextDocument;

namespace kordavel {

class ProgramText;

// What Go To takes, blanks around it ignored: a line number ("120", 1 the first line), or a
// block number after N or n ("N1200", "n1200"). The line it names, 0-based, or -1 when it
// names none (a line beyond the last, a block no line begins with, anything else typed).
// A block number names the first line, after fromLine and then from the top, that begins
// with it, letter case ignored: after blanks, TABs, a block skip ("/", "/2") and comments
// in parentheses. The same number elsewhere in a line (a comment, a GOTO, a P word) names
// nothing.
int goToLine(const QTextDocument &document, QStringView typed, int fromLine = 0);
int goToLine(const ProgramText &text, QStringView typed, int fromLine = 0);
// The same over any lines: how many, and the text of each.
int goToLine(int lines, const std::function<QString(int)> &lineText, QStringView typed,
             int fromLine);

} // namespace kordavel
