// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineCompare.h"

#include <QHash>

#include <vector>

namespace kordavel {

namespace {

bool isBlank(char16_t u)
{
    return u == ' ' || u == '\t' || u == '\r';
}

// The shortest edit between two sequences of line numbers: which of each side's lines are
// not in the other.
class EditScript {
public:
    EditScript(const std::vector<qint32> &a, const std::vector<qint32> &b)
        : m_removed(a.size()), m_added(b.size()), m_a(a), m_b(b)
    {
        run(0, qint32(a.size()), 0, qint32(b.size()));
    }
    std::vector<bool> m_removed, m_added;

private:
    void run(qint32 aLo, qint32 aHi, qint32 bLo, qint32 bHi);
    bool split(qint32 aLo, qint32 aHi, qint32 bLo, qint32 bHi, qint32 &x, qint32 &y);

    const std::vector<qint32> &m_a, &m_b;
    std::vector<qint32> m_forward, m_backward;
    qint64 m_steps = 0;
};

void EditScript::run(qint32 aLo, qint32 aHi, qint32 bLo, qint32 bHi)
{
    while (aLo < aHi && bLo < bHi && m_a[aLo] == m_b[bLo])
        ++aLo, ++bLo;
    while (aLo < aHi && bLo < bHi && m_a[aHi - 1] == m_b[bHi - 1])
        --aHi, --bHi;
    qint32 x = 0, y = 0;
    // A split at a corner would come back here unchanged: it cannot be, but is not followed.
    if (aLo < aHi && bLo < bHi && split(aLo, aHi, bLo, bHi, x, y) && !(x == aLo && y == bLo) &&
        !(x == aHi && y == bHi)) {
        run(aLo, x, bLo, y);
        run(x, aHi, y, bHi);
        return;
    }
    for (qint32 i = aLo; i < aHi; ++i)
        m_removed[i] = true;
    for (qint32 j = bLo; j < bHi; ++j)
        m_added[j] = true;
}

// The middle of a shortest edit: searching from both ends at once until the two meet. False
// when the steps run out (or, which cannot be, the two never meet).
bool EditScript::split(qint32 aLo, qint32 aHi, qint32 bLo, qint32 bHi, qint32 &xOut, qint32 &yOut)
{
    const qint32 n = aHi - aLo, m = bHi - bLo;
    const qint32 maxD = (n + m + 1) / 2;
    const qint32 offset = maxD;
    const size_t size = size_t(2) * size_t(maxD) + 2;
    m_forward.assign(size, -1);
    m_backward.assign(size, -1);
    qint32 *v1 = m_forward.data();
    qint32 *v2 = m_backward.data();
    v1[offset + 1] = 0;
    v2[offset + 1] = 0;
    const qint32 delta = n - m;
    const bool front = delta % 2 != 0;
    qint32 k1start = 0, k1end = 0, k2start = 0, k2end = 0;
    const qint32 *a = m_a.data() + aLo;
    const qint32 *b = m_b.data() + bLo;
    for (qint32 d = 0; d < maxD; ++d) {
        if (m_steps > LineCompare::kMaxEditSteps)
            return false;
        for (qint32 k1 = -d + k1start; k1 <= d - k1end; k1 += 2) {
            const qint32 i1 = offset + k1;
            qint32 x1 =
                (k1 == -d || (k1 != d && v1[i1 - 1] < v1[i1 + 1])) ? v1[i1 + 1] : v1[i1 - 1] + 1;
            qint32 y1 = x1 - k1;
            const qint32 x0 = x1;
            while (x1 < n && y1 < m && a[x1] == b[y1])
                ++x1, ++y1;
            m_steps += 1 + (x1 - x0);
            v1[i1] = x1;
            if (x1 > n) {
                k1end += 2;
            } else if (y1 > m) {
                k1start += 2;
            } else if (front) {
                const qint32 i2 = offset + delta - k1;
                if (i2 >= 0 && size_t(i2) < size && v2[i2] != -1 && x1 >= n - v2[i2]) {
                    xOut = aLo + x1;
                    yOut = bLo + y1;
                    return true;
                }
            }
        }
        for (qint32 k2 = -d + k2start; k2 <= d - k2end; k2 += 2) {
            const qint32 i2 = offset + k2;
            qint32 x2 =
                (k2 == -d || (k2 != d && v2[i2 - 1] < v2[i2 + 1])) ? v2[i2 + 1] : v2[i2 - 1] + 1;
            qint32 y2 = x2 - k2;
            const qint32 x0 = x2;
            while (x2 < n && y2 < m && a[n - x2 - 1] == b[m - y2 - 1])
                ++x2, ++y2;
            m_steps += 1 + (x2 - x0);
            v2[i2] = x2;
            if (x2 > n) {
                k2end += 2;
            } else if (y2 > m) {
                k2start += 2;
            } else if (!front) {
                const qint32 i1 = offset + delta - k2;
                if (i1 >= 0 && size_t(i1) < size && v1[i1] != -1) {
                    const qint32 x1 = v1[i1];
                    const qint32 y1 = offset + x1 - i1;
                    if (x1 >= n - x2) {
                        xOut = aLo + x1;
                        yOut = bLo + y1;
                        return true;
                    }
                }
            }
        }
    }
    return false;
}

} // namespace

QList<QStringView> splitLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            end = text.size();
        QStringView line = text.mid(from, end - from);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lines.append(line);
        from = end + 1;
    }
    return lines;
}

quint64 LineCompare::lineKey(QStringView line, const LineCompareOptions &options)
{
    qsizetype i = 0;
    if (options.ignoreNumbers) {
        qsizetype k = 0;
        while (k < line.size() && isBlank(line[k].unicode()))
            ++k;
        if (k < line.size() && line[k] == QLatin1Char('/'))
            ++k;
        while (k < line.size() && isBlank(line[k].unicode()))
            ++k;
        if (k < line.size() && (line[k] == QLatin1Char('N') || line[k] == QLatin1Char('n'))) {
            qsizetype e = k + 1;
            while (e < line.size() && isBlank(line[e].unicode()))
                ++e;
            const qsizetype digits = e;
            while (e < line.size() && line[e].isDigit())
                ++e;
            if (e > digits) {
                // The block-delete slash stays: it changes what the block does.
                quint64 h = 1469598103934665603ull;
                const auto add = [&h](char16_t u) {
                    h ^= u;
                    h *= 1099511628211ull;
                };
                for (qsizetype j = 0; j < k; ++j)
                    if (!options.ignoreBlanks || !isBlank(line[j].unicode()))
                        add(line[j].unicode());
                for (qsizetype j = e; j < line.size(); ++j)
                    if (!options.ignoreBlanks || !isBlank(line[j].unicode()))
                        add(line[j].unicode());
                return h;
            }
        }
    }
    quint64 h = 1469598103934665603ull;
    for (; i < line.size(); ++i) {
        const char16_t u = line[i].unicode();
        if (options.ignoreBlanks && isBlank(u))
            continue;
        h ^= u;
        h *= 1099511628211ull;
    }
    return h;
}

QList<CompareRow> LineCompare::compare(const QList<QStringView> &left,
                                       const QList<QStringView> &right,
                                       const LineCompareOptions &options)
{
    const quint64 empty = lineKey(QStringView(), options);
    QHash<quint64, qint32> ids;
    // Each side's compared lines as numbers for their keys; skipped lines are free.
    const auto number = [&](const QList<QStringView> &lines, std::vector<qint32> &seq,
                            std::vector<qint32> &at, std::vector<bool> &free) {
        seq.reserve(size_t(lines.size()));
        free.assign(size_t(lines.size()), false);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const quint64 key = lineKey(lines[i], options);
            if (options.ignoreBlanks && key == empty) {
                free[size_t(i)] = true;
                continue;
            }
            auto id = ids.constFind(key);
            if (id == ids.cend())
                id = ids.insert(key, qint32(ids.size()));
            seq.push_back(*id);
            at.push_back(qint32(i));
        }
    };
    std::vector<qint32> a, b, aAt, bAt;
    std::vector<bool> aFree, bFree;
    number(left, a, aAt, aFree);
    number(right, b, bAt, bFree);
    ids = {};
    const EditScript script(a, b);
    std::vector<bool> removed(size_t(left.size())), added(size_t(right.size()));
    for (size_t i = 0; i < a.size(); ++i)
        removed[size_t(aAt[i])] = script.m_removed[i];
    for (size_t j = 0; j < b.size(); ++j)
        added[size_t(bAt[j])] = script.m_added[j];

    QList<CompareRow> rows;
    rows.reserve(std::max(left.size(), right.size()));
    const qint32 n = qint32(left.size()), m = qint32(right.size());
    qint32 i = 0, j = 0;
    while (i < n || j < m) {
        const bool li = i < n && aFree[size_t(i)], rj = j < m && bFree[size_t(j)];
        if (li || rj) {
            rows.append({li ? i++ : -1, rj ? j++ : -1, CompareRow::Same});
            continue;
        }
        if (i < n && j < m && !removed[size_t(i)] && !added[size_t(j)]) {
            rows.append({i++, j++, CompareRow::Same});
            continue;
        }
        qint32 ie = i, je = j;
        while (ie < n && removed[size_t(ie)])
            ++ie;
        while (je < m && added[size_t(je)])
            ++je;
        if (ie == i && je == j) {
            // Left over on one side only, which a shortest edit never leaves.
            rows.append(i < n ? CompareRow{i++, -1, CompareRow::Removed}
                              : CompareRow{-1, j++, CompareRow::Added});
            continue;
        }
        const qint32 pairs = std::min(ie - i, je - j);
        for (qint32 k = 0; k < pairs; ++k)
            rows.append({i + k, j + k, CompareRow::Changed});
        for (qint32 k = i + pairs; k < ie; ++k)
            rows.append({k, -1, CompareRow::Removed});
        for (qint32 k = j + pairs; k < je; ++k)
            rows.append({-1, k, CompareRow::Added});
        i = ie;
        j = je;
    }
    return rows;
}

QList<qsizetype> LineCompare::differences(const QList<CompareRow> &rows)
{
    QList<qsizetype> starts;
    for (qsizetype r = 0; r < rows.size(); ++r)
        if (rows[r].kind != CompareRow::Same && (r == 0 || rows[r - 1].kind == CompareRow::Same))
            starts.append(r);
    return starts;
}

} // namespace kordavel
