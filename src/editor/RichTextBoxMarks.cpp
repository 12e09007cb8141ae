// SPDX-License-Identifier: GPL-3.0-or-later
// Struck-through marks drawn over the text without changing it: the lines of a send
// that have left. Being no part of the document, they cost no relayout, no undo step and
// no change of the program, however long it is.
#include "RichTextBox.h"
#include "TextPositions.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace kordavel {

void RichTextBox::markStruck(int start, int length)
{
    if (length <= 0)
        return;
    const QTextDocument &doc = *document();
    const int from = toDocumentPosition(doc, start);
    const int to = toDocumentPosition(doc, start + length);
    QList<ExtraSelection> &marks = m_struck;
    // A piece that continues the last mark lengthens it: a whole send stays one mark.
    if (!marks.isEmpty() && marks.last().cursor.selectionEnd() == from &&
        marks.last().cursor.selectionStart() <= from) {
        QTextCursor &cursor = marks.last().cursor;
        const int anchor = cursor.selectionStart();
        cursor.setPosition(anchor);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
    } else {
        ExtraSelection mark;
        mark.cursor = QTextCursor(document());
        mark.cursor.setPosition(from);
        mark.cursor.setPosition(to, QTextCursor::KeepAnchor);
        mark.format.setFontStrikeOut(true);
        marks.append(mark);
    }
    showSelections();
}

void RichTextBox::clearStruckMarks()
{
    if (m_struck.isEmpty())
        return;
    m_struck.clear();
    showSelections();
}

QList<std::pair<int, int>> RichTextBox::struckMarks() const
{
    QList<std::pair<int, int>> ranges;
    const QTextDocument &doc = *document();
    for (const ExtraSelection &mark : m_struck) {
        const int start = toEditorPosition(doc, mark.cursor.selectionStart());
        ranges.append({start, toEditorPosition(doc, mark.cursor.selectionEnd()) - start});
    }
    return ranges;
}

// The format collection answers "never" at once for most programs; otherwise the text is
// walked fragment by fragment, since the collection also keeps formats no longer in use.
bool RichTextBox::hasStrikeThru() const
{
    const QList<QTextFormat> formats = document()->allFormats();
    if (std::none_of(formats.begin(), formats.end(), [](const QTextFormat &f) {
            return f.isCharFormat() && f.toCharFormat().fontStrikeOut();
        }))
        return false;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().fontStrikeOut())
                return true;
    return false;
}

} // namespace kordavel
