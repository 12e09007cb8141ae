// SPDX-License-Identifier: GPL-3.0-or-later
// What the editor shows beside the text and over it, without changing it: G-code colours
// and line numbers. Only the lines in view are coloured, when they are drawn, so a program
// of millions of lines opens as fast with colours as without.
#include "LineNumberGutter.h"
#include "RichTextBox.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>

namespace kordavel {

namespace {

bool darkBackground(const QWidget *widget)
{
    return widget->palette().color(QPalette::Base).lightness() < 128;
}

} // namespace

void RichTextBox::setHighlighting(bool on)
{
    m_highlighter.setDark(darkBackground(this));
    m_highlighter.setEnabled(on);
    viewport()->update();
}

void RichTextBox::setLineNumbers(bool on)
{
    if (on == lineNumbers())
        return;
    if (on) {
        m_gutter = new LineNumberGutter(this);
        connect(verticalScrollBar(), &QScrollBar::valueChanged, m_gutter,
                qOverload<>(&QWidget::update));
        connect(this, &QTextEdit::cursorPositionChanged, m_gutter, qOverload<>(&QWidget::update));
        m_gutter->show();
    } else {
        delete m_gutter;
        m_gutter = nullptr;
    }
    placeGutter();
}

void RichTextBox::placeGutter()
{
    const int width = m_gutter ? m_gutter->neededWidth() : 0;
    if (viewportMargins().left() != width)
        setViewportMargins(width, 0, 0, 0);
    if (m_gutter) {
        const QRect view = viewport()->geometry();
        m_gutter->setGeometry(view.left() - width, view.top(), width, view.height());
    }
}

void RichTextBox::colourShownBlocks(const QRect &rect)
{
    QTextDocument *doc = document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    const int offset = verticalScrollBar()->value();
    int from = -1;
    int to = -1;
    for (QTextBlock block = cursorForPosition(QPoint(0, rect.top())).block(); block.isValid();
         block = block.next()) {
        if (layout->blockBoundingRect(block).top() - offset > rect.bottom())
            break;
        if (m_highlighter.apply(block)) {
            if (from < 0)
                from = block.position();
            to = block.position() + block.length();
        }
    }
    if (from < 0)
        return;
    // The new formats cleared the blocks' rows: lay them out again before they are drawn.
    // Colours change no size or place, and this paint draws them: the layout need not
    // ask for another paint.
    const QSignalBlocker quiet(layout);
    doc->markContentsDirty(from, to - from);
}

void RichTextBox::paintEvent(QPaintEvent *event)
{
    colourShownBlocks(event->rect());
    QTextEdit::paintEvent(event);
}

void RichTextBox::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    placeGutter();
}

void RichTextBox::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        m_highlighter.setDark(darkBackground(this));
        viewport()->update();
    }
}

} // namespace kordavel
