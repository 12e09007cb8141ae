// SPDX-License-Identifier: GPL-3.0-or-later
// The rich-text control as a ProgramText: what its callers asked of its document and cursor.
#include "RichTextBox.h"
#include "TextPositions.h"

#include <QTextBlock>
#include <QTextDocument>

namespace kordavel {

RichTextBox *richText(ProgramText *text)
{
    return text ? qobject_cast<RichTextBox *>(text->widget()) : nullptr;
}

int RichTextBox::caretPosition() const
{
    return toEditorPosition(*document(), textCursor().position());
}

int RichTextBox::lineCount() const
{
    return document()->blockCount();
}

int RichTextBox::caretLineNumber() const
{
    return textCursor().blockNumber();
}

int RichTextBox::lineStartPosition(int line) const
{
    const QTextBlock block = document()->findBlockByNumber(line);
    return block.isValid() ? toEditorPosition(*document(), block.position()) : -1;
}

int RichTextBox::lineOfPosition(int position) const
{
    return document()->findBlock(toDocumentPosition(*document(), position)).blockNumber();
}

QString RichTextBox::lineText(int line) const
{
    QString text = document()->findBlockByNumber(line).text();
    text.replace(QChar::LineSeparator, QLatin1Char(' '));
    return text;
}

int RichTextBox::replaceEvery(const QString &text, const QString &with, FindOptions options)
{
    if (text.isEmpty())
        return 0;
    // Document positions throughout: a match holds no line end, so its length is the same
    // in both counts.
    QTextDocument &doc = *document();
    QTextDocument::FindFlags flags;
    if (options & FindWholeWord)
        flags |= QTextDocument::FindWholeWords;
    if (options & FindMatchCase)
        flags |= QTextDocument::FindCaseSensitively;
    const int grown = int(with.size()) - int(text.size());
    int count = 0;
    // One undo step; over a long program the layout waits for the end.
    EditStep step(*this);
    QTextCursor &cursor = step.cursor();
    const auto replace = [&](const QTextCursor &match) {
        cursor.setPosition(match.selectionStart());
        cursor.setPosition(match.selectionEnd(), QTextCursor::KeepAnchor);
        cursor.insertText(with);
        ++count;
        return cursor.position();
    };
    // From the starting point to the end.
    const int origin = textCursor().selectionEnd();
    int firstReplaced = -1;
    for (int from = origin;;) {
        const QTextCursor match = doc.find(text, from, flags);
        if (match.isNull())
            break;
        if (firstReplaced < 0)
            firstReplaced = match.selectionStart();
        from = replace(match);
    }
    // From the beginning up to the starting point, short of what the first part put in.
    int before = origin;
    int limit = firstReplaced < 0 ? doc.characterCount() : firstReplaced;
    for (int from = 0;;) {
        const QTextCursor match = doc.find(text, from, flags);
        if (match.isNull() || match.selectionStart() >= before || match.selectionEnd() > limit)
            break;
        from = replace(match);
        before += grown;
        limit += grown;
    }
    return count;
}

} // namespace kordavel
