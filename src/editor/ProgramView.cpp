// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramView.h"

#include "GCodeWords.h"
#include "KeyAscii.h"
#include "ProgramViewAccessible.h"
#include "RichTextBox.h"
#include "common/CodePage.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <vector>

namespace kordavel {

namespace {

// The x of every character boundary of the text, from 0.
std::vector<int> boundaries(const QFontMetrics &metrics, const QString &text)
{
    std::vector<int> xs(size_t(text.size()) + 1, 0);
    for (qsizetype i = 0; i < text.size(); ++i)
        xs[size_t(i + 1)] = xs[size_t(i)] + metrics.horizontalAdvance(text[i]);
    return xs;
}

} // namespace

ProgramView::ProgramView(QWidget *parent) : QAbstractScrollArea(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(&ProgramViewAccessible::create);
        return true;
    }();
    Q_UNUSED(accessible);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    m_lineHeight = std::max(1, fontMetrics().lineSpacing());
    m_highlighter.setBackground(palette().base().color());
    m_highlighter.setEnabled(true);
    verticalScrollBar()->setSingleStep(1);
    updateScrollBars();
    watchHistory();
}

FileCheck ProgramView::loadFile(const QString &path)
{
    const FileCheck check = m_buffer.load(path);
    if (check.ok())
        afterLoad();
    return check;
}

void ProgramView::setBytes(QByteArray bytes)
{
    m_buffer.setBytes(std::move(bytes));
    afterLoad();
}

void ProgramView::afterLoad()
{
    m_caret = m_anchor = 0;
    m_goalColumn = -1;
    m_widest = 0;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    emit SelChange();
}

void ProgramView::setColoured(bool on)
{
    m_highlighter.setEnabled(on);
    viewport()->update();
}

void ProgramView::setLineNumbers(bool on)
{
    m_lineNumbers = on;
    updateScrollBars();
    viewport()->update();
}

// --- caret and selection ----------------------------------------------------------------

void ProgramView::setCaret(qint64 offset, bool keepAnchor)
{
    offset = std::clamp<qint64>(offset, 0, m_buffer.size());
    // Never between the CR and the LF of a line end.
    const qint64 line = m_buffer.lineAt(offset);
    offset = std::min(offset, m_buffer.lineStart(line) + m_buffer.lineLength(line));
    m_caret = offset;
    // Typing elsewhere is taken back on its own; a receive under way goes on with its step
    // (a key typed after it closes that step first).
    if (!m_appendOpen)
        m_buffer.closeStep();
    if (!keepAnchor)
        m_anchor = offset;
    ensureCaretVisible();
    viewport()->update();
    caretMoved();
    emit SelChange();
}

void ProgramView::caretMoved()
{
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent event(this, int(std::min<qint64>(m_caret, INT_MAX)));
        QAccessible::updateAccessibility(&event);
    }
}

void ProgramView::select(qint64 from, qint64 to)
{
    setCaret(from);
    setCaret(to, true);
}

QString ProgramView::selectedText() const
{
    const qint64 from = std::min(m_caret, m_anchor);
    return m_buffer.text(from, std::max(m_caret, m_anchor) - from);
}

qint64 ProgramView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

int ProgramView::visibleLines() const
{
    return std::max(1, viewport()->height() / m_lineHeight);
}

void ProgramView::ensureCaretVisible()
{
    const qint64 line = caretLine();
    const qint64 first = firstVisibleLine();
    const int shown = visibleLines();
    if (line < first)
        verticalScrollBar()->setValue(int(line));
    else if (line >= first + shown)
        verticalScrollBar()->setValue(int(line - shown + 1));
    const int x = columnX(shownText(line), caretColumn());
    const int width = viewport()->width() - textLeft();
    m_widest = std::max(m_widest, x + 1);
    updateScrollBars();
    QScrollBar *bar = horizontalScrollBar();
    if (x < bar->value())
        bar->setValue(std::max(0, x - width / 4));
    else if (x >= bar->value() + width - 2)
        bar->setValue(x - width + width / 4);
}

// --- geometry ---------------------------------------------------------------------------

int ProgramView::gutterWidth() const
{
    if (!m_lineNumbers)
        return 0;
    const int digits = int(QString::number(m_buffer.lineCount()).size());
    return fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 2) + 8;
}

int ProgramView::textLeft() const
{
    return gutterWidth() + 4;
}

QString ProgramView::shownText(qint64 line) const
{
    const qint64 start = m_buffer.lineStart(line);
    QString text = decodeBytes(
        m_buffer.bytes(start, std::min<qint64>(m_buffer.lineLength(line), kShownColumns)));
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

int ProgramView::columnX(const QString &text, qint64 column) const
{
    const QFontMetrics metrics = fontMetrics();
    int x = 0;
    for (qsizetype i = 0; i < std::min<qint64>(column, text.size()); ++i)
        x += metrics.horizontalAdvance(text[i]);
    return x;
}

qint64 ProgramView::offsetAt(const QPoint &point) const
{
    const int row = point.y() >= 0 ? point.y() / m_lineHeight : -1 - (-point.y() / m_lineHeight);
    const qint64 line = std::clamp<qint64>(firstVisibleLine() + row, 0, m_buffer.lineCount() - 1);
    const QString text = shownText(line);
    const int x = point.x() - textLeft() + horizontalScrollBar()->value();
    const std::vector<int> xs = boundaries(fontMetrics(), text);
    qint64 column = 0;
    while (column < text.size() && x > (xs[size_t(column)] + xs[size_t(column + 1)]) / 2)
        ++column;
    return m_buffer.offsetOf(line, column);
}

QRect ProgramView::characterRect(qint64 offset) const
{
    const qint64 line = m_buffer.lineAt(offset);
    const qint64 row = line - firstVisibleLine();
    if (row < 0 || row > visibleLines())
        return {};
    const QString text = shownText(line);
    const qint64 column = offset - m_buffer.lineStart(line);
    const int x = textLeft() - horizontalScrollBar()->value() + columnX(text, column);
    const int width = column < text.size() ? fontMetrics().horizontalAdvance(text[column])
                                           : fontMetrics().horizontalAdvance(QLatin1Char(' '));
    return QRect(x, int(row) * m_lineHeight, width, m_lineHeight);
}

void ProgramView::updateScrollBars()
{
    const int shown = visibleLines();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, int(std::clamp<qint64>(m_buffer.lineCount() - shown, 0, INT_MAX)));
    vertical->setPageStep(shown);
    const qint64 first = firstVisibleLine();
    const qint64 last = std::min(first + shown + 1, m_buffer.lineCount());
    const QFontMetrics metrics = fontMetrics();
    for (qint64 line = first; line < last; ++line)
        m_widest = std::max(m_widest, metrics.horizontalAdvance(shownText(line)));
    const int width = std::max(1, viewport()->width() - textLeft());
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, m_widest + 8 - width));
    horizontal->setPageStep(width);
    horizontal->setSingleStep(std::max(1, metrics.horizontalAdvance(QLatin1Char('9'))));
}

// --- painting ---------------------------------------------------------------------------

void ProgramView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, palette().base());
    const qint64 first = firstVisibleLine();
    const qint64 last = std::min(first + area.height() / m_lineHeight + 1, m_buffer.lineCount());
    const int gutter = gutterWidth();
    if (gutter > 0) {
        painter.fillRect(0, 0, gutter, area.height(), palette().window());
        painter.setPen(palette().color(QPalette::PlaceholderText));
        const qint64 current = caretLine();
        for (qint64 line = first; line < last; ++line) {
            QFont font = painter.font();
            font.setBold(line == current);
            painter.setFont(font);
            painter.drawText(QRect(0, int(line - first) * m_lineHeight, gutter - 4, m_lineHeight),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(line + 1));
        }
        painter.setFont(font());
    }
    painter.setClipRect(QRect(gutter, 0, area.width() - gutter, area.height()));
    for (qint64 line = first; line < last; ++line)
        paintLine(painter, line, int(line - first) * m_lineHeight);
}

void ProgramView::paintLine(QPainter &painter, qint64 line, int top)
{
    const QString text = shownText(line);
    const std::vector<int> xs = boundaries(fontMetrics(), text);
    const int left = textLeft() - horizontalScrollBar()->value();
    const qint64 start = m_buffer.lineStart(line);
    const qint64 length = m_buffer.lineLength(line);

    const qint64 from = std::min(m_caret, m_anchor);
    const qint64 to = std::max(m_caret, m_anchor);
    if (from != to && from <= start + length && to > start) {
        const auto column = [&](qint64 at) {
            return size_t(std::clamp<qint64>(at - start, 0, text.size()));
        };
        // A selected line end shows as a blank's width.
        const int end = to > start + length ? fontMetrics().horizontalAdvance(QLatin1Char(' ')) : 0;
        painter.fillRect(QRect(left + xs[column(from)], top,
                               xs[column(to)] - xs[column(from)] + end, m_lineHeight),
                         palette().highlight());
    }

    const int baseline = top + fontMetrics().ascent() + (m_lineHeight - fontMetrics().height()) / 2;
    const auto run = [&](qsizetype a, qsizetype b, const QColor &colour) {
        if (b <= a)
            return;
        painter.setPen(colour);
        painter.drawText(QPoint(left + xs[size_t(a)], baseline), text.mid(a, b - a));
    };
    const QColor plain = palette().color(QPalette::Text);
    qsizetype at = 0;
    if (m_highlighter.enabled()) {
        for (const GCodeWord &word : gcodeWords(text)) {
            run(at, word.start, plain);
            run(word.start, word.start + word.length, m_highlighter.colour(word.category));
            at = word.start + word.length;
        }
    }
    run(at, text.size(), plain);
    paintStruck(painter, line, xs, left, top);

    if (hasFocus() && line == caretLine()) {
        const int x = left + xs[size_t(std::min<qint64>(m_caret - start, text.size()))];
        painter.fillRect(QRect(x, top, 2, m_lineHeight), plain);
    }
}

// --- keys -------------------------------------------------------------------------------

void ProgramView::keyPressEvent(QKeyEvent *event)
{
    emit KeyDown(virtualKeyCode(event->key()), event->modifiers());
    event->accept();
    const bool ctrl = event->modifiers() == Qt::ControlModifier;
    const bool ctrlShift = event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
    if (event->matches(QKeySequence::Undo)) {
        undo();
        return;
    }
    if (event->matches(QKeySequence::Redo) || (event->key() == Qt::Key_Y && ctrl) ||
        (event->key() == Qt::Key_Z && ctrlShift)) {
        redo();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        cut();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        paste();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        moveCaret(event);
        return;
    case Qt::Key_Delete:
        if (!isReadOnly() && !(event->modifiers() & ~Qt::KeypadModifier))
            removeForward();
        return;
    default:
        break;
    }
    const int code = keyAsciiOf(event);
    if (code < 0 || isReadOnly()) {
        event->ignore();
        return;
    }
    int keyAscii = code;
    emit KeyPress(keyAscii);
    typeCode(keyAscii);
}

void ProgramView::inputMethodEvent(QInputMethodEvent *event)
{
    if (!isReadOnly()) {
        for (char32_t code : event->commitString().toUcs4()) {
            int keyAscii = int(code);
            emit KeyPress(keyAscii);
            typeCode(keyAscii);
        }
    }
    event->accept();
}

void ProgramView::moveCaret(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const qint64 line = caretLine();
    const qint64 start = m_buffer.lineStart(line);
    const qint64 column = m_caret - start;
    const qint64 length = m_buffer.lineLength(line);
    const qint64 last = m_buffer.lineCount() - 1;
    qint64 target = m_caret;
    qint64 lines = 0; // up (< 0) or down
    switch (event->key()) {
    case Qt::Key_Left:
        if (!shift && hasSelection())
            target = std::min(m_caret, m_anchor);
        else if (column > 0)
            target = m_caret - 1;
        else if (line > 0)
            target = m_buffer.lineStart(line - 1) + m_buffer.lineLength(line - 1);
        break;
    case Qt::Key_Right:
        if (!shift && hasSelection())
            target = std::max(m_caret, m_anchor);
        else if (column < length)
            target = m_caret + 1;
        else if (line < last)
            target = m_buffer.lineStart(line + 1);
        break;
    case Qt::Key_Up:
        lines = -1;
        break;
    case Qt::Key_Down:
        lines = 1;
        break;
    case Qt::Key_PageUp:
        lines = -visibleLines();
        break;
    case Qt::Key_PageDown:
        lines = visibleLines();
        break;
    case Qt::Key_Home:
        target = ctrl ? 0 : start;
        break;
    case Qt::Key_End:
        target = ctrl ? m_buffer.size() : start + length;
        break;
    }
    if (lines != 0) {
        if (m_goalColumn < 0)
            m_goalColumn = column;
        const qint64 to = std::clamp<qint64>(line + lines, 0, last);
        target = m_buffer.offsetOf(to, m_goalColumn);
        if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)
            verticalScrollBar()->setValue(int(firstVisibleLine() + (to - line)));
        const qint64 goal = m_goalColumn;
        setCaret(target, shift);
        m_goalColumn = goal;
        return;
    }
    m_goalColumn = -1;
    setCaret(target, shift);
}

void ProgramView::typeCode(int code)
{
    if (code == 8) {
        removeBack();
        return;
    }
    if (code == 13) {
        insertText(QStringLiteral("\n"));
        return;
    }
    if (code < 32)
        return;
    const int byte = code <= 0xFFFF ? encodeChar(QChar(char16_t(code))) : -1;
    const char typed = char(byte >= 0 ? byte : '?');
    if (hasSelection()) {
        const qint64 from = std::min(m_caret, m_anchor);
        m_buffer.replace(from, std::max(m_caret, m_anchor) - from, QByteArrayView(&typed, 1));
        edited(from + 1);
        return;
    }
    closeAppendStep(); // a key typed after a receive is taken back on its own
    m_buffer.insert(m_caret, QByteArrayView(&typed, 1), true);
    edited(m_caret + 1);
}

void ProgramView::removeBack()
{
    if (hasSelection()) {
        insertText({});
        return;
    }
    if (m_caret == 0)
        return;
    const qint64 line = caretLine();
    const qint64 start = m_buffer.lineStart(line);
    const qint64 from = m_caret > start
                            ? m_caret - 1
                            : m_buffer.lineStart(line - 1) + m_buffer.lineLength(line - 1);
    m_buffer.remove(from, m_caret - from);
    edited(from);
}

void ProgramView::removeForward()
{
    if (hasSelection()) {
        insertText({});
        return;
    }
    const qint64 line = caretLine();
    const qint64 end = m_buffer.lineStart(line) + m_buffer.lineLength(line);
    const qint64 length = m_caret < end ? 1 : m_buffer.lineEndLength(line);
    if (length > 0 && m_buffer.remove(m_caret, length))
        edited(m_caret);
}

void ProgramView::edited(qint64 caret)
{
    m_caret = m_anchor = std::clamp<qint64>(caret, 0, m_buffer.size());
    m_goalColumn = -1;
    updateScrollBars();
    ensureCaretVisible();
    viewport()->update();
    caretMoved();
    emit Change();
    emit SelChange();
}

// --- commands ---------------------------------------------------------------------------

void ProgramView::insertText(const QString &text)
{
    if (isReadOnly())
        return;
    const QByteArray bytes = LineBuffer::encode(text, m_buffer.lineEnd());
    const qint64 from = std::min(m_caret, m_anchor);
    if (m_buffer.replace(from, std::max(m_caret, m_anchor) - from, bytes))
        edited(from + bytes.size());
}

void ProgramView::undo()
{
    if (isReadOnly())
        return;
    const qint64 at = m_buffer.undo();
    if (at >= 0)
        edited(at);
}

void ProgramView::redo()
{
    if (isReadOnly())
        return;
    const qint64 at = m_buffer.redo();
    if (at >= 0)
        edited(at);
}

void ProgramView::selectAll()
{
    select(0, m_buffer.size());
}

bool ProgramView::findNext(const QString &text, int flags)
{
    const QByteArray needle = encodeText(text);
    const qint64 at = m_buffer.find(needle, std::max(m_caret, m_anchor), flags);
    if (at < 0)
        return false;
    select(at, at + needle.size());
    return true;
}

bool ProgramView::rewriteLines(const LineBuffer::LineRewrite &rewrite)
{
    if (isReadOnly())
        return false;
    const qint64 line = caretLine();
    if (!m_buffer.rewriteLines(rewrite))
        return false;
    edited(m_buffer.lineStart(std::min(line, m_buffer.lineCount() - 1)));
    return true;
}

// --- events -----------------------------------------------------------------------------

void ProgramView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_goalColumn = -1;
    setCaret(offsetAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void ProgramView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        setCaret(offsetAt(event->position().toPoint()), true);
}

void ProgramView::mouseReleaseEvent(QMouseEvent *event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void ProgramView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ProgramView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_lineHeight = std::max(1, fontMetrics().lineSpacing());
        m_widest = 0;
        updateScrollBars();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        m_highlighter.setBackground(palette().base().color());
        viewport()->update();
    }
}

void ProgramView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ProgramView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// TAB reaches the keyboard filter, as every typed character does.
bool ProgramView::focusNextPrevChild(bool)
{
    return false;
}

void ProgramView::scrollContentsBy(int, int)
{
    updateScrollBars();
    viewport()->update();
}

} // namespace kordavel
