// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RichText.h"

#include <QList>
#include <QString>

namespace kordavel {

// Rich text laid out for comparing line by line: all the characters in one string (a '\n'
// ends each line but the last), the formats by index, and where each line begins.
struct FlatText {
    QString text;
    QList<CharFormat> formats;       // each distinct format once
    QList<std::pair<int, int>> runs; // end of each run in `text`, and its format's index
    QList<int> lineStarts;           // at least one line, even for no text

    int lineCount() const { return int(lineStarts.size()); }
    int lineStart(int line) const { return lineStarts[line]; }
    // Without the '\n' that ends it.
    int lineLength(int line) const;
    QStringView line(int line) const
    {
        return QStringView(text).mid(lineStart(line), lineLength(line));
    }
    // The index of the run that holds the character at a position.
    qsizetype runAt(int position) const;
};

// Gives the text up: the runs are emptied along the way, so the copy never doubles it.
FlatText flatten(RichText &&text);

// One replacement that turns the old text into the new: the old characters from
// (line, column) up to (endLine, endColumn) give way to the new text's characters
// [from, to), with their formats. Lines and columns count in the old text.
struct TextReplacement {
    int line = 0;
    int column = 0;
    int endLine = 0;
    int endColumn = 0;
    int from = 0;
    int to = 0;
};

// The replacements, in the order of the text, that make `before` into `after`. Lines that
// are the same (text and formats) are left alone; of a changed line only the middle
// between what stays at its start and its end is replaced; lines that went or came are
// taken out or put in whole, where the lines around them show that they did.
QList<TextReplacement> diffLines(const FlatText &before, const FlatText &after);

} // namespace kordavel
