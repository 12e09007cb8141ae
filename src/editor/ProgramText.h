// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlainTextFile.h"
#include "ProgramFile.h"

#include "common/RegularFile.h"

#include <QFlags>
#include <QList>
#include <QObject>
#include <QString>

#include <utility>

class QPrinter;
class QWidget;

namespace kordavel {

// What the program window, the tools, the caret panel, the preview and the frame ask of a
// program's text, whichever control shows it: the rich-text control (RTF programs and new
// ones) or the program view (plain programs of any length).
//
// Positions and lengths count every line end as two characters (CR LF), as the program is
// stored and sent; the whole text, a range and the selected text come with CR LF line ends.
// Lines count from 0.
//
// The signals stay on each control, under the same names (Change, SelChange, KeyDown,
// KeyPress, fileOpened, undoRedoChanged, modificationChanged): connectText
// connects either kind. Formatting (bold, fonts, RTF of the selection) is the rich-text
// control's alone: richText() gives it, and nothing for the view.
class ProgramText {
public:
    enum FindOption { FindWholeWord = 0x2, FindMatchCase = 0x4 };
    Q_DECLARE_FLAGS(FindOptions, FindOption)

    virtual ~ProgramText() = default;

    virtual QWidget *widget() = 0;

    // Whole content.
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual int textLength() const = 0;
    virtual QString textRange(int start, int length) const = 0;
    // Adds text after the end as an Undo step of its own, or, with sameStep, as part of the
    // step the last append made when nothing else came since.
    virtual void appendText(const QString &text, bool sameStep = false) = 0;

    // The selection: its start, its length, the caret at its end. Setting the start
    // collapses the selection.
    virtual int selStart() const = 0;
    virtual void setSelStart(int start) = 0;
    virtual int selLength() const = 0;
    virtual void setSelLength(int length) = 0;
    virtual void selectRange(int start, int length) = 0;
    virtual QString selText() const = 0;
    virtual void setSelText(const QString &text) = 0;
    // The caret: the end of the selection that moves.
    virtual int caretPosition() const = 0;

    // Lines.
    virtual int lineCount() const = 0;
    virtual int caretLineNumber() const = 0;
    virtual int lineStartPosition(int line) const = 0;
    virtual int lineOfPosition(int position) const = 0;
    virtual QString lineText(int line) const = 0;
    virtual void showCaret() = 0;

    // The position of the first match within [start, end) (end -1: the end of the text),
    // or -1; letter case is ignored unless FindMatchCase is given.
    virtual int find(const QString &text, int start, int end = -1,
                     FindOptions options = {}) const = 0;
    // Every match from the end of the selection to the end, then from the start up to
    // there, replaced once, as one Undo step; the number replaced.
    virtual int replaceEvery(const QString &text, const QString &with, FindOptions options) = 0;

    // Read-only for the user; code may still change the text.
    virtual bool locked() const = 0;
    virtual void setLocked(bool on) = 0;

    // Marks that draw sent text struck through without changing it.
    virtual void strike(int start, int length) = 0;
    virtual void clearStrikes() = 0;
    virtual QList<std::pair<int, int>> strikes() const = 0; // start and length of each

    // History.
    virtual void undo() = 0;
    virtual void redo() = 0;
    virtual bool isUndoAvailable() const = 0;
    virtual bool isRedoAvailable() const = 0;
    virtual bool isModified() const = 0;

    // Files: openFile reports through fileOpened (at once or later); a long save of the
    // rich-text control through its fileSaved (isSaving meanwhile).
    virtual void openFile(const QString &path) = 0;
    virtual const FileCheck &openProblem() const = 0;
    virtual bool saveFile(const QString &path) = 0;
    virtual bool saveFileAs(const QString &path) = 0;
    virtual bool isSaving() const = 0;
    virtual QString saveError() const = 0;
    virtual FileFormat fileFormat() const = 0;
    virtual LineEnd lineEnd() const = 0;
    virtual TextEncoding textEncoding() const = 0;
    // Work in slices runs (a rewrite, or the Undo or Redo of a long one).
    virtual bool isBusy() const = 0;

    virtual void copyToClipboard() = 0;
    virtual void cutToClipboard() = 0;
    virtual void pasteFromClipboard() = 0;
    // Prints the selection, or everything when nothing is selected.
    virtual void selPrint(QPrinter *printer) const = 0;

    // Display only: G-code colours and line numbers.
    virtual bool highlighting() const = 0;
    virtual void setHighlighting(bool on) = 0;
    virtual bool lineNumbers() const = 0;
    virtual void setLineNumbers(bool on) = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ProgramText::FindOptions)

class RichTextBox;
class ProgramView;

// The rich-text control behind a program text; nothing for the program view.
RichTextBox *richText(ProgramText *text);
ProgramView *programView(ProgramText *text);

// Connects the signal of that name of either control:
// connectText(text, &RichTextBox::Change, &ProgramView::Change, context, functor).
template <typename Rich, typename View, typename... Args, typename Functor>
QMetaObject::Connection connectText(ProgramText *text, void (Rich::*rich)(Args...),
                                    void (View::*view)(Args...), const QObject *context,
                                    Functor &&functor)
{
    if (Rich *box = qobject_cast<Rich *>(text->widget()))
        return QObject::connect(box, rich, context, std::forward<Functor>(functor));
    return QObject::connect(static_cast<View *>(text->widget()), view, context,
                            std::forward<Functor>(functor));
}

} // namespace kordavel
