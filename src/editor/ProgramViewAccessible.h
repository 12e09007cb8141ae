// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

namespace kordavel {

class ProgramView;

// What assistive technology reads of a program view: its text, one character a byte as the
// buffer holds it (a CR LF line end is two), the caret and the selection, by offset. Lines
// and words are looked up around an offset, so a reader never takes the whole of a long
// program; a request for a range gives at most kMaxChars characters of it.
class ProgramViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    static constexpr int kMaxChars = 1 << 20;

    explicit ProgramViewAccessible(ProgramView *view);
    // The factory that makes one for every ProgramView.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int *startOffset, int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int *startOffset, int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    ProgramView *view() const;
    // The piece of the given kind around offset: [start, end).
    void around(qint64 offset, QAccessible::TextBoundaryType type, qint64 *start,
                qint64 *end) const;
};

} // namespace kordavel
