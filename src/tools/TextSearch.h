// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kordavel {

class ProgramText;

// Searching program text as the find dialog does: whole words only, letter case ignored.
// Positions are the editor's, a line end counting two characters.

// Selects the next match after the selection, or, when there is none up to the end, the
// first match in the text. False when the text holds no match; the selection then stays.
bool selectNextMatch(ProgramText &editor, const QString &text);

// Replaces every match once: from the end of the selection to the end of the text, then
// from the beginning up to that point. Text that a replacement put in is never searched
// again, so a replacement that itself holds a match ends too. An empty search text does
// nothing. The whole run is one step for Undo. The caret stays where it was (moving it to
// the last replacement would lay out every line up to there before the user can go on).
// Returns the number of replacements.
int replaceAllMatches(ProgramText &editor, const QString &text, const QString &replacement);

} // namespace kordavel
