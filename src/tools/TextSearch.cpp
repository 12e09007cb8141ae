// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextSearch.h"

#include "editor/ProgramText.h"

namespace kordavel {

bool selectNextMatch(ProgramText &editor, const QString &text)
{
    if (text.isEmpty())
        return false;
    int found =
        editor.find(text, editor.selStart() + editor.selLength(), -1, ProgramText::FindWholeWord);
    if (found < 0)
        found = editor.find(text, 0, -1, ProgramText::FindWholeWord);
    if (found < 0)
        return false;
    editor.selectRange(found, int(text.size()));
    return true;
}

int replaceAllMatches(ProgramText &editor, const QString &text, const QString &replacement)
{
    return editor.replaceEvery(text, replacement, ProgramText::FindWholeWord);
}

} // namespace kordavel
