// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStringView>

namespace kordavel {

// What a piece of a program line is, as the editor colours it.
enum class GCodeCategory : quint8 {
    Code,        // G and M words
    Axis,        // X Y Z A B C U V W I J K R words
    FeedSpeed,   // F and S words
    Tool,        // T D H words
    Number,      // block numbers N, program numbers O (and ":" ones)
    Comment,     // (...) and from ';' to the end of the line
    Percent,     // a line that starts with '%'
    BlockDelete, // '/' at the start of a block, with its switch number
    Macro,       // macro variables: '#' and its number
};
inline constexpr int kGCodeCategories = 9;

struct GCodeWord {
    int start;
    int length;
    GCodeCategory category;
};

// The coloured pieces of one line, left to right, none overlapping. Letters are read in
// either case; an address letter counts only with a number (or a variable) after it, so
// macro words such as GOTO or IF stay plain.
QList<GCodeWord> gcodeWords(QStringView line);

} // namespace kordavel
