// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStringView>

namespace kordavel {

// One row of two texts side by side: a line of each (-1: none on that side).
struct CompareRow {
    enum Kind : quint8 { Same, Changed, Removed, Added };
    qint32 left = -1;
    qint32 right = -1;
    Kind kind = Same;
    bool operator==(const CompareRow &) const = default;
};

struct LineCompareOptions {
    // A block number (N and digits at the start of a block) is not compared.
    bool ignoreNumbers = false;
    // Spaces and tabs are not compared, and empty lines stand beside any line as equal.
    bool ignoreBlanks = false;
};

// The rows of a text's lines, split at LF (a CR before it dropped); an empty text has none,
// a final LF starts no line.
QList<QStringView> splitLines(QStringView text);

// Lines of the left text beside those of the right, in order: equal lines on one row, a
// run of removed lines beside a run of added ones paired as changed, the rest removed or
// added. Lines compare by a 64-bit hash of what the options keep of them. The shortest edit
// (Myers, halving in linear space); a part that would take more than kMaxEditSteps steps
// to settle is shown as removed and added as a whole.
class LineCompare {
public:
    static constexpr qint64 kMaxEditSteps = 50'000'000;

    static QList<CompareRow> compare(const QList<QStringView> &left,
                                     const QList<QStringView> &right,
                                     const LineCompareOptions &options = {});
    // The hash a line compares by.
    static quint64 lineKey(QStringView line, const LineCompareOptions &options);
    // The rows where a run of differences begins.
    static QList<qsizetype> differences(const QList<CompareRow> &rows);
};

} // namespace kordavel
