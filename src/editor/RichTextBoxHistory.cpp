// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and Redo, and changes of the whole text made as differences. The document's own undo
// stack holds every step, so a step keeps only what it changed: a rewrite of a long program
// replaces the middle of each changed line, not the text. A step over many lines holds the
// layout back while it is made, undone or redone (laying out every changed line at once
// would hold up the window for minutes on millions of lines); the rest is laid out in the
// background afterwards, as after a load. A rewrite of a long program is made in slices,
// each a step of the document's own; together they are one step here, whose Undo and Redo
// run in slices too, so the window keeps repainting.
#include "DocumentRichText.h"
#include "LayoutPacer.h"
#include "RichTextBox.h"
#include "TextDiff.h"

#include <QAbstractTextDocumentLayout>
#include <QAbstractUndoItem>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <limits>

namespace kordavel {

namespace {

// A step that spans more lines than this holds the layout back.
constexpr int kLongStepLines = 1000;
// Texts from this length on are rewritten in slices; below, the whole work takes a few tens
// of milliseconds.
constexpr int kSlicedCharacters = 512 * 1024;
constexpr qint64 kSliceNs = 20'000'000;
constexpr qint64 kQuietMs = 1000; // progress shows from the second second on

// Closes a step on the undo stack. Without it the toolkit adds typing that follows a step
// to that step (when it goes on where the step's last insertion ended), and an Undo would
// take both back.
class StepEnd final : public QAbstractUndoItem {
public:
    void undo() override {}
    void redo() override {}
};

// Holds back the layout's own steps in the background (and the pacer's) while a long change
// is made: what they lay out would be cleared again by the change.
class LayoutHold final : public QObject {
public:
    explicit LayoutHold(QObject *layout) : QObject(layout)
    {
        setObjectName(QStringLiteral("layoutHold"));
        layout->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override { return event->type() == QEvent::Timer; }
};

// A slice's timer may be the one whose timeout runs now: it goes once that is over.
void dropTimer(QTimer *&timer)
{
    if (!timer)
        return;
    timer->stop();
    timer->deleteLater();
    timer = nullptr;
}

bool spansManyLines(const QList<TextReplacement> &edits)
{
    return !edits.isEmpty() && edits.last().endLine - edits.first().line >= kLongStepLines;
}

QList<QTextCharFormat> textFormats(const FlatText &text)
{
    QList<QTextCharFormat> formats;
    formats.reserve(text.formats.size());
    for (const CharFormat &format : text.formats)
        formats.append(toTextCharFormat(format));
    return formats;
}

// Makes the replacements [0, next) of the list, last first, so that the lines and columns
// of those still to come stay as they were. With a slice timer, stops when the slice is
// used up (after one replacement at least). Returns the new `next`.
qsizetype replaceLines(QTextDocument &document, QTextCursor &cursor, const FlatText &after,
                       const QList<QTextCharFormat> &formats, const QList<TextReplacement> &edits,
                       qsizetype next, const QElapsedTimer *slice = nullptr)
{
    for (bool once = true; next > 0 && (once || !slice || slice->nsecsElapsed() < kSliceNs);
         once = false) {
        const TextReplacement &edit = edits[--next];
        const QTextBlock first = document.findBlockByNumber(edit.line);
        const QTextBlock last =
            edit.endLine == edit.line ? first : document.findBlockByNumber(edit.endLine);
        if (!first.isValid() || !last.isValid())
            continue;
        cursor.setPosition(first.position() + std::min(edit.column, first.length() - 1));
        cursor.setPosition(last.position() + std::min(edit.endColumn, last.length() - 1),
                           QTextCursor::KeepAnchor);
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        for (int at = edit.from; at < edit.to;) {
            const auto &[end, format] = after.runs[after.runAt(at)];
            const int stop = std::min(end, edit.to);
            cursor.insertText(after.text.mid(at, stop - at), formats[format]);
            at = stop;
        }
    }
    return next;
}

} // namespace

struct RichTextBox::HistoryJob {
    bool back = true;
    int target = 0; // the undo stack's position where the step ends
    int start = 0;
    bool wasLocked = false;
    bool shown = false;
    QElapsedTimer clock;
    QTimer *timer = nullptr;
};

struct RichTextBox::RewriteJob {
    Transform transform;
    QPointer<RichTextBox> owner;
    std::unique_ptr<DocumentReader> reader;
    int blocks = 1;
    RichText before;
    std::atomic<int> percent{0};
    std::atomic<bool> cancelled{false};
    bool working = false; // the transform and the comparison run on another thread
    // Filled by the worker.
    FlatText after;
    QList<TextReplacement> edits;
    // Making the changes.
    QList<QTextCharFormat> formats;
    qsizetype next = 0; // the replacements still to make are [0, next)
    int from = -1;      // where the step began on the undo stack; -1 before the first slice
    bool wide = false;
    bool wasLocked = false;
    bool shown = false;
    QElapsedTimer clock;
    QTimer *timer = nullptr;
};

void RichTextBox::watchHistory()
{
    QTextDocument *doc = document();
    connect(doc, &QTextDocument::contentsChange, this, &RichTextBox::noteEdit);
    connect(doc, &QTextDocument::undoAvailable, this, &RichTextBox::undoRedoChanged);
    connect(doc, &QTextDocument::redoAvailable, this, &RichTextBox::undoRedoChanged);
    connect(doc, &QTextDocument::modificationChanged, this, &RichTextBox::modificationChanged);
}

// A new document: its history starts here.
void RichTextBox::resetHistory()
{
    dropRewrite();
    dropHistory();
    m_layoutHeld = 0; // a hold belonged to the document that went
    m_layoutPaused = false;
    m_steps.clear();
    m_undoState = document()->availableUndoSteps();
    m_joinable = -1;
    m_joinFrom = -1;
    emit undoRedoChanged();
    emit modificationChanged(document()->isModified());
}

// An edit that is no step of this control's (typing, a format) drops what Redo had: the
// document has dropped it too.
void RichTextBox::noteEdit(int position, int removed, int added)
{
    if (m_ownEdit) {
        m_stepFirst = std::min(m_stepFirst, position);
        m_stepLast = std::max(m_stepLast, position + std::max(removed, added));
        return;
    }
    const int known = m_undoState;
    const int state = document()->availableUndoSteps();
    if (state < known)
        m_steps.clear(); // the document's history went (clear)
    else
        m_steps.removeIf([known](const Step &step) { return step.from >= known; });
    m_undoState = state;
    m_joinable = -1;
}

bool RichTextBox::isUndoAvailable() const
{
    return !isBusy() && document()->isUndoAvailable();
}

bool RichTextBox::isRedoAvailable() const
{
    return !isBusy() && document()->isRedoAvailable();
}

bool RichTextBox::isModified() const
{
    return document()->isModified();
}

void RichTextBox::undo()
{
    takeStep(true);
}

void RichTextBox::redo()
{
    takeStep(false);
}

void RichTextBox::takeStep(bool back)
{
    QTextDocument *doc = document();
    if (isBusy() || !(back ? doc->isUndoAvailable() : doc->isRedoAvailable()))
        return;
    const int state = doc->availableUndoSteps();
    const auto step = std::find_if(m_steps.begin(), m_steps.end(),
                                   [&](const Step &s) { return (back ? s.to : s.from) == state; });
    if (step == m_steps.end()) {
        m_ownEdit = true;
        if (back)
            QTextEdit::undo();
        else
            QTextEdit::redo();
        m_ownEdit = false;
        m_undoState = doc->availableUndoSteps();
        m_joinable = -1;
        return;
    }
    // The caret stays where it is: moving it to the far end of the step would lay out
    // every line up to there before the user can go on.
    auto job = std::make_shared<HistoryJob>();
    job->back = back;
    job->target = back ? step->from : step->to;
    job->start = state;
    if (step->wide)
        pauseLayout();
    m_history = job;
    historySlice();
    if (m_history != job)
        return; // done at once
    job->wasLocked = locked();
    job->clock.start();
    job->timer = new QTimer(this);
    connect(job->timer, &QTimer::timeout, this, &RichTextBox::historySlice);
    job->timer->start(0);
    setLocked(true);
}

// Takes the document's own steps back (or forward) up to the end of the step, for a slice
// of time; a short text all at once.
void RichTextBox::historySlice()
{
    const std::shared_ptr<HistoryJob> job = m_history;
    if (!job)
        return;
    QTextDocument *doc = document();
    QTextCursor cursor(doc);
    QElapsedTimer slice;
    slice.start();
    const bool whole = !isLongText();
    m_ownEdit = true;
    for (bool once = true; once || whole || slice.nsecsElapsed() < kSliceNs; once = false) {
        const int state = doc->availableUndoSteps();
        if (job->back ? state <= job->target || !doc->isUndoAvailable()
                      : state >= job->target || !doc->isRedoAvailable())
            break;
        if (job->back)
            doc->undo(&cursor);
        else
            doc->redo(&cursor);
    }
    m_ownEdit = false;
    const int state = doc->availableUndoSteps();
    m_undoState = state;
    m_joinable = -1;
    const bool over = job->back ? state <= job->target || !doc->isUndoAvailable()
                                : state >= job->target || !doc->isRedoAvailable();
    if (!over) {
        if (job->clock.isValid() && job->clock.elapsed() >= kQuietMs) {
            job->shown = true;
            emit workProgress(job->back ? Work::Undo : Work::Redo,
                              int(qint64(std::abs(state - job->start)) * 100 /
                                  std::max(1, std::abs(job->target - job->start))));
        }
        return;
    }
    m_history.reset();
    const bool sliced = job->timer != nullptr;
    dropTimer(job->timer);
    resumeLayout();
    if (sliced)
        setLocked(job->wasLocked);
    if (job->shown)
        emit workProgress(job->back ? Work::Undo : Work::Redo, -1);
    emit undoRedoChanged();
}

// The document the step was taken on goes.
void RichTextBox::dropHistory()
{
    if (!m_history)
        return;
    const std::shared_ptr<HistoryJob> job = std::move(m_history);
    const bool sliced = job->timer != nullptr;
    dropTimer(job->timer);
    if (sliced)
        setLocked(job->wasLocked);
    if (job->shown)
        emit workProgress(job->back ? Work::Undo : Work::Redo, -1);
}

bool RichTextBox::isLongText() const
{
    return document()->blockCount() > kLongStepLines;
}

// A document without a page to lay out on ignores changes; when the page comes back, it is
// laid out again from the start, in the background.
void RichTextBox::pauseLayout()
{
    if (m_layoutHeld++ > 0 || !isLongText())
        return;
    m_heldPageSize = document()->pageSize();
    document()->setPageSize(QSizeF(0, 0));
    new LayoutHold(document()->documentLayout());
    m_layoutPaused = true;
}

void RichTextBox::resumeLayout()
{
    if (m_layoutHeld == 0 || --m_layoutHeld > 0 || !std::exchange(m_layoutPaused, false))
        return;
    QTextDocument *doc = document();
    delete doc->documentLayout()->findChild<QObject *>(QStringLiteral("layoutHold"));
    doc->setPageSize(m_heldPageSize);
    if (!doc->findChild<QObject *>(QStringLiteral("layoutPacer"), Qt::FindDirectChildrenOnly))
        LayoutPacer::pace(doc);
}

int RichTextBox::beginStep(QTextCursor &cursor, bool join)
{
    QTextDocument *doc = document();
    m_ownEdit = true;
    m_stepFirst = std::numeric_limits<int>::max();
    m_stepLast = -1;
    m_stepStart = doc->availableUndoSteps();
    if (join && m_joinable >= 0 && m_joinable == m_stepStart) {
        cursor.joinPreviousEditBlock();
        return m_joinFrom;
    }
    // A new step drops what Redo had.
    const int state = m_stepStart;
    m_steps.removeIf([state](const Step &step) { return step.from >= state; });
    cursor.beginEditBlock();
    return m_stepStart;
}

void RichTextBox::endStep(QTextCursor &cursor, int from, bool longStep)
{
    QTextDocument *doc = document();
    const bool changed = doc->availableUndoSteps() > m_stepStart;
    if (changed)
        doc->appendUndoItem(new StepEnd);
    cursor.endEditBlock();
    m_ownEdit = false;
    const int to = doc->availableUndoSteps();
    m_undoState = to;
    if (!changed)
        return;
    if (m_stepLast >= 0) {
        const int end = std::min(m_stepLast, doc->characterCount() - 1);
        longStep = longStep ||
                   doc->findBlock(end).blockNumber() - doc->findBlock(m_stepFirst).blockNumber() >=
                       kLongStepLines;
    }
    // A step of its own is the document's unless it is long; one that goes on from an
    // earlier step of the document's (a slice of a rewrite) joins it.
    const auto it = std::find_if(m_steps.begin(), m_steps.end(),
                                 [from](const Step &step) { return step.from == from; });
    if (it != m_steps.end()) {
        it->to = to;
        it->wide = it->wide || longStep;
    } else if (longStep || from != m_stepStart) {
        m_steps.append({from, to, longStep});
    }
    m_joinable = to;
    m_joinFrom = from;
}

RichTextBox::EditStep::EditStep(RichTextBox &editor)
    : m_editor(editor), m_cursor(editor.document()), m_long(editor.isLongText())
{
    if (m_long)
        m_editor.pauseLayout();
    m_from = m_editor.beginStep(m_cursor, false);
}

RichTextBox::EditStep::~EditStep()
{
    m_editor.endStep(m_cursor, m_from, false);
    if (m_long)
        m_editor.resumeLayout();
}

// --- whole text ------------------------------------------------------------------------

bool RichTextBox::applyAll(const FlatText &before, const FlatText &after)
{
    const QList<TextReplacement> edits = diffLines(before, after);
    if (edits.isEmpty())
        return false;
    const bool wide = spansManyLines(edits);
    if (wide)
        pauseLayout();
    QTextCursor cursor(document());
    const int from = beginStep(cursor, false);
    replaceLines(*document(), cursor, after, textFormats(after), edits, edits.size());
    endStep(cursor, from, wide);
    if (wide)
        resumeLayout();
    return true;
}

// A new text drops the marks of the old one.
void RichTextBox::replaceAll(const RichText &content)
{
    clearStruckMarks();
    RichText copy = content;
    applyAll(flatten(documentRichText(*document())), flatten(std::move(copy)));
    setTextCursor(QTextCursor(document()));
}

void RichTextBox::rewrite(Transform transform)
{
    if (isBusy() || isOpening() || m_saving) {
        emit rewritten(false);
        return;
    }
    if (document()->characterCount() < kSlicedCharacters) {
        RichText before = documentRichText(*document());
        std::optional<RichText> after = transform(before);
        const bool changed =
            after && applyAll(flatten(std::move(before)), flatten(std::move(*after)));
        emit rewritten(changed);
        return;
    }
    auto job = std::make_shared<RewriteJob>();
    job->transform = std::move(transform);
    job->owner = this;
    job->reader = std::make_unique<DocumentReader>(*document());
    job->blocks = std::max(1, document()->blockCount());
    job->wasLocked = locked();
    job->clock.start();
    job->timer = new QTimer(this);
    connect(job->timer, &QTimer::timeout, this, [this, job] { rewriteSlice(job); });
    job->timer->start(0);
    m_rewrite = job;
    setLocked(true);
}

// One slice of the work between the window's events: reading the text, then making the
// changes. Meanwhile the transform and the comparison run on another thread.
void RichTextBox::rewriteSlice(std::shared_ptr<RewriteJob> job)
{
    if (job != m_rewrite)
        return;
    QElapsedTimer slice;
    slice.start();
    if (job->reader) {
        while (!job->reader->atEnd() && slice.nsecsElapsed() < kSliceNs)
            job->reader->read(256);
        job->percent = int(qint64(job->reader->blocksRead()) * 20 / job->blocks);
        if (job->reader->atEnd()) {
            job->before = job->reader->take();
            job->reader.reset();
            job->working = true;
            job->timer->setInterval(100); // only the progress, until the worker is done
            QThreadPool::globalInstance()->start([job] {
                std::optional<RichText> after = job->transform(job->before);
                job->percent = 35;
                if (after && !job->cancelled) {
                    FlatText before = flatten(std::move(job->before));
                    job->after = flatten(std::move(*after));
                    after.reset();
                    job->percent = 45;
                    job->edits = diffLines(before, job->after);
                }
                job->before = RichText();
                job->percent = 50;
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [job] {
                        if (job->owner && job->owner->m_rewrite == job)
                            job->owner->rewriteTransformed(job);
                    },
                    Qt::QueuedConnection);
            });
        }
    } else if (!job->working) {
        // Each slice is a step of the document's; together they are one step.
        QTextCursor cursor(document());
        const bool opened = job->from >= 0;
        if (!opened && job->wide)
            pauseLayout();
        const int from = beginStep(cursor, false);
        job->next = replaceLines(*document(), cursor, job->after, job->formats, job->edits,
                                 job->next, &slice);
        endStep(cursor, opened ? job->from : from, job->wide);
        if (!opened)
            job->from = from;
        const qsizetype total = std::max<qsizetype>(1, job->edits.size());
        job->percent = 50 + int((total - job->next) * 50 / total);
        if (job->next == 0) {
            finishRewrite(job, true);
            return;
        }
    }
    if (job->clock.elapsed() >= kQuietMs) {
        job->shown = true;
        emit workProgress(Work::Rewrite, job->percent);
    }
}

void RichTextBox::rewriteTransformed(const std::shared_ptr<RewriteJob> &job)
{
    job->working = false;
    if (job->edits.isEmpty()) {
        finishRewrite(job, false);
        return;
    }
    job->formats = textFormats(job->after);
    job->next = job->edits.size();
    job->wide = spansManyLines(job->edits);
    job->timer->setInterval(0);
}

void RichTextBox::finishRewrite(const std::shared_ptr<RewriteJob> &job, bool changed)
{
    dropTimer(job->timer);
    if (job->wide && job->from >= 0)
        resumeLayout();
    m_rewrite.reset();
    setLocked(job->wasLocked);
    if (job->shown)
        emit workProgress(Work::Rewrite, -1);
    emit rewritten(changed);
}

// The document the rewrite works on goes: the rewrite goes with it.
void RichTextBox::dropRewrite()
{
    if (!m_rewrite)
        return;
    const std::shared_ptr<RewriteJob> job = std::move(m_rewrite);
    job->cancelled = true;
    dropTimer(job->timer);
    setLocked(job->wasLocked);
    if (job->shown)
        emit workProgress(Work::Rewrite, -1);
    emit rewritten(false);
}

} // namespace kordavel
