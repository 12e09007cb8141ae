// SPDX-License-Identifier: GPL-3.0-or-later
// What the editor shows beside the text and over it, without changing it: G-code colours
// and line numbers. Only the lines in view are coloured, so a program of millions of
// lines opens as fast with colours as without.
#include "LineNumberGutter.h"
#include "RichTextBox.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>

namespace kordavel {

void RichTextBox::setHighlighting(bool on)
{
    m_highlighter.setBackground(palette().color(QPalette::Base));
    m_highlighter.setEnabled(on);
    colourShownLines();
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

void RichTextBox::refreshViewLater()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(this, &RichTextBox::refreshView, Qt::QueuedConnection);
}

// The gutter first: its width sets the view's, and so the lines in view. What the pass
// itself asks for (the view resized by the gutter) is done by then.
void RichTextBox::refreshView()
{
    placeGutter();
    colourShownLines();
    m_refreshPending = false;
}

// The colours are extra selections of the lines in view, drawn over the text; they are
// remade whenever the view scrolls, is resized or its text changes.
void RichTextBox::colourShownLines()
{
    QList<ExtraSelection> colours;
    if (m_highlighter.enabled()) {
        QAbstractTextDocumentLayout *layout = document()->documentLayout();
        const int bottom = verticalScrollBar()->value() + viewport()->height();
        for (QTextBlock block = firstShownBlock(*this); block.isValid(); block = block.next()) {
            if (layout->blockBoundingRect(block).top() > bottom)
                break;
            for (const QTextLayout::FormatRange &range : m_highlighter.formatsFor(block)) {
                ExtraSelection colour{QTextCursor(block), range.format};
                colour.cursor.setPosition(block.position() + range.start);
                colour.cursor.setPosition(block.position() + range.start + range.length,
                                          QTextCursor::KeepAnchor);
                colours.append(colour);
            }
        }
    }
    // Both ends: the cursors of the colours shown follow the edits, and a word replaced by a
    // longer one leaves its old colour ending where the new one ends (QTextCursor's == looks
    // at the position only).
    const auto same = [](const ExtraSelection &a, const ExtraSelection &b) {
        return a.cursor.anchor() == b.cursor.anchor() &&
               a.cursor.position() == b.cursor.position() && a.format == b.format;
    };
    if (std::equal(colours.begin(), colours.end(), m_colours.begin(), m_colours.end(), same))
        return;
    m_colours = colours;
    showSelections();
}

void RichTextBox::showSelections()
{
    setExtraSelections(m_colours + m_struck);
}

void RichTextBox::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    refreshViewLater();
}

void RichTextBox::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        m_highlighter.setBackground(palette().color(QPalette::Base));
        colourShownLines();
    }
}

} // namespace kordavel
