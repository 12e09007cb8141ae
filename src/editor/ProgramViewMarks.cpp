// SPDX-License-Identifier: GPL-3.0-or-later
// What a transfer does to the program view: the lines that have left are struck through by
// marks that are no part of the text (no edit, no Undo step, never saved), and a receive
// adds its text at the end.
#include "ProgramView.h"

#include <QAccessible>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace kordavel {

void ProgramView::markStruck(qint64 from, qint64 to)
{
    if (to <= from)
        return;
    // A piece that continues the last mark lengthens it: a whole send stays one mark.
    if (!m_struck.empty() && m_struck.back().first <= from && from <= m_struck.back().second) {
        m_struck.back().second = std::max(m_struck.back().second, to);
    } else {
        // Kept sorted and apart, so painting finds the marks of a line by binary search.
        auto first = std::lower_bound(m_struck.begin(), m_struck.end(), from,
                                      [](const auto &mark, qint64 at) { return mark.second < at; });
        auto last = first;
        while (last != m_struck.end() && last->first <= to) {
            from = std::min(from, last->first);
            to = std::max(to, last->second);
            ++last;
        }
        first = m_struck.erase(first, last);
        m_struck.insert(first, {from, to});
    }
    viewport()->update();
}

void ProgramView::clearStruckMarks()
{
    if (m_struck.empty())
        return;
    m_struck.clear();
    viewport()->update();
}

QList<std::pair<qint64, qint64>> ProgramView::struckMarks() const
{
    return QList<std::pair<qint64, qint64>>(m_struck.begin(), m_struck.end());
}

void ProgramView::paintStruck(QPainter &painter, qint64 line, const std::vector<int> &xs, int left,
                              int top) const
{
    if (m_struck.empty())
        return;
    const qint64 start = m_buffer.lineStart(line);
    const qint64 end = start + m_buffer.lineLength(line);
    const qint64 shown = qint64(xs.size()) - 1;
    const int y = top + m_lineHeight / 2;
    painter.setPen(palette().color(QPalette::Text));
    // The first mark that ends after the line's start, then those that begin before its end.
    auto mark = std::upper_bound(m_struck.begin(), m_struck.end(), start,
                                 [](qint64 at, const auto &m) { return at < m.second; });
    for (; mark != m_struck.end() && mark->first < end; ++mark) {
        const qint64 a = std::clamp<qint64>(mark->first - start, 0, shown);
        const qint64 b = std::clamp<qint64>(mark->second - start, 0, shown);
        if (b > a)
            painter.drawLine(left + xs[size_t(a)], y, left + xs[size_t(b)] - 1, y);
    }
}

void ProgramView::closeAppendStep()
{
    if (m_appendOpen)
        m_buffer.closeStep();
    m_appendOpen = false;
}

void ProgramView::appendText(const QString &text, bool sameStep)
{
    if (text.isEmpty())
        return;
    // Another text set or loaded meanwhile is not joined.
    const bool join = sameStep && m_appendOpen && m_appendEnd == m_buffer.size();
    if (!join) {
        m_buffer.closeStep();
        m_appendCr = false;
    }
    // A CR LF that came in two pieces is one line break.
    QStringView rest(text);
    if (m_appendCr && rest.front() == QLatin1Char('\n'))
        rest = rest.mid(1);
    m_appendCr = text.back() == QLatin1Char('\r');
    m_appendOpen = true;
    if (rest.isEmpty())
        return;
    const QByteArray bytes = LineBuffer::encode(rest, m_buffer.lineEnd());
    const qint64 end = m_buffer.size();
    // Typed at the end: the next append at the new end joins its Undo step.
    if (!m_buffer.insert(end, bytes, true)) {
        m_appendOpen = false;
        return;
    }
    m_appendEnd = m_buffer.size();
    const bool follow = m_caret == end && m_anchor == end;
    if (follow)
        m_caret = m_anchor = m_buffer.size();
    updateScrollBars();
    if (follow) {
        ensureCaretVisible();
        caretMoved();
    }
    viewport()->update();
    emit Change();
    if (follow)
        emit SelChange();
}

} // namespace kordavel
