// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GCodeHighlighter.h"
#include "LineBuffer.h"
#include "ProgramText.h"

#include <QAbstractScrollArea>

#include <memory>
#include <utility>
#include <vector>

class QPrinter;

namespace kordavel {

// A view of a plain program of any length over a LineBuffer: lines of one height, only
// those in view laid out and painted, with G-code colours and line numbers; a caret and a
// selection moved by mouse and keys; typing, Backspace, Delete, the clipboard (plain and RTF),
// Undo and Redo. The vertical scroll bar counts lines, so ten million of them scroll as
// well as ten. A TAB shows as one blank; a line shows its first kShownColumns characters.
//
// Typed characters pass KeyPress first, as they do in the rich-text control: the handler
// may change the code or set it to 0 to drop it; 13 puts in a line break (the file's own),
// 8 takes back the character before the caret.
class ProgramView : public QAbstractScrollArea, public ProgramText {
    Q_OBJECT
public:
    static constexpr int kShownColumns = 4096;

    explicit ProgramView(QWidget *parent = nullptr);

    const LineBuffer &buffer() const { return m_buffer; }
    // Reads a program; the view shows its start.
    FileCheck loadFile(const QString &path);
    void setBytes(QByteArray bytes);
    bool save(QIODevice &device) const { return m_buffer.save(device); }

    // Offsets in the buffer: the caret, and the other end of the selection.
    qint64 caret() const { return m_caret; }
    qint64 anchor() const { return m_anchor; }
    qint64 caretLine() const { return m_buffer.lineAt(m_caret); }
    qint64 caretColumn() const { return m_caret - m_buffer.lineStart(caretLine()); }
    void setCaret(qint64 offset, bool keepAnchor = false);
    void select(qint64 from, qint64 to);
    bool hasSelection() const { return m_caret != m_anchor; }
    QString selectedText() const;

    // Read-only for the user: locked, or a long save under way.
    bool isReadOnly() const { return m_readOnly || isSaving(); }
    void setReadOnly(bool on) { m_readOnly = on; }
    bool coloured() const { return m_highlighter.enabled(); }
    void setColoured(bool on);
    bool lineNumbers() const override { return m_lineNumbers; }
    void setLineNumbers(bool on) override;

    // The offset nearest a point of the viewport, and where a character is drawn in it
    // (null when its line is out of view).
    qint64 offsetAt(const QPoint &point) const;
    QRect characterRect(qint64 offset) const;

    // The first line in view and how many whole lines the view holds.
    qint64 firstVisibleLine() const;
    int visibleLines() const;
    void ensureCaretVisible();

    // The selection replaced by text (line breaks become the file's own).
    void insertText(const QString &text);
    void cut();
    void copy() const;
    void paste();
    void undo() override;
    void redo() override;
    void selectAll();
    // Selects the next match after the caret; false when there is none.
    bool findNext(const QString &text, int flags = 0);
    // The whole text rewritten line by line (LineBuffer::rewriteLines); one Undo step.
    bool rewriteLines(const LineBuffer::LineRewrite &rewrite);

    // The program text in positions, a line end counting two (ProgramViewText.cpp).
    QWidget *widget() override { return this; }
    QString text() const override;
    void setText(const QString &text) override;
    int textLength() const override;
    QString textRange(int start, int length) const override;
    int selStart() const override;
    void setSelStart(int start) override;
    int selLength() const override;
    void setSelLength(int length) override;
    void selectRange(int start, int length) override;
    QString selText() const override;
    void setSelText(const QString &text) override;
    int caretPosition() const override;
    int lineCount() const override;
    int caretLineNumber() const override;
    int lineStartPosition(int line) const override;
    int lineOfPosition(int position) const override;
    QString lineText(int line) const override;
    void showCaret() override { ensureCaretVisible(); }
    int find(const QString &text, int start, int end = -1, FindOptions options = {}) const override;
    int replaceEvery(const QString &text, const QString &with, FindOptions options) override;
    bool locked() const override { return m_readOnly; }
    void setLocked(bool on) override;
    void strike(int start, int length) override;
    void clearStrikes() override;
    QList<std::pair<int, int>> strikes() const override;
    bool isUndoAvailable() const override;
    bool isRedoAvailable() const override;
    bool isModified() const override { return m_buffer.isModified(); }
    void openFile(const QString &path) override;
    const FileCheck &openProblem() const override { return m_openProblem; }
    bool saveFile(const QString &path) override;
    bool saveFileAs(const QString &path) override;
    // A long program is written on another thread (fileSaved tells how it ended); the view
    // takes no edit meanwhile.
    bool isSaving() const override { return m_saving != nullptr; }
    QString saveError() const override { return m_saveError; }
    FileFormat fileFormat() const override { return m_format; }
    LineEnd lineEnd() const override { return m_buffer.lineEnd(); }
    TextEncoding textEncoding() const override { return TextEncoding::Windows1252; }
    bool isBusy() const override { return isSaving(); }
    // From this many bytes on a save runs on another thread.
    static void setBackgroundSaveFrom(qint64 bytes);
    void copyToClipboard() override { copy(); }
    void cutToClipboard() override { cut(); }
    void pasteFromClipboard() override { paste(); }
    void selPrint(QPrinter *printer) const override;
    bool highlighting() const override { return coloured(); }
    void setHighlighting(bool on) override { setColoured(on); }

signals:
    // Undo or Redo became possible or impossible, or the lock changed.
    void undoRedoChanged();
    void modificationChanged(bool modified);
    void fileOpened(bool ok);
    // A save on another thread has ended; saveError tells why it failed.
    void fileSaved(bool ok);
    void KeyDown(int keyCode, Qt::KeyboardModifiers modifiers);
    void KeyPress(int &keyAscii);
    void Change();
    void SelChange();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void afterLoad();
    // Tells of changes of the history and of the changed flag (ProgramViewText.cpp).
    void watchHistory();
    void historyMoved();
    bool writeFile(const QString &path, FileFormat format);
    void updateScrollBars();
    int gutterWidth() const;
    int textLeft() const;
    // The line as shown: its first kShownColumns characters, a TAB as a blank.
    QString shownText(qint64 line) const;
    int columnX(const QString &text, qint64 column) const;
    void moveCaret(QKeyEvent *event);
    void typeCode(int code);
    void removeBack();
    void removeForward();
    void edited(qint64 caret);
    void caretMoved();
    void paintLine(QPainter &painter, qint64 line, int top);

    LineBuffer m_buffer;
    GCodeHighlighter m_highlighter;
    qint64 m_caret = 0;
    qint64 m_anchor = 0;
    qint64 m_goalColumn = -1; // kept by Up, Down, PgUp and PgDn
    bool m_readOnly = false;
    bool m_lineNumbers = true;
    int m_lineHeight = 1;
    int m_widest = 0; // of the lines laid out so far, for the horizontal scroll bar
    // As a program's text (ProgramViewText.cpp).
    FileFormat m_format = FileFormat::PlainText;
    FileCheck m_openProblem;
    QString m_saveError;
    struct SaveJob;
    std::shared_ptr<SaveJob> m_saving;
    quint64 m_changes = 0; // every Change counted, to know whether a save wrote the last text
    bool m_wasModified = false;
    bool m_couldUndo = false;
    bool m_couldRedo = false;

    // --- transfers, print, clipboard, Replace (ProgramViewMarks.cpp, ProgramViewPrint.cpp,
    // ProgramViewClipboard.cpp) ------------------------------------------------------------
public:
    // Marks that show a range struck through (sent lines): no edit, no Change, never saved.
    // A mark that continues the last one lengthens it; marks that meet become one.
    void markStruck(qint64 from, qint64 to);
    void clearStruckMarks();
    QList<std::pair<qint64, qint64>> struckMarks() const; // from, to
    // Puts the text after the end (line breaks become the file's own), an Undo step of its
    // own or, with sameStep, part of the step the last append made when no other edit came
    // since. Works on a locked view too. The view follows the end when the caret was there.
    void appendText(const QString &text, bool sameStep = false) override;
    // Prints the lines of from..to (everything when from == to) in the view's font, black on
    // white, a page at a time.
    void print(QPrinter *printer, qint64 from, qint64 to) const;
    // Every match of text (no line breaks; flags as LineBuffer::FindFlag) replaced, line by
    // line, in one Undo step; how many. 0 when locked.
    qint64 replaceAll(const QString &text, const QString &with, int flags);
    // The selection replaced by with, a step of its own; false when locked.
    bool replaceSelection(const QString &with);
    // A selection longer than this many bytes is copied as plain text only (0: 64 MiB).
    static void setRichCopyLimit(qint64 bytes);

private:
    void paintStruck(QPainter &painter, qint64 line, const std::vector<int> &xs, int left,
                     int top) const;
    void closeAppendStep();

    std::vector<std::pair<qint64, qint64>> m_struck; // sorted, apart
    bool m_appendOpen = false; // the last edit was an append that the next one may join
    qint64 m_appendEnd = -1;   // where it ended
    bool m_appendCr = false;   // and its text ended with a CR
};

} // namespace kordavel
