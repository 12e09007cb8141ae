// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextSearch.h"

#include "editor/RichTextBox.h"

#include <QTextCursor>

namespace kordavel {

namespace {

constexpr RichTextBox::FindOptions kWholeWord = RichTextBox::FindWholeWord;

} // namespace

bool selectNextMatch(RichTextBox &editor, const QString &text)
{
    if (text.isEmpty())
        return false;
    int found = editor.find(text, editor.selStart() + editor.selLength(), -1, kWholeWord);
    if (found < 0)
        found = editor.find(text, 0, -1, kWholeWord);
    if (found < 0)
        return false;
    editor.select(found, int(text.size()));
    return true;
}

int replaceAllMatches(RichTextBox &editor, const QString &text, const QString &replacement)
{
    if (text.isEmpty())
        return 0;
    // Document positions throughout: a match holds no line end, so its length is the same
    // in both counts.
    QTextDocument &document = *editor.document();
    const QTextDocument::FindFlags flags = QTextDocument::FindWholeWords;
    const int length = int(text.size());
    const int grown = int(replacement.size()) - length;
    int count = 0;
    // One undo step; over a long program the layout waits for the end.
    RichTextBox::EditStep step(editor);
    QTextCursor &cursor = step.cursor();
    const auto replace = [&](const QTextCursor &match) {
        cursor.setPosition(match.selectionStart());
        cursor.setPosition(match.selectionEnd(), QTextCursor::KeepAnchor);
        cursor.insertText(replacement);
        ++count;
        return cursor.position();
    };

    // From the starting point to the end.
    const int origin = editor.textCursor().selectionEnd();
    int firstReplaced = -1;
    for (int from = origin;;) {
        const QTextCursor match = document.find(text, from, flags);
        if (match.isNull())
            break;
        if (firstReplaced < 0)
            firstReplaced = match.selectionStart();
        from = replace(match);
    }
    // From the beginning up to the starting point, short of what the first part put in.
    int before = origin;
    int limit = firstReplaced < 0 ? document.characterCount() : firstReplaced;
    for (int from = 0;;) {
        const QTextCursor match = document.find(text, from, flags);
        if (match.isNull() || match.selectionStart() >= before || match.selectionEnd() > limit)
            break;
        from = replace(match);
        before += grown;
        limit += grown;
    }
    return count;
}

} // namespace kordavel
