// SPDX-License-Identifier: GPL-3.0-or-later
#include "GoToLine.h"

#include "editor/ProgramText.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <optional>

namespace kordavel {

namespace {

// More digits than any line or block number has; bounds the value.
constexpr qsizetype kMaxDigits = 12;

// The whole number that the text is, digits only.
std::optional<qint64> wholeNumber(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > kMaxDigits)
        return std::nullopt;
    qint64 value = 0;
    for (QChar ch : digits) {
        if (!ch.isDigit() || ch.unicode() > '9')
            return std::nullopt;
        value = value * 10 + (ch.unicode() - '0');
    }
    return value;
}

bool isBlank(QChar ch)
{
    return ch == QLatin1Char(' ') || ch == QLatin1Char('\t');
}

// The block number a line begins with.
std::optional<qint64> leadingBlockNumber(QStringView line)
{
    qsizetype i = 0;
    const qsizetype size = line.size();
    while (i < size) {
        const QChar ch = line[i];
        if (isBlank(ch)) {
            ++i;
        } else if (ch == QLatin1Char('/')) {
            ++i;
            if (i < size && line[i].isDigit())
                ++i;
        } else if (ch == QLatin1Char('(')) {
            const qsizetype close = line.indexOf(QLatin1Char(')'), i);
            if (close < 0)
                return std::nullopt;
            i = close + 1;
        } else {
            break;
        }
    }
    if (i >= size || line[i].toUpper() != QLatin1Char('N'))
        return std::nullopt;
    ++i;
    while (i < size && isBlank(line[i]))
        ++i;
    qsizetype end = i;
    while (end < size && end - i <= kMaxDigits && line[end].isDigit())
        ++end;
    return wholeNumber(line.mid(i, end - i));
}

} // namespace

int goToLine(const QTextDocument &document, QStringView typed, int fromLine)
{
    return goToLine(
        document.blockCount(),
        [&document](int line) { return document.findBlockByNumber(line).text(); }, typed, fromLine);
}

int goToLine(const ProgramText &text, QStringView typed, int fromLine)
{
    return goToLine(
        text.lineCount(), [&text](int line) { return text.lineText(line); }, typed, fromLine);
}

int goToLine(int lines, const std::function<QString(int)> &lineText, QStringView typed,
             int fromLine)
{
    typed = typed.trimmed();
    const bool block = !typed.isEmpty() && typed.front().toUpper() == QLatin1Char('N');
    const std::optional<qint64> number = wholeNumber(block ? typed.mid(1) : typed);
    if (!number)
        return -1;
    if (!block)
        return *number >= 1 && *number <= lines ? int(*number - 1) : -1;
    const int start = std::clamp(fromLine + 1, 0, lines);
    const auto search = [&](int from, int end) {
        for (int line = from; line < end; ++line)
            if (leadingBlockNumber(lineText(line)) == number)
                return line;
        return -1;
    };
    const int after = search(start, lines);
    return after >= 0 ? after : search(0, start);
}

} // namespace kordavel
