// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineNumberGutter.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

namespace kordavel {

namespace {

constexpr int kPadding = 4;

} // namespace

LineNumberGutter::LineNumberGutter(QTextEdit *editor) : QWidget(editor), m_editor(editor)
{
    setObjectName(QStringLiteral("lineNumbers"));
    setAutoFillBackground(false);
}

int LineNumberGutter::neededWidth() const
{
    int digits = 1;
    for (int count = std::max(1, m_editor->document()->blockCount()); count >= 10; count /= 10)
        ++digits;
    const QFontMetrics metrics(m_editor->document()->defaultFont());
    return 2 * kPadding + std::max(digits, 3) * metrics.horizontalAdvance(QLatin1Char('9'));
}

QList<LineNumberGutter::ShownLine> LineNumberGutter::shownLines() const
{
    QList<ShownLine> lines;
    const QTextDocument *doc = m_editor->document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    // The gutter stands beside the viewport, as high as it: both scroll by the same offset.
    const int offset = m_editor->verticalScrollBar()->value();
    const int current = m_editor->textCursor().blockNumber();
    for (QTextBlock block = m_editor->cursorForPosition(QPoint(0, 0)).block(); block.isValid();
         block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        const QTextLayout *text = block.layout();
        const bool laidOut = text && text->lineCount() > 0;
        const int top = qRound(rect.top() + (laidOut ? text->lineAt(0).y() : 0.0)) - offset;
        if (top >= height())
            break;
        const int rowHeight = qRound(laidOut ? text->lineAt(0).height() : rect.height());
        const int number = block.blockNumber();
        if (top + rowHeight > 0)
            lines.append({number + 1, top, rowHeight, number == current});
    }
    return lines;
}

void LineNumberGutter::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QPalette &colours = palette();
    painter.fillRect(event->rect(), colours.color(QPalette::Window));
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawLine(width() - 1, event->rect().top(), width() - 1, event->rect().bottom());
    QFont font = m_editor->document()->defaultFont();
    const QColor plain = colours.color(QPalette::PlaceholderText);
    for (const ShownLine &line : shownLines()) {
        if (line.top > event->rect().bottom() || line.top + line.height < event->rect().top())
            continue;
        const QRect row(0, line.top, width() - kPadding, line.height);
        font.setBold(line.current);
        painter.setFont(font);
        if (line.current) {
            painter.fillRect(row.adjusted(0, 0, kPadding - 1, 0), colours.color(QPalette::Base));
            painter.setPen(colours.color(QPalette::WindowText));
        } else {
            painter.setPen(plain);
        }
        painter.drawText(row, Qt::AlignRight | Qt::AlignVCenter, QString::number(line.number));
    }
}

} // namespace kordavel
