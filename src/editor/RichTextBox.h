// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GCodeHighlighter.h"
#include "ProgramFile.h"
#include "ProgramText.h"

#include <QByteArray>
#include <QColor>
#include <QTextCursor>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QPrinter;

namespace kordavel {

class LineNumberGutter;
struct FlatText;

// The program editor control. Positions and lengths count a line end as two
// characters (CR LF), as the program is stored and sent; the whole text and the selected
// text use CR LF line ends. Rich text goes in and out as RTF source.
class RichTextBox : public QTextEdit, public ProgramText {
    Q_OBJECT
public:
    // The state of a formatting attribute over the selection.
    enum class TriState { None, All, Mixed };

    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    // Whole content.
    QString text() const override;
    void setText(const QString &text) override;
    QByteArray textRTF() const;
    void setTextRTF(QByteArrayView rtf);
    int textLength() const override;
    // The character at a 0-based position (CR or LF at a line end); a null QChar outside.
    QChar charAt(int position) const;
    QString textRange(int start, int length) const override;

    // Adds plain text in the default format after the end, as an undo step of its own, or,
    // with `sameStep`, as part of the step that the last append or whole replacement made
    // when nothing else came since (all the text of a receive goes back in one step).
    void appendText(const QString &text, bool sameStep = false) override;

    // Caret and selection. Setting the start collapses the selection.
    int selStart() const override;
    void setSelStart(int start) override;
    int selLength() const override;
    void setSelLength(int length) override;
    void select(int start, int length);
    QString selText() const override;
    void setSelText(const QString &text) override;
    QByteArray selRTF() const;
    void setSelRTF(QByteArrayView rtf);

    // Formatting of the selection, or of the character before the caret.
    TriState selBold() const;
    void setSelBold(bool on);
    TriState selItalic() const;
    void setSelItalic(bool on);
    TriState selUnderline() const;
    void setSelUnderline(bool on);
    TriState selStrikeThru() const;
    void setSelStrikeThru(bool on);
    std::optional<QString> selFontName() const; // nothing when mixed
    void setSelFontName(const QString &name);
    std::optional<double> selFontSize() const;
    void setSelFontSize(double points);
    std::optional<QColor> selColor() const; // invalid QColor: the default colour
    void setSelColor(const QColor &color);

    // Marks that draw a range struck through without changing the text (sent lines).
    // A mark that continues the last one lengthens it.
    void markStruck(int start, int length);
    void clearStruckMarks();
    QList<std::pair<int, int>> struckMarks() const; // start and length of each mark
    // Whether any character of the text itself is formatted struck through.
    bool hasStrikeThru() const;

    // Read-only for the user; the caret still moves and code may still change the text.
    bool locked() const override;
    void setLocked(bool on) override;

    // Files. A program keeps the format it was loaded in; a new one is rich text.
    // Loading is not an edit: it raises no Change. Only regular files within editorLimits
    // load; a failed load, memory running out included, keeps the text.
    bool loadFile(const QString &path);
    // Opens a file without holding up the window: a large one is read and set up on another
    // thread while the editor keeps its old text, locked, and fileOpened tells how it went; a
    // small one opens at once. A second open, or the editor going away, drops the first.
    void openFile(const QString &path) override;
    bool isOpening() const { return m_opening != nullptr; }
    // Why the last load or open failed.
    const FileCheck &openProblem() const override { return m_openProblem; }
    // Saves the program. A short one is written at once: true when it was. A long one is read
    // in slices between the window's events and written on another thread: true says it is
    // under way (isSaving), the editor locked meanwhile, and fileSaved tells how it ended.
    // False: it failed at once, or a save or an open is under way already.
    bool saveFile(const QString &path) override;
    bool isSaving() const override { return m_saving != nullptr; }
    // Saves under a new name, in the format that name calls for (taken once it is written).
    bool saveFileAs(const QString &path) override;
    // Why the last save failed, as the system says it; empty when it did not fail.
    QString saveError() const override { return m_saveError; }
    FileFormat fileFormat() const override { return m_format; }
    void setFileFormat(FileFormat format) { m_format = format; }
    LineEnd lineEnd() const override { return m_lineEnd; }
    // How a plain file's characters are stored: as it was read (Windows-1252 for a new text).
    TextEncoding textEncoding() const override { return m_encoding; }

    // The position of the first match within [start, end) (end -1: the end of the text),
    // or -1. Case is ignored unless FindMatchCase is given.
    int find(const QString &text, int start, int end = -1, FindOptions options = {}) const override;

    // Prints the selection, or everything when nothing is selected.
    void selPrint(QPrinter *printer) const override;

    // Clipboard with both rich text (RTF) and plain program text.
    void copyToClipboard() override;
    void cutToClipboard() override;
    void pasteFromClipboard() override;

    // The mime data the clipboard carries for a selection, and what a paste inserts.
    static const QString &rtfMimeType();

    // Display only, never part of the text (RichTextBoxView.cpp): G-code words in colour
    // and line numbers at the left. Both are off until switched on.
    bool highlighting() const override { return m_highlighter.enabled(); }
    void setHighlighting(bool on) override;
    bool lineNumbers() const override { return m_gutter != nullptr; }
    void setLineNumbers(bool on) override;
    LineNumberGutter *lineNumberGutter() const { return m_gutter; }

    // The history of edits (RichTextBoxHistory.cpp). Every edit is a step: typing, a paste,
    // a change of format, a replacement of the whole content (setText, setTextRTF, which
    // change only the lines that differ), a rewrite. Undo takes the steps back one at a time
    // back to the text as loaded, Redo takes them forward again; a new edit drops what Redo
    // had. Loading a file starts the history afresh. The history keeps differences, not
    // copies of the text; the changed flag follows it (back at the saved text, unchanged).
    void undo() override;
    void redo() override;
    bool isUndoAvailable() const override;
    bool isRedoAvailable() const override;
    bool isModified() const override;

    // Rewrites the whole text as one undo step: `transform` gets the text and gives the new
    // text, or nothing when nothing changes. Only the lines that differ change. A short text
    // is rewritten at once. For a long one, the transform runs on another thread, and the
    // text is read and the changes are made in slices between the window's events, with
    // the editor locked meanwhile (workProgress tells how far, from the second second on);
    // rewritten reports the end. The Undo and Redo of such a step run in slices too.
    using Transform = std::function<std::optional<RichText>(const RichText &)>;
    void rewrite(Transform transform);
    // A rewrite, or the Undo or Redo of a long one, runs.
    bool isBusy() const override { return m_rewrite != nullptr || m_history != nullptr; }
    enum class Work { Rewrite, Undo, Redo };
    Q_ENUM(Work)

    // Edits made on the document through cursor() while one lives form one undo step. A
    // step over many lines holds the layout back meanwhile and on its undo and redo, and the
    // rest of the text is laid out in the background afterwards.
    class EditStep {
    public:
        explicit EditStep(RichTextBox &editor);
        ~EditStep();
        EditStep(const EditStep &) = delete;
        EditStep &operator=(const EditStep &) = delete;
        QTextCursor &cursor() { return m_cursor; }

    private:
        RichTextBox &m_editor;
        QTextCursor m_cursor;
        int m_from = 0;
        bool m_long = false;
    };

    // The rest of ProgramText (RichTextBoxText.cpp).
    QWidget *widget() override { return this; }
    void selectRange(int start, int length) override { select(start, length); }
    int caretPosition() const override;
    int lineCount() const override;
    int caretLineNumber() const override;
    int lineStartPosition(int line) const override;
    int lineOfPosition(int position) const override;
    QString lineText(int line) const override;
    void showCaret() override { ensureCursorVisible(); }
    int replaceEvery(const QString &text, const QString &with, FindOptions options) override;
    void strike(int start, int length) override { markStruck(start, length); }
    void clearStrikes() override { clearStruckMarks(); }
    QList<std::pair<int, int>> strikes() const override { return struckMarks(); }

signals:
    void Change();
    void SelChange();
    // A key went down: its key code (Windows virtual-key numbering, 27 for Escape).
    void KeyDown(int keyCode, Qt::KeyboardModifiers modifiers);
    // A key produced a character. The handler may replace it, or cancel it with 0.
    void KeyPress(int &keyAscii);
    void fileOpened(bool ok);
    // A long save has ended; saveError tells why it failed.
    void fileSaved(bool ok);
    // Undo or Redo became possible or impossible, or the lock changed (also when work in
    // slices ends).
    void undoRedoChanged();
    void modificationChanged(bool modified);
    // Work in slices that has run for a second: percent done, then -1 when it is over.
    void workProgress(kordavel::RichTextBox::Work work, int percent);
    // A rewrite is over; changed when it changed the text.
    void rewritten(bool changed);
    // An open or a save that has run for a second: percent done, then -1 when it is over.
    void fileProgress(bool saving, int percent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void replaceAll(const RichText &content);
    void installDocument(const RichText &content);
    void swapIn(QTextDocument *fresh);
    void connectDocument();
    // History (RichTextBoxHistory.cpp).
    struct RewriteJob;
    struct HistoryJob;
    struct Step {
        int from; // positions on the document's undo stack
        int to;
        bool wide; // over many lines: the layout waits while it is undone or redone
    };
    void watchHistory();
    void resetHistory();
    void noteEdit(int position, int removed, int added);
    bool applyAll(const FlatText &before, const FlatText &after);
    void dropRewrite();
    // Opens a step (or, with join, goes on with the last one when nothing came since);
    // returns where it began on the document's undo stack, for endStep.
    int beginStep(QTextCursor &cursor, bool join);
    void endStep(QTextCursor &cursor, int from, bool longStep);
    void pauseLayout();
    void resumeLayout();
    bool isLongText() const;
    void rewriteSlice(std::shared_ptr<RewriteJob> job);
    void rewriteTransformed(const std::shared_ptr<RewriteJob> &job);
    void finishRewrite(const std::shared_ptr<RewriteJob> &job, bool changed);
    void takeStep(bool back);
    void historySlice();
    void dropHistory();
    TriState selFlag(bool (*get)(const QTextCharFormat &)) const;
    void mergeSelection(const QTextCharFormat &format);
    template <typename T>
    std::optional<T> selCommon(T (*get)(const QTextCharFormat &, const QFont &)) const;
    bool writeFile(const QString &path, FileFormat format, bool keepFormat);
    struct SaveJob;
    void saveSlice(const std::shared_ptr<SaveJob> &job);
    void reportSave(const std::shared_ptr<SaveJob> &job, int percent);
    void finishSave(const std::shared_ptr<SaveJob> &job, bool ok, const QString &error);
    struct OpenJob;
    void finishOpen(const std::shared_ptr<OpenJob> &job);
    void dropOpen();
    void onSelectionMaybeChanged();
    // What the view shows beside and over the text (RichTextBoxView.cpp). Changes of the
    // document, of the scroll position and of the view's size ask for one pass, run once
    // the events at hand are handled: never inside a signal of the document, which may be
    // in the middle of rebuilding itself (QTextDocument::clear() sets its cursors aside
    // meanwhile, and a cursor freed then is written into later).
    void refreshViewLater();
    void refreshView();
    void colourShownLines();
    void showSelections();
    void placeGutter();

    FileFormat m_format = FileFormat::Rtf;
    LineEnd m_lineEnd = LineEnd::CrLf;
    TextEncoding m_encoding = TextEncoding::Windows1252;
    bool m_loading = false;
    std::shared_ptr<SaveJob> m_saving;
    QString m_saveError;
    std::shared_ptr<OpenJob> m_opening;
    FileCheck m_openProblem;
    // Steps that span many lines, or several of the document's own steps (a rewrite made in
    // slices); other steps are the document's own.
    QList<Step> m_steps;
    int m_undoState = 0; // the stack's position after the last edit seen
    int m_joinable = -1; // the stack's position after a step that an append may join
    int m_joinFrom = -1; // where that step began
    int m_stepStart = 0; // the stack's position when the current step began
    int m_stepFirst = 0; // the document range the current step has changed so far
    int m_stepLast = -1;
    bool m_ownEdit = false; // an undo, a redo or a step of this control runs
    int m_layoutHeld = 0;   // how many holds of the layout run
    bool m_layoutPaused = false;
    QSizeF m_heldPageSize; // the page size while the layout is held
    std::shared_ptr<RewriteJob> m_rewrite;
    std::shared_ptr<HistoryJob> m_history;
    int m_lastAnchor = -1;
    int m_lastPosition = -1;
    GCodeHighlighter m_highlighter;
    // Drawn over the text: the colours of the lines in view, then the struck marks.
    QList<ExtraSelection> m_colours;
    QList<ExtraSelection> m_struck;
    bool m_refreshPending = false;
    LineNumberGutter *m_gutter = nullptr;
};

// Windows virtual-key code of a Qt key (0 for keys without one).
int virtualKeyCode(int qtKey);

} // namespace kordavel
