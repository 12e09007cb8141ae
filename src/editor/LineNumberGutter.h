// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QWidget>

class QTextBlock;
class QTextEdit;

namespace kordavel {

// The first block in the editor's view. While a long document is still being laid out,
// the layout's own hit test can answer with a block further down; the blocks above it are
// laid out in order, so the right one is found among them by halving.
QTextBlock firstShownBlock(const QTextEdit &editor);

// The line numbers at the left of an editor, for display only: line 1 is the first line
// of the text, and the caret's line is marked. Only the lines in view are looked at.
class LineNumberGutter : public QWidget {
    Q_OBJECT
public:
    explicit LineNumberGutter(QTextEdit *editor);

    struct ShownLine {
        int number; // 1 for the first line
        int top;    // of its first row, in the gutter's coordinates
        int height;
        bool current;
    };
    // The lines in view, top to bottom.
    QList<ShownLine> shownLines() const;
    // The width that holds every line number of the editor's text.
    int neededWidth() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTextEdit *m_editor;
};

} // namespace kordavel
