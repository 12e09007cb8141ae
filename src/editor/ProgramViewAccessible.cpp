// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramViewAccessible.h"

#include "ProgramView.h"
#include "common/CodePage.h"

#include <algorithm>
#include <climits>

namespace kordavel {

namespace {

bool isWordByte(char c)
{
    return c != ' ' && c != '\t' && c != '\r' && c != '\n';
}

} // namespace

ProgramViewAccessible::ProgramViewAccessible(ProgramView *view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{}

QAccessibleInterface *ProgramViewAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("kordavel::ProgramView") && object && object->isWidgetType())
        return new ProgramViewAccessible(static_cast<ProgramView *>(object));
    return nullptr;
}

ProgramView *ProgramViewAccessible::view() const
{
    return static_cast<ProgramView *>(widget());
}

void *ProgramViewAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void ProgramViewAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !view()->hasSelection())
        return;
    *startOffset = int(std::min(view()->caret(), view()->anchor()));
    *endOffset = int(std::max(view()->caret(), view()->anchor()));
}

int ProgramViewAccessible::selectionCount() const
{
    return view()->hasSelection() ? 1 : 0;
}

void ProgramViewAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void ProgramViewAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view()->setCaret(view()->caret());
}

void ProgramViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        view()->select(startOffset, endOffset);
}

int ProgramViewAccessible::cursorPosition() const
{
    return int(std::min<qint64>(view()->caret(), INT_MAX));
}

void ProgramViewAccessible::setCursorPosition(int position)
{
    view()->setCaret(position);
}

QString ProgramViewAccessible::text(int startOffset, int endOffset) const
{
    const qint64 size = view()->buffer().size();
    const qint64 from = std::clamp<qint64>(startOffset, 0, size);
    const qint64 to = endOffset < 0 ? size : std::clamp<qint64>(endOffset, from, size);
    return decodeBytes(view()->buffer().bytes(from, std::min<qint64>(to - from, kMaxChars)));
}

void ProgramViewAccessible::around(qint64 offset, QAccessible::TextBoundaryType type, qint64 *start,
                                   qint64 *end) const
{
    const LineBuffer &buffer = view()->buffer();
    const qint64 size = buffer.size();
    offset = std::clamp<qint64>(offset, 0, size);
    switch (type) {
    case QAccessible::CharBoundary:
        *start = offset;
        *end = std::min(offset + 1, size);
        return;
    case QAccessible::WordBoundary: {
        const qint64 line = buffer.lineAt(offset);
        const qint64 lineStart = buffer.lineStart(line);
        const QByteArray bytes = buffer.lineBytes(line);
        qint64 from = offset - lineStart;
        qint64 to = from;
        while (from > 0 && isWordByte(bytes[from - 1]))
            --from;
        while (to < bytes.size() && isWordByte(bytes[to]))
            ++to;
        while (to < bytes.size() && !isWordByte(bytes[to]))
            ++to; // a word takes the blanks after it
        *start = lineStart + from;
        *end = lineStart + std::max(to, from + (from < bytes.size() ? 1 : 0));
        if (to == bytes.size())
            *end = lineStart + to + buffer.lineEndLength(line);
        return;
    }
    case QAccessible::NoBoundary:
        *start = 0;
        *end = size;
        return;
    default: { // lines, sentences and paragraphs are the program's lines, with their ends
        const qint64 line = buffer.lineAt(offset);
        *start = buffer.lineStart(line);
        *end = *start + buffer.lineLength(line) + buffer.lineEndLength(line);
        return;
    }
    }
}

QString ProgramViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                            int *startOffset, int *endOffset) const
{
    qint64 start = 0;
    qint64 end = 0;
    around(offset, type, &start, &end);
    *startOffset = int(start);
    *endOffset = int(std::min<qint64>(end, INT_MAX));
    return text(*startOffset, *endOffset);
}

QString ProgramViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                                int *startOffset, int *endOffset) const
{
    qint64 start = 0;
    qint64 end = 0;
    around(offset, type, &start, &end);
    if (start == 0 || type == QAccessible::NoBoundary) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return textAtOffset(int(start - 1), type, startOffset, endOffset);
}

QString ProgramViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                               int *startOffset, int *endOffset) const
{
    qint64 start = 0;
    qint64 end = 0;
    around(offset, type, &start, &end);
    if (end >= view()->buffer().size() || type == QAccessible::NoBoundary) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return textAtOffset(int(end), type, startOffset, endOffset);
}

int ProgramViewAccessible::characterCount() const
{
    return int(std::min<qint64>(view()->buffer().size(), INT_MAX));
}

QRect ProgramViewAccessible::characterRect(int offset) const
{
    const QRect inView = view()->characterRect(offset);
    if (inView.isNull())
        return {};
    return QRect(view()->viewport()->mapToGlobal(inView.topLeft()), inView.size());
}

int ProgramViewAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint inView = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(inView))
        return -1;
    return int(view()->offsetAt(inView));
}

void ProgramViewAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    view()->setCaret(endIndex);
    view()->setCaret(startIndex);
}

QString ProgramViewAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = offset;
    return {};
}

} // namespace kordavel
