// SPDX-License-Identifier: GPL-3.0-or-later
// The program view as a ProgramText: positions count every line end as two characters
// (CR LF) and map to the buffer's byte offsets through its count of one-byte line ends.
#include "ProgramView.h"

#include "RichText.h"

#include <QThread>

namespace kordavel {

namespace {

QString withCrLf(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

qint64 g_backgroundSaveFrom = 0;

qint64 backgroundSaveFrom()
{
    return g_backgroundSaveFrom > 0 ? g_backgroundSaveFrom : qint64(8) << 20;
}

// The file's bytes: byte for byte, or under a .dnc name rich text in the default format.
QByteArray fileBytes(const LineBuffer &buffer, FileFormat format)
{
    if (format == FileFormat::PlainText)
        return buffer.toBytes();
    RichText content;
    content.append(buffer.text(0, buffer.size()), defaultCharFormat());
    return encodeProgramFile(content, FileFormat::Rtf, LineEnd::CrLf);
}

int toInt(qint64 value)
{
    return int(std::min<qint64>(value, INT_MAX));
}

} // namespace

ProgramView *programView(ProgramText *text)
{
    return text ? qobject_cast<ProgramView *>(text->widget()) : nullptr;
}

void ProgramView::watchHistory()
{
    connect(this, &ProgramView::Change, this, [this] {
        ++m_changes;
        historyMoved();
    });
}

void ProgramView::historyMoved()
{
    const bool modified = m_buffer.isModified();
    if (std::exchange(m_wasModified, modified) != modified)
        emit modificationChanged(modified);
    const bool undo = m_buffer.canUndo();
    const bool redo = m_buffer.canRedo();
    if (std::exchange(m_couldUndo, undo) != undo || std::exchange(m_couldRedo, redo) != redo)
        emit undoRedoChanged();
}

QString ProgramView::text() const
{
    return withCrLf(m_buffer.text(0, m_buffer.size()));
}

void ProgramView::setText(const QString &text)
{
    const QByteArray bytes = LineBuffer::encode(text, m_buffer.lineEnd());
    if (m_buffer.replace(0, m_buffer.size(), bytes))
        edited(0);
}

int ProgramView::textLength() const
{
    return toInt(m_buffer.positionCount());
}

QString ProgramView::textRange(int start, int length) const
{
    const qint64 from = m_buffer.offsetOfPosition(start);
    const qint64 to = m_buffer.offsetOfPosition(qint64(start) + std::max(length, 0));
    return withCrLf(m_buffer.text(from, to - from));
}

int ProgramView::selStart() const
{
    return toInt(m_buffer.positionOf(std::min(m_caret, m_anchor)));
}

void ProgramView::setSelStart(int start)
{
    setCaret(m_buffer.offsetOfPosition(start));
}

int ProgramView::selLength() const
{
    return toInt(m_buffer.positionOf(std::max(m_caret, m_anchor)) -
                 m_buffer.positionOf(std::min(m_caret, m_anchor)));
}

void ProgramView::setSelLength(int length)
{
    selectRange(selStart(), length);
}

void ProgramView::selectRange(int start, int length)
{
    select(m_buffer.offsetOfPosition(start),
           m_buffer.offsetOfPosition(qint64(start) + std::max(length, 0)));
}

QString ProgramView::selText() const
{
    return withCrLf(selectedText());
}

// Code may change a locked text (a replacement checks the lock before).
void ProgramView::setSelText(const QString &text)
{
    const QByteArray bytes = LineBuffer::encode(text, m_buffer.lineEnd());
    const qint64 from = std::min(m_caret, m_anchor);
    if (m_buffer.replace(from, std::max(m_caret, m_anchor) - from, bytes))
        edited(from + bytes.size());
}

int ProgramView::caretPosition() const
{
    return toInt(m_buffer.positionOf(m_caret));
}

int ProgramView::lineCount() const
{
    return toInt(m_buffer.lineCount());
}

int ProgramView::caretLineNumber() const
{
    return toInt(caretLine());
}

int ProgramView::lineStartPosition(int line) const
{
    if (line < 0 || line >= m_buffer.lineCount())
        return -1;
    return toInt(m_buffer.positionOf(m_buffer.lineStart(line)));
}

int ProgramView::lineOfPosition(int position) const
{
    return toInt(m_buffer.lineAt(m_buffer.offsetOfPosition(position)));
}

QString ProgramView::lineText(int line) const
{
    return m_buffer.line(line);
}

int ProgramView::find(const QString &text, int start, int end, FindOptions options) const
{
    if (text.isEmpty())
        return -1;
    int flags = 0;
    if (options.testFlag(FindWholeWord))
        flags |= LineBuffer::WholeWord;
    if (options.testFlag(FindMatchCase))
        flags |= LineBuffer::MatchCase;
    const QByteArray needle = LineBuffer::encode(text, m_buffer.lineEnd());
    const qint64 at = m_buffer.find(needle, m_buffer.offsetOfPosition(start), flags);
    if (at < 0)
        return -1;
    const qint64 position = m_buffer.positionOf(at);
    if (end >= 0 && position + needle.size() > end)
        return -1;
    return toInt(position);
}

void ProgramView::setLocked(bool on)
{
    if (std::exchange(m_readOnly, on) != on)
        emit undoRedoChanged();
}

bool ProgramView::isUndoAvailable() const
{
    return m_buffer.canUndo();
}

bool ProgramView::isRedoAvailable() const
{
    return m_buffer.canRedo();
}

void ProgramView::openFile(const QString &path)
{
    m_openProblem = loadFile(path);
    const bool ok = m_openProblem.ok();
    if (ok)
        m_format = FileFormat::PlainText;
    historyMoved();
    emit fileOpened(ok);
}

struct ProgramView::SaveJob {
    LineBuffer text; // the text as it was when the save began
    QString path;
    FileFormat format;
    quint64 changes;
    bool ok = false;
    QString error;
};

void ProgramView::setBackgroundSaveFrom(qint64 bytes)
{
    g_backgroundSaveFrom = bytes;
}

// A plain program is written byte for byte, every line with its own end; under a .dnc
// name it becomes rich text in the default format. A long one is written on another
// thread from a copy of the buffer (its bytes shared, not copied), so that the window
// answers meanwhile; the file is marked saved only when no change came since.
bool ProgramView::writeFile(const QString &path, FileFormat format)
{
    if (m_saving)
        return false;
    m_saveError.clear();
    if (m_buffer.size() < backgroundSaveFrom()) {
        if (!writeFileAtomically(path, fileBytes(m_buffer, format), &m_saveError))
            return false;
        m_format = format;
        m_buffer.setSaved();
        historyMoved();
        return true;
    }
    auto job =
        std::make_shared<SaveJob>(SaveJob{m_buffer.textOnly(), path, format, m_changes, false, {}});
    m_saving = job;
    QThread *worker = QThread::create([job] {
        job->ok = writeFileAtomically(job->path, fileBytes(job->text, job->format), &job->error);
        job->text = LineBuffer(); // let go of the copy on this thread
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, job] {
        m_saving.reset();
        m_saveError = job->error;
        if (job->ok) {
            m_format = job->format;
            if (job->changes == m_changes)
                m_buffer.setSaved();
        }
        historyMoved();
        emit undoRedoChanged(); // the view takes edits again
        emit fileSaved(job->ok);
    });
    worker->start();
    emit undoRedoChanged();
    return true;
}

bool ProgramView::saveFile(const QString &path)
{
    return writeFile(path, m_format);
}

bool ProgramView::saveFileAs(const QString &path)
{
    return writeFile(path, formatForFileName(path));
}

int ProgramView::replaceEvery(const QString &text, const QString &with, FindOptions options)
{
    int flags = 0;
    if (options.testFlag(FindWholeWord))
        flags |= LineBuffer::WholeWord;
    if (options.testFlag(FindMatchCase))
        flags |= LineBuffer::MatchCase;
    return toInt(replaceAll(text, with, flags));
}

void ProgramView::strike(int start, int length)
{
    markStruck(m_buffer.offsetOfPosition(start),
               m_buffer.offsetOfPosition(qint64(start) + std::max(length, 0)));
}

void ProgramView::clearStrikes()
{
    clearStruckMarks();
}

QList<std::pair<int, int>> ProgramView::strikes() const
{
    QList<std::pair<int, int>> out;
    for (const auto &[from, to] : struckMarks()) {
        const qint64 start = m_buffer.positionOf(from);
        out.append({toInt(start), toInt(m_buffer.positionOf(to) - start)});
    }
    return out;
}

void ProgramView::selPrint(QPrinter *printer) const
{
    print(printer, std::min(m_caret, m_anchor), std::max(m_caret, m_anchor));
}

} // namespace kordavel
