// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and saving program files. A long program is opened on another thread and saved in
// slices, so the window repaints, shows the progress and other windows' transfers keep
// their pace; a short one is read or written at once.
#include "DocumentBuilder.h"
#include "DocumentRichText.h"
#include "EditorLimits.h"
#include "LineEndData.h"
#include "RichTextBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <limits>
#include <new>

namespace kordavel {

namespace {

// Files from this size on open on another thread; documents from this length on are saved
// in slices. Below them the whole work takes a few tens of milliseconds.
constexpr qint64 kBackgroundBytes = 256 * 1024;
constexpr int kSlicedCharacters = 512 * 1024;
int slicedForTests = 0;
constexpr qint64 kSliceNs = 20'000'000;
constexpr qint64 kQuietMs = 1000; // progress shows from the second second on

int slicedCharacters()
{
    return slicedForTests > 0 ? slicedForTests : kSlicedCharacters;
}

} // namespace

void setSlicedSaveCharacters(int characters)
{
    slicedForTests = characters;
}

struct RichTextBox::SaveJob {
    // What the worker writes: the encoding runs on its thread too.
    struct Written {
        QString path;
        std::function<QByteArray()> bytes;
        bool ok = false;
        QString error;
    };

    void startReading(const QTextDocument &document)
    {
        source = const_cast<QTextDocument *>(&document);
        reader = std::make_unique<DocumentReader>(document);
        lineEnds.clear();
        if (format != FileFormat::PlainText)
            return;
        reader->onBlock = [this](const QTextBlock &block) {
            const auto *data = dynamic_cast<const LineEndData *>(block.userData());
            lineEnds << (data ? data->lineEnd : fileEnd);
        };
    }
    QByteArray encode()
    {
        return encodeProgramFile(reader->take(), format, fileEnd, lineEnds, encoding);
    }
    std::function<QByteArray()> encodeLater()
    {
        return [content = reader->take(), format = format, fileEnd = fileEnd, lineEnds = lineEnds,
                encoding = encoding] {
            return encodeProgramFile(content, format, fileEnd, lineEnds, encoding);
        };
    }

    QString path;
    FileFormat format = FileFormat::Rtf;
    bool keepFormat = false; // the editor takes the format once the file is written
    LineEnd fileEnd = LineEnd::CrLf;
    QList<LineEnd> lineEnds;
    TextEncoding encoding = TextEncoding::Windows1252;
    std::unique_ptr<DocumentReader> reader;
    QPointer<QTextDocument> source;
    // Long saves only.
    QPointer<RichTextBox> owner; // read on the editor's thread only
    bool wasLocked = false;
    bool changed = false;
    bool shown = false;
    int blocks = 1;
    QElapsedTimer clock;
    QMetaObject::Connection watch;
    QTimer *slicer = nullptr;
};

struct RichTextBox::OpenJob {
    QString path;
    QFont font;
    QThread *target = nullptr;
    QPointer<RichTextBox> owner;
    BuildProgress progress;
    QElapsedTimer clock;
    QTimer *ticker = nullptr;
    bool wasLocked = false;
    bool shown = false;
    // Filled by the worker before it hands back.
    QTextDocument *document = nullptr;
    FileCheck problem;
    FileFormat format = FileFormat::Rtf;
    LineEnd lineEnd = LineEnd::CrLf;
    TextEncoding encoding = TextEncoding::Windows1252;
};

RichTextBox::~RichTextBox()
{
    if (m_opening)
        m_opening->progress.cancelled = true;
}

bool RichTextBox::loadFile(const QString &path)
{
    dropOpen();
    m_openProblem = FileCheck();
    try {
        const std::optional<ProgramFile> file = loadProgramFile(path, &m_openProblem);
        if (!file)
            return false;
        // The new document is made whole before it replaces the old one.
        installDocument(file->content);
        m_format = file->format;
        m_lineEnd = file->lineEnd;
        m_encoding = file->encoding;
        markLineEnds(*document(), file->lineEnds, m_lineEnd);
    } catch (const std::bad_alloc &) {
        m_openProblem.problem = FileProblem::OutOfMemory;
        return false;
    }
    return true;
}

void RichTextBox::openFile(const QString &path)
{
    dropOpen();
    // Anything but a regular file, or one too large, is refused before it is opened.
    m_openProblem = checkRegularFile(path, editorLimits().bytes);
    if (!m_openProblem.ok()) {
        emit fileOpened(false);
        return;
    }
    if (m_openProblem.size < kBackgroundBytes) {
        emit fileOpened(loadFile(path));
        return;
    }
    auto job = std::make_shared<OpenJob>();
    job->path = path;
    job->font = document()->defaultFont();
    job->target = thread();
    job->owner = this;
    job->wasLocked = locked();
    job->clock.start();
    job->ticker = new QTimer(this);
    connect(job->ticker, &QTimer::timeout, this, [this, job] {
        if (job->clock.elapsed() < kQuietMs)
            return;
        job->shown = true;
        emit fileProgress(false, job->progress.permille / 10);
    });
    job->ticker->start(100);
    m_opening = job;
    setLocked(true);

    QThreadPool::globalInstance()->start([job] {
        // Running out of memory here is a failed open, not the end of the program.
        try {
            std::optional<ProgramFile> file = loadProgramFile(job->path, &job->problem);
            if (file && !job->progress.cancelled) {
                std::unique_ptr<QTextDocument> document(
                    buildDocument(file->content, job->font, &job->progress));
                if (document) {
                    markLineEnds(*document, file->lineEnds, file->lineEnd);
                    job->format = file->format;
                    job->lineEnd = file->lineEnd;
                    job->encoding = file->encoding;
                    document->moveToThread(job->target);
                    job->document = document.release();
                }
            }
        } catch (const std::bad_alloc &) {
            job->problem.problem = FileProblem::OutOfMemory;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [job] {
                if (job->owner && job->owner->m_opening == job)
                    job->owner->finishOpen(job);
                else
                    delete job->document;
            },
            Qt::QueuedConnection);
    });
}

void RichTextBox::finishOpen(const std::shared_ptr<OpenJob> &job)
{
    dropOpen();
    m_openProblem = job->problem;
    if (!job->document) {
        emit fileOpened(false);
        return;
    }
    job->document->setParent(this);
    swapIn(job->document);
    m_format = job->format;
    m_lineEnd = job->lineEnd;
    m_encoding = job->encoding;
    emit fileOpened(true);
}

void RichTextBox::dropOpen()
{
    if (!m_opening)
        return;
    const std::shared_ptr<OpenJob> job = std::move(m_opening);
    job->progress.cancelled = true;
    delete job->ticker;
    setLocked(job->wasLocked);
    if (job->shown)
        emit fileProgress(false, -1);
}

bool RichTextBox::writeFile(const QString &path, FileFormat format, bool keepFormat)
{
    if (m_saving || isOpening() || isBusy())
        return false;
    m_saveError.clear();
    auto job = std::make_shared<SaveJob>();
    job->path = path;
    job->format = format;
    job->keepFormat = keepFormat;
    job->fileEnd = m_lineEnd;
    job->encoding = m_encoding;
    job->startReading(*document());
    if (document()->characterCount() < slicedCharacters()) {
        job->reader->read(std::numeric_limits<int>::max());
        if (!writeFileAtomically(path, job->encode(), &m_saveError))
            return false;
        document()->setModified(false);
        if (keepFormat)
            m_format = format;
        return true;
    }

    // Slices of reading from a timer, the events of the window and the other windows between
    // them; the user's edits wait, the editor being locked.
    job->owner = this;
    job->wasLocked = locked();
    job->blocks = document()->blockCount();
    job->clock.start();
    job->watch =
        connect(document(), &QTextDocument::contentsChange, this, [job] { job->changed = true; });
    job->slicer = new QTimer(this);
    job->slicer->setSingleShot(true);
    connect(job->slicer, &QTimer::timeout, this, [this, job] { saveSlice(job); });
    m_saving = job;
    setLocked(true);
    job->slicer->start(0);
    return true;
}

void RichTextBox::saveSlice(const std::shared_ptr<SaveJob> &job)
{
    if (job->source != document()) {
        // The document was replaced meanwhile: the text as it is now is saved, read at once.
        disconnect(job->watch);
        job->changed = true;
    }
    if (job->changed) {
        // Something was added meanwhile (a receive): read the text as it is now, at once.
        job->changed = false;
        job->startReading(*document());
        job->reader->read(std::numeric_limits<int>::max());
    }
    QElapsedTimer slice;
    slice.start();
    while (!job->reader->atEnd() && slice.nsecsElapsed() < kSliceNs)
        job->reader->read(256);
    if (!job->reader->atEnd()) {
        reportSave(job, int(qint64(job->reader->blocksRead()) * 50 / qMax(1, job->blocks)));
        job->slicer->start(0);
        return;
    }
    disconnect(job->watch);
    reportSave(job, 50);
    delete job->slicer;
    job->slicer = nullptr;

    // The worker owns what it writes; the editor may go away before it ends.
    auto written = std::make_shared<SaveJob::Written>();
    written->path = job->path;
    written->bytes = job->encodeLater();
    job->reader.reset();
    QThreadPool::globalInstance()->start([job, written]() mutable {
        written->ok = writeFileAtomically(written->path, written->bytes(), &written->error);
        written->bytes = {};
        // The job is let go on the editor's thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [job = std::move(job), written] {
                if (job->owner && job->owner->m_saving == job)
                    job->owner->finishSave(job, written->ok, written->error);
            },
            Qt::QueuedConnection);
    });
}

void RichTextBox::reportSave(const std::shared_ptr<SaveJob> &job, int percent)
{
    if (job->clock.elapsed() < kQuietMs)
        return;
    job->shown = true;
    emit fileProgress(true, percent);
}

void RichTextBox::finishSave(const std::shared_ptr<SaveJob> &job, bool ok, const QString &error)
{
    m_saving.reset();
    m_saveError = error;
    setLocked(job->wasLocked);
    if (job->shown)
        emit fileProgress(true, -1);
    if (ok) {
        document()->setModified(false);
        if (job->keepFormat)
            m_format = job->format;
    }
    emit fileSaved(ok);
}

bool RichTextBox::saveFile(const QString &path)
{
    return writeFile(path, m_format, false);
}

bool RichTextBox::saveFileAs(const QString &path)
{
    return writeFile(path, formatForFileName(path), true);
}

} // namespace kordavel
