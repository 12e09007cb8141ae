// SPDX-License-Identifier: GPL-3.0-or-later
// Sends at the line's speed: the window keeps the line busy, never more than LinePace's
// window ahead of what the line has carried, from steps of a timer of its own that return
// to the event loop at once. Flow control holds it as it holds a paced send; the progress
// shows a few times a second; the closing CR LF, the drain and the stop are the paced
// send's. Sends of a file from disk, at either pace, in the file-transfer view.
#include "frmProgram.h"

#include "FileProblemText.h"
#include "FileSendView.h"
#include "ProgramPanel.h"
#include "StreamSendSource.h"
#include "TransferSteps.h"

#include "common/AppState.h"
#include "common/MessageBox.h"
#include "editor/RichTextBox.h"

#include "dnc/LineSettings.h"
#include "dnc/SerialLine.h"
#include "dnc/ucDnc.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>

namespace kordavel {

namespace {

// While flow control holds the send, its state is looked at this often.
constexpr int kHeldWakeMs = 10;
// The strike-through and the status bar follow the send this often.
constexpr qint64 kShowEveryMs = 250;
// A file sent at 0.4 s per line goes a line a step, a longer one in pieces of this length.
constexpr qint64 kLongestPiece = 65536;

} // namespace

void frmProgram::startFeed(std::unique_ptr<SendSource> source)
{
    m_source = std::move(source);
    m_lineSpeed = true;
    m_closingHanded = false;
    m_struckTo = lngSendStart;
    const qint64 now = transferClock();
    m_sendClock.start(now);
    m_shownAt = now;
    m_pace.start(parseLineSettings(ucDnc1->MSComm1().Settings()).value_or(LineSettings{}), now);
    m_feed->start(0);
}

void frmProgram::feedStep()
{
    if (m_closing || m_stopping || !m_source || m_wait != Wait::None || ucDnc1->Action() != actSend)
        return;
    const int wake = feed();
    if (wake >= 0 && m_source && m_wait == Wait::None && ucDnc1->Action() == actSend)
        m_feed->start(wake);
}

int frmProgram::feed()
{
    const qint64 now = transferClock();
    int queued = 0;
    bool known = false;
    const bool counted = ucDnc1->Backlog(queued, known);
    if (ucDnc1->Action() != actSend)
        return -1;
    const int room = counted ? m_pace.room(now, queued, known) : 0;
    if (m_closingHanded) {
        // As the paced send: once the line has carried everything (the port holds nothing),
        // the drain, so that the last bytes leave before the port closes.
        if (room < LinePace::kAhead)
            return m_pace.wakeMs(known);
        showFeedProgress();
        finishSend(true);
        return -1;
    }
    if (!ucDnc1->Held()) {
        for (int left = room; left > 0 && !m_closingHanded;) {
            const bool closing = m_source->atEnd();
            if (closing && (left < 2 || m_source->failed()))
                break;
            const QString piece = closing ? QStringLiteral("\r\n") : m_source->take(left);
            handing(piece);
            const bool utf8 = m_sendUtf8 && !m_fileSend;
            const qint64 handed =
                std::max<qint64>(ucDnc1->Hand(utf8 ? utf8Piece(piece) : piece), 0);
            if (ucDnc1->Action() != actSend)
                return -1;
            m_pace.handed(handed);
            left -= int(handed);
            m_closingHanded = closing;
            if (m_fileSend && !closing)
                fileView->sent(piece);
        }
    }
    if (!sourceReadable())
        return -1;
    if (now - m_shownAt >= kShowEveryMs) {
        m_shownAt = now;
        showFeedProgress();
    }
    return ucDnc1->Held() ? kHeldWakeMs : m_pace.wakeMs(known);
}

void frmProgram::showFeedProgress()
{
    if (m_fileSend) {
        fileView->flush();
        showProgress(m_source->position(), 0, m_source->total());
        return;
    }
    const qint64 at = lngSendStart + m_source->position();
    if (at > m_struckTo)
        strikeThrough(int(m_struckTo), int(at - m_struckTo));
    m_struckTo = at;
    lngPosition = qint32(at);
    emit sendProgress(lngSendStart, lngPosition);
    showProgress(at, lngSendStart, qint64(lngSendStart) + lngSendLength);
}

void frmProgram::SendFile(const QString &path)
{
    if (m_wait == Wait::Pause || m_text->isBusy() || ucDnc1->Action() != actIdle)
        return;
    FileCheck problem;
    std::unique_ptr<SendSource> source = openSendFile(path, &problem);
    if (!source) {
        MsgBox(fileProblemText(path, problem, true), MsgIcon::Exclamation,
               QLatin1String(kProductName), this);
        return;
    }
    m_sendPath = path;
    m_restartHeader.clear();
    stbPanel[1]->setText(GetString(QStringLiteral("Send"), 127));
    startPause();
    m_startSource = std::move(source);
    m_startPath = path;
}

void frmProgram::showFileView(const QString &path)
{
    if (!fileView)
        fileView = new FileSendView(this);
    fileView->start(path);
    fileView->setGeometry(m_text->widget()->geometry());
    m_text->widget()->hide();
    fileView->show();
    fileView->txtLines->setFocus();
}

// As sendStep: a line a step, the closing CR LF and the drain after the last.
void frmProgram::fileStep()
{
    m_piece = m_source->takeLine(kLongestPiece);
    if (!sourceReadable())
        return;
    m_wait = Wait::Piece;
    handing(m_piece);
    ucDnc1->Send(m_piece);
}

void frmProgram::filePieceSent()
{
    if (ucDnc1->Action() != actSend || !m_source)
        return;
    fileView->sent(std::exchange(m_piece, QString()));
    showFeedProgress();
    if (m_source->atEnd())
        finishSend(false);
}

// What went last, a piece on its way included, is with the port whole. The rest of its block
// follows, with the block's end where the source has none; then the drain, as at the end of
// a send: bounded by the time the line takes for what is queued, it takes the place of the
// wait of a piece on its way.
void frmProgram::finishBlock()
{
    if (m_blockOpen) {
        // A paced send from the editor has gone to lngPosition of its region.
        const qint64 regionEnd = qint64(lngSendStart) + lngSendLength + 1;
        TextSendSource region(
            m_sendText.mid(lngPosition, qsizetype(std::max<qint64>(0, regionEnd - lngPosition))));
        const QString rest = restOfBlock(m_source ? m_source.get() : &region, kLongestPiece);
        if (m_fileSend)
            fileView->sent(rest);
        handing(rest);
        ucDnc1->Hand(m_sendUtf8 && !m_fileSend ? utf8Piece(rest) : rest);
        if (ucDnc1->Action() != actSend)
            return; // the port failed: the transfer has ended
    }
    m_wait = Wait::Drain;
    ucDnc1->Drain();
}

bool frmProgram::sourceReadable()
{
    const FileCheck problem = m_source->problem();
    if (problem.ok())
        return true;
    endTransfer();
    if (problem.problem != FileProblem::Unreadable) {
        showTransferMessage(fileProblemText(m_sendPath, problem, true));
        return false;
    }
    const QString system = problem.systemReason();
    showTransferMessage(m_sendPath + QLatin1Char('\n') +
                        GetString(QStringLiteral("The file could not be read to its end."), 434) +
                        (system.isEmpty() ? QString() : QLatin1Char(' ') + system));
    return false;
}

// Everything has left: the port closes. A file that grew meanwhile says what went.
void frmProgram::endSend()
{
    const bool grown = m_fileSend && m_source && m_source->grown();
    const qint64 sent = m_source ? m_source->total() : 0;
    endTransfer();
    if (grown)
        showTransferMessage(m_sendPath + QLatin1Char('\n') +
                                GetString(QStringLiteral("The file grew while it was being sent. "
                                                         "What it held when the send began was "
                                                         "sent: %1 bytes; what was added was not."),
                                          508)
                                    .arg(sent),
                            MsgIcon::Information);
}

} // namespace kordavel
