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

QTextBlock firstShownBlock(const QTextEdit &editor)
{
    const QTextDocument *doc = editor.document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    const int offset = editor.verticalScrollBar()->value();
    const QTextBlock guess = editor.cursorForPosition(QPoint(0, 0)).block();
    if (!guess.isValid() || layout->blockBoundingRect(guess).top() <= offset)
        return guess;
    int low = 0;
    int high = guess.blockNumber();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (layout->blockBoundingRect(doc->findBlockByNumber(middle)).bottom() <= offset)
            low = middle + 1;
        else
            high = middle;
    }
    return doc->findBlockByNumber(low);
}

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
    QTextBlock block = firstShownBlock(*m_editor);
    for (int number = block.blockNumber(); block.isValid(); block = block.next(), ++number) {
        const QRectF rect = layout->blockBoundingRect(block);
        const QTextLayout *text = block.layout();
        const bool laidOut = text && text->lineCount() > 0;
        const int top = qRound(rect.top() + (laidOut ? text->lineAt(0).y() : 0.0)) - offset;
        if (top >= height())
            break;
        const int rowHeight = qRound(laidOut ? text->lineAt(0).height() : rect.height());
        if (top + rowHeight > 0)
            lines.append({number + 1, top, rowHeight, number == current});
    }
    return lines;
}

// Plain text drawn at its baseline: no text layout per number.
void LineNumberGutter::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QPalette &colours = palette();
    const QRect area = event->rect();
    painter.fillRect(area, colours.color(QPalette::Window));
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawLine(width() - 1, area.top(), width() - 1, area.bottom());
    QFont font = m_editor->document()->defaultFont();
    painter.setFont(font);
    painter.setPen(colours.color(QPalette::PlaceholderText));
    const QFontMetrics metrics(font);
    for (const ShownLine &line : shownLines()) {
        if (line.top > area.bottom() || line.top + line.height < area.top())
            continue;
        const QString number = QString::number(line.number);
        const QPoint at(width() - kPadding - metrics.horizontalAdvance(number),
                        line.top + (line.height - metrics.height()) / 2 + metrics.ascent());
        if (!line.current) {
            painter.drawText(at, number);
            continue;
        }
        painter.save();
        painter.fillRect(QRect(0, line.top, width() - 1, line.height),
                         colours.color(QPalette::Base));
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(colours.color(QPalette::WindowText));
        painter.drawText(at - QPoint(QFontMetrics(font).horizontalAdvance(number) -
                                         metrics.horizontalAdvance(number),
                                     0),
                         number);
        painter.restore();
    }
}

} // namespace kordavel
