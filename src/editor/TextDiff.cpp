// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextDiff.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace kordavel {

namespace {

// How far ahead a line that went (or came) is looked for.
constexpr int kLookAhead = 64;

// True when `part` is what is left of `whole` after some of its characters were taken out,
// as Clean leaves a line.
bool isSubsequence(QStringView part, QStringView whole)
{
    if (part.size() > whole.size())
        return false;
    qsizetype at = 0;
    for (const QChar c : whole) {
        if (at == part.size())
            break;
        if (part[at] == c)
            ++at;
    }
    return at == part.size();
}

// What a document takes as the end of a paragraph besides '\n' (CR LF counts once).
bool isOtherBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) ||
           c == QChar(0xFDD1);
}

// From `start` on: every paragraph end becomes '\n', as a document would make it.
void normalizeBreaks(QString &text, qsizetype start)
{
    qsizetype to = start;
    for (qsizetype from = start; from < text.size(); ++from) {
        QChar c = text[from];
        if (c == QLatin1Char('\r') && from + 1 < text.size() && text[from + 1] == QLatin1Char('\n'))
            c = text[++from];
        text[to++] = isOtherBreak(c) ? QChar(QLatin1Char('\n')) : c;
    }
    text.truncate(to);
}

class LineDiff {
public:
    LineDiff(const FlatText &before, const FlatText &after) : a(before), b(after)
    {
        // Which format of the new text each old format is, so formats compare as numbers.
        QHash<CharFormat, int> indexB;
        for (int k = 0; k < b.formats.size(); ++k)
            indexB.insert(b.formats[k], k);
        for (const CharFormat &format : a.formats)
            same.append(indexB.value(format, -1));
    }

    QList<TextReplacement> run();

private:
    // Over `length` characters from the two starts: the offset of the first character whose
    // format differs, and the offset just after the last one (length and 0 when none does).
    std::pair<int, int> formatDifferences(int startA, int startB, int length) const
    {
        int first = length;
        int last = 0;
        if (length <= 0)
            return {first, last};
        qsizetype ra = a.runAt(startA);
        qsizetype rb = b.runAt(startB);
        int done = 0;
        while (done < length) {
            const int endA = a.runs[ra].first - startA;
            const int endB = b.runs[rb].first - startB;
            const int end = std::min({endA, endB, length});
            if (same[a.runs[ra].second] != b.runs[rb].second) {
                first = std::min(first, done);
                last = end;
            }
            done = end;
            if (endA == done)
                ++ra;
            if (endB == done)
                ++rb;
        }
        return {first, last};
    }

    bool sameLine(int i, int j) const
    {
        const QStringView lineA = a.line(i);
        if (lineA != b.line(j))
            return false;
        return formatDifferences(a.lineStart(i), b.lineStart(j), int(lineA.size())).second == 0;
    }

    // Old line i becomes new line j: only the middle that differs is replaced.
    void change(int i, int j)
    {
        const QStringView lineA = a.line(i);
        const QStringView lineB = b.line(j);
        const int shorter = int(std::min(lineA.size(), lineB.size()));
        const int startA = a.lineStart(i);
        const int startB = b.lineStart(j);
        int prefix = 0;
        while (prefix < shorter && lineA[prefix] == lineB[prefix])
            ++prefix;
        prefix = formatDifferences(startA, startB, prefix).first;
        int suffix = 0;
        while (suffix < shorter - prefix &&
               lineA[lineA.size() - 1 - suffix] == lineB[lineB.size() - 1 - suffix])
            ++suffix;
        suffix -= formatDifferences(startA + int(lineA.size()) - suffix,
                                    startB + int(lineB.size()) - suffix, suffix)
                      .second;
        out.append({i, prefix, i, int(lineA.size()) - suffix, startB + prefix,
                    startB + int(lineB.size()) - suffix});
    }

    // How many old lines from i on went before new line j shows up again; 0 when it is
    // old line i itself, changed (or when no line within reach holds it).
    int linesGone(int i, int j, int most) const
    {
        const QStringView lineB = b.line(j);
        if (isSubsequence(lineB, a.line(i)))
            return 0;
        for (int d = 1; d <= most; ++d)
            if (isSubsequence(lineB, a.line(i + d)))
                return d;
        return 0;
    }

    int linesCome(int i, int j, int most) const
    {
        const QStringView lineA = a.line(i);
        if (isSubsequence(lineA, b.line(j)))
            return 0;
        for (int d = 1; d <= most; ++d)
            if (isSubsequence(lineA, b.line(j + d)))
                return d;
        return 0;
    }

    const FlatText &a;
    const FlatText &b;
    QList<int> same;
    QList<TextReplacement> out;
};

QList<TextReplacement> LineDiff::run()
{
    const int linesA = a.lineCount();
    const int linesB = b.lineCount();
    int i = 0;
    int j = 0;
    while (i < linesA && j < linesB) {
        if (sameLine(i, j)) {
            ++i;
            ++j;
            continue;
        }
        const int surplus = (linesA - i) - (linesB - j);
        if (surplus > 0) {
            if (const int gone = linesGone(i, j, std::min(surplus, kLookAhead))) {
                out.append({i, 0, i + gone, 0, b.lineStart(j), b.lineStart(j)});
                i += gone;
                continue;
            }
        } else if (surplus < 0) {
            if (const int come = linesCome(i, j, std::min(-surplus, kLookAhead))) {
                out.append({i, 0, i, 0, b.lineStart(j), b.lineStart(j + come)});
                j += come;
                continue;
            }
        }
        change(i, j);
        ++i;
        ++j;
    }
    const int endB = int(b.text.size());
    if (i < linesA) {
        // The last lines went, with the line end before them.
        const int last = std::max(i - 1, 0);
        out.append({last, i > 0 ? a.lineLength(last) : 0, linesA - 1, a.lineLength(linesA - 1),
                    endB, endB});
    } else if (j < linesB) {
        const int last = linesA - 1;
        out.append({last, a.lineLength(last), last, a.lineLength(last),
                    std::max(b.lineStart(j) - 1, 0), endB});
    }
    return std::move(out);
}

} // namespace

int FlatText::lineLength(int line) const
{
    const int end = line + 1 < lineCount() ? lineStarts[line + 1] - 1 : int(text.size());
    return end - lineStarts[line];
}

qsizetype FlatText::runAt(int position) const
{
    const auto it =
        std::upper_bound(runs.begin(), runs.end(), position,
                         [](int p, const std::pair<int, int> &run) { return p < run.first; });
    return it - runs.begin();
}

FlatText flatten(RichText &&text)
{
    FlatText out;
    qsizetype size = 0;
    for (const TextRun &run : text.runs)
        size += run.text.size();
    // Document positions are ints: a longer text is cut there (no document holds one).
    size = std::min<qsizetype>(size, std::numeric_limits<int>::max() - 1);
    out.text.reserve(size);
    out.lineStarts.append(0);
    QHash<CharFormat, int> indexes;
    bool afterCr = false;
    for (TextRun &run : text.runs) {
        const qsizetype room = size - out.text.size();
        if (room <= 0)
            break;
        QStringView piece = QStringView(run.text).first(std::min(room, run.text.size()));
        if (afterCr && piece.startsWith(QLatin1Char('\n')))
            piece = piece.sliced(1); // the second half of a CR LF that ended the last run
        if (piece.isEmpty())
            continue;
        const int start = int(out.text.size());
        out.text += piece;
        afterCr = piece.endsWith(QLatin1Char('\r'));
        if (std::any_of(piece.begin(), piece.end(), isOtherBreak))
            normalizeBreaks(out.text, start);
        for (qsizetype at = out.text.indexOf(QLatin1Char('\n'), start); at >= 0;
             at = out.text.indexOf(QLatin1Char('\n'), at + 1))
            out.lineStarts.append(int(at) + 1);
        int index = 0;
        if (!out.runs.isEmpty() && out.formats[out.runs.last().second] == run.format) {
            index = out.runs.last().second;
        } else {
            index = indexes.value(run.format, int(out.formats.size()));
            if (index == out.formats.size()) {
                indexes.insert(run.format, index);
                out.formats.append(run.format);
            }
        }
        if (!out.runs.isEmpty() && out.runs.last().second == index)
            out.runs.last().first = int(out.text.size());
        else
            out.runs.append({int(out.text.size()), index});
        run.text = QString();
    }
    text.runs.clear();
    return out;
}

QList<TextReplacement> diffLines(const FlatText &before, const FlatText &after)
{
    return LineDiff(before, after).run();
}

} // namespace kordavel
