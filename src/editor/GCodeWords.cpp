// SPDX-License-Identifier: GPL-3.0-or-later
#include "GCodeWords.h"

#include <optional>

namespace kordavel {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode() | 0x20;
    return u >= u'a' && u <= u'z';
}

std::optional<GCodeCategory> addressCategory(QChar letter)
{
    switch (letter.unicode() & ~0x20) {
    case 'G':
    case 'M':
        return GCodeCategory::Code;
    case 'X':
    case 'Y':
    case 'Z':
    case 'A':
    case 'B':
    case 'C':
    case 'U':
    case 'V':
    case 'W':
    case 'I':
    case 'J':
    case 'K':
    case 'R':
        return GCodeCategory::Axis;
    case 'F':
    case 'S':
        return GCodeCategory::FeedSpeed;
    case 'T':
    case 'D':
    case 'H':
        return GCodeCategory::Tool;
    case 'N':
    case 'O':
        return GCodeCategory::Number;
    default:
        return std::nullopt;
    }
}

// The end of the digits (and decimal points) from `from`.
qsizetype digitsEnd(QStringView line, qsizetype from, bool point)
{
    while (from < line.size() && (isDigit(line[from]) || (point && line[from] == u'.')))
        ++from;
    return from;
}

} // namespace

QList<GCodeWord> gcodeWords(QStringView line)
{
    QList<GCodeWord> words;
    const qsizetype n = line.size();
    const auto add = [&](qsizetype start, qsizetype end, GCodeCategory category) {
        words.append({int(start), int(end - start), category});
    };
    qsizetype i = 0;
    while (i < n && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    if (i < n && line[i] == u'%') {
        add(i, n, GCodeCategory::Percent);
        return words;
    }
    if (i < n && line[i] == u'/') {
        const qsizetype end = digitsEnd(line, i + 1, false);
        add(i, end, GCodeCategory::BlockDelete);
        i = end;
    }
    while (i < n) {
        const QChar c = line[i];
        if (c == u'(') {
            const qsizetype close = line.indexOf(u')', i);
            const qsizetype end = close < 0 ? n : close + 1;
            add(i, end, GCodeCategory::Comment);
            i = end;
        } else if (c == u';') {
            add(i, n, GCodeCategory::Comment);
            break;
        } else if (c == u'#' || c == u':') {
            const qsizetype end = digitsEnd(line, i + 1, false);
            if (end > i + 1)
                add(i, end, c == u'#' ? GCodeCategory::Macro : GCodeCategory::Number);
            i = std::max(end, i + 1);
        } else if (isAsciiLetter(c)) {
            const std::optional<GCodeCategory> category = addressCategory(c);
            qsizetype value = i + 1;
            if (value < n && (line[value] == u'+' || line[value] == u'-'))
                ++value;
            const qsizetype end = digitsEnd(line, value, true);
            if (end > value) {
                if (category)
                    add(i, end, *category);
                i = end;
            } else if (i + 1 < n && (line[i + 1] == u'#' || line[i + 1] == u'[')) {
                if (category)
                    add(i, i + 1, *category);
                ++i;
            } else {
                // A word of letters (GOTO, IF, EQ): no address.
                ++i;
                while (i < n && isAsciiLetter(line[i]))
                    ++i;
            }
        } else {
            ++i;
        }
    }
    return words;
}

} // namespace kordavel
