// SPDX-License-Identifier: GPL-3.0-or-later
// Printing a program from the view: its lines one after another in the view's font, black
// on white, a line longer than the page going on below. Only the line being printed is
// held, so a program of any length prints in the memory of one page.
#include "ProgramView.h"

#include "common/CodePage.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace kordavel {

void ProgramView::print(QPrinter *printer, qint64 from, qint64 to) const
{
    if (!printer)
        return;
    if (from > to)
        std::swap(from, to);
    qint64 first = 0;
    qint64 last = m_buffer.lineCount() - 1;
    if (from != to) {
        first = m_buffer.lineAt(from);
        last = m_buffer.lineAt(to);
        // A range that ends at the start of a line leaves that line out.
        if (last > first && to <= m_buffer.lineStart(last))
            --last;
    }
    QPainter painter;
    if (!painter.begin(printer))
        return;
    const QFont font(this->font(), printer);
    const QFontMetrics metrics(font, printer);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
    const int height = std::max(1, page.height());
    const int width = std::max(1, page.width());
    const int lineHeight = std::max(1, metrics.lineSpacing());
    int y = 0;
    const auto put = [&](const QString &text) {
        if (y > 0 && y + lineHeight > height) {
            printer->newPage();
            y = 0;
        }
        painter.drawText(QPoint(0, y + metrics.ascent()), text);
        y += lineHeight;
    };
    for (qint64 line = first; line <= last; ++line) {
        QString text = decodeBytes(m_buffer.lineBytes(line));
        text.replace(QLatin1Char('\t'), QLatin1Char(' '));
        // What does not fit the page's width goes on below.
        qsizetype at = 0;
        do {
            qsizetype end = at;
            int x = 0;
            while (end < text.size() &&
                   (end == at || x + metrics.horizontalAdvance(text[end]) <= width))
                x += metrics.horizontalAdvance(text[end++]);
            put(text.mid(at, end - at));
            at = end;
        } while (at < text.size());
    }
    painter.end();
}

} // namespace kordavel
