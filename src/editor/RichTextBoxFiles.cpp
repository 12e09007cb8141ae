// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and saving program files. A long program is opened on another thread and saved in
// slices, so the window repaints, shows the progress and other windows' transfers keep
// their pace; a short one is read or written at once.
#include "DocumentBuilder.h"
#include "DocumentRichText.h"
#include "LineEndData.h"
#include "RichTextBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <future>
#include <limits>

namespace kordavel {

namespace {

// Files from this size on open on another thread; documents from this length on are saved
// in slices. Below them the whole work takes a few tens of milliseconds.
constexpr qint64 kBackgroundBytes = 256 * 1024;
constexpr int kSlicedCharacters = 512 * 1024;
constexpr qint64 kSliceNs = 20'000'000;
constexpr qint64 kQuietMs = 1000; // progress shows from the second second on

} // namespace

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
    FileFormat format = FileFormat::Rtf;
    LineEnd lineEnd = LineEnd::CrLf;
};

RichTextBox::~RichTextBox()
{
    if (m_opening)
        m_opening->progress.cancelled = true;
}

bool RichTextBox::loadFile(const QString &path)
{
    dropOpen();
    const std::optional<ProgramFile> file = loadProgramFile(path);
    if (!file)
        return false;
    installDocument(file->content);
    m_format = file->format;
    m_lineEnd = file->lineEnd;
    markLineEnds(*document(), file->lineEnds, m_lineEnd);
    return true;
}

void RichTextBox::openFile(const QString &path)
{
    dropOpen();
    const QFileInfo info(path);
    if (!info.isFile() || info.size() < kBackgroundBytes) {
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
        std::optional<ProgramFile> file = loadProgramFile(job->path);
        if (file && !job->progress.cancelled) {
            job->document = buildDocument(file->content, job->font, &job->progress);
            if (job->document) {
                markLineEnds(*job->document, file->lineEnds, file->lineEnd);
                job->format = file->format;
                job->lineEnd = file->lineEnd;
                job->document->moveToThread(job->target);
            }
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
    if (!job->document) {
        emit fileOpened(false);
        return;
    }
    job->document->setParent(this);
    swapIn(job->document);
    m_format = job->format;
    m_lineEnd = job->lineEnd;
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

bool RichTextBox::writeFile(const QString &path, FileFormat format)
{
    if (m_saving || isOpening() || isBusy())
        return false;
    const LineEnd fileEnd = m_lineEnd;
    QList<LineEnd> lineEnds;
    auto reader = std::make_unique<DocumentReader>(*document());
    auto watchLineEnds = [&] {
        if (format != FileFormat::PlainText)
            return;
        lineEnds.clear();
        reader->onBlock = [&](const QTextBlock &block) {
            const auto *data = dynamic_cast<const LineEndData *>(block.userData());
            lineEnds << (data ? data->lineEnd : fileEnd);
        };
    };
    watchLineEnds();
    if (document()->characterCount() < kSlicedCharacters) {
        reader->read(std::numeric_limits<int>::max());
        if (!writeFileAtomically(path,
                                 encodeProgramFile(reader->take(), format, fileEnd, lineEnds)))
            return false;
        document()->setModified(false);
        return true;
    }

    // Slices of reading with the events of the window and the other windows between them.
    const QPointer<RichTextBox> self(this);
    m_saving = true;
    bool changed = false;
    const auto watch =
        connect(document(), &QTextDocument::contentsChange, this, [&changed] { changed = true; });
    QElapsedTimer clock;
    clock.start();
    bool shown = false;
    const int blocks = document()->blockCount();
    auto report = [&](int percent) {
        if (clock.elapsed() >= kQuietMs) {
            shown = true;
            emit fileProgress(true, percent);
        }
    };
    while (!reader->atEnd()) {
        QElapsedTimer slice;
        slice.start();
        while (!reader->atEnd() && slice.nsecsElapsed() < kSliceNs)
            reader->read(256);
        if (reader->atEnd())
            break;
        report(int(qint64(reader->blocksRead()) * 50 / blocks));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!self)
            return false;
        if (changed) {
            // Something was added meanwhile (a receive): read the text as it is now, at once.
            reader = std::make_unique<DocumentReader>(*document());
            watchLineEnds();
            reader->read(std::numeric_limits<int>::max());
        }
    }
    disconnect(watch);
    report(50);

    QEventLoop loop;
    auto written = std::async(std::launch::async, [&, content = reader->take()] {
        const bool ok =
            writeFileAtomically(path, encodeProgramFile(content, format, fileEnd, lineEnds));
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        return ok;
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    const bool ok = written.get();
    if (!self)
        return ok;
    m_saving = false;
    if (shown)
        emit fileProgress(true, -1);
    if (ok)
        document()->setModified(false);
    return ok;
}

bool RichTextBox::saveFile(const QString &path)
{
    return writeFile(path, m_format);
}

bool RichTextBox::saveFileAs(const QString &path)
{
    const FileFormat format = formatForFileName(path);
    if (!writeFile(path, format))
        return false;
    m_format = format;
    return true;
}

} // namespace kordavel
