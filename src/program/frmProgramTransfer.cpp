// SPDX-License-Identifier: GPL-3.0-or-later
// The program window's transfers: Send, Receive, Remote and StopSending, the timer step
// that feeds the channel line by line or collects what it received, and the channel's
// status and error reports.
#include "frmProgram.h"

#include "BufferSendSource.h"
#include "FileSendView.h"
#include "Pause.h"
#include "ProgramPanel.h"
#include "SendSource.h"
#include "TransferSteps.h"

#include "common/AppState.h"
#include "common/MessageBox.h"
#include "dnc/ucDnc.h"
#include "editor/DocumentRichText.h"
#include "editor/ProgramView.h"
#include "editor/RichText.h"
#include "editor/RichTextBox.h"
#include "i18n/Language.h"
#include "profiles/ValueLists.h"

#include <QComboBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <utility>

namespace kordavel {

namespace {

QString sendCaption()
{
    return GetString(QStringLiteral("Send"), 127);
}

// A receive step adds at most this many characters, so that the window answers between steps
// however fast the machine sends: the rest waits in the channel, which holds the machine when
// it piles up, and the next step follows at once.
constexpr qsizetype kReceiveStep = 16 * 1024;
// A line of the program view sent at 0.4 s a line goes whole up to this length, a longer one
// in pieces of it.
constexpr qint64 kLongestLine = 65536;

} // namespace

// Sent lines show struck through; the marks are no change of the program.
void frmProgram::strikeThrough(int start, int length)
{
    m_text->strike(start, length);
}

// Selects the whole text and takes every strike-through off it: the marks of a send, and
// strike-through formatting in the text itself. Where the text has none, the caret only goes
// to its start, as the whole text selected and collapsed leaves it: on a program of a million
// lines even selecting it all costs seconds.
void frmProgram::clearStrikeThrough()
{
    m_text->clearStrikes();
    RichTextBox *box = richText(m_text);
    if (!box || !box->hasStrikeThru()) {
        m_text->setSelStart(0);
        return;
    }
    box->select(0, box->textLength());
    const bool modified = bModified;
    box->setSelStrikeThru(false);
    if (!modified)
        box->document()->setModified(false);
}

// The channel has entered the state: lock the text, disable the panel, show the operation.
void frmProgram::enterState(qint32 state)
{
    actAction = state;
    m_text->setLocked(true);
    if (state == actRemote)
        rtfRemote->setLocked(true);
    picControl->setEnabled(false);
    stbPanel[1]->setText(state == actSend      ? sendCaption()
                         : state == actReceive ? GetString(QStringLiteral("Receive"), 128)
                                               : QStringLiteral("Remote"));
    layoutWindow();
}

void frmProgram::Send()
{
    // A start that waits out its pause is not restarted: the machine would get lines twice.
    if (m_wait == Wait::Pause || m_text->isBusy())
        return;
    if (m_text->textLength() == 0 || ucDnc1->Action() != actIdle) {
        m_text->setSelLength(0);
        return;
    }
    const int selLength = m_text->selLength();
    if (selLength == 0) {
        lngSendStart = 0;
        lngSendLength = m_text->textLength();
    } else {
        lngSendStart = m_text->selStart();
        lngSendLength = selLength - 1;
    }
    m_restartHeader.clear();
    beginSend();
}

void frmProgram::beginSend()
{
    m_headerSent = 0;
    m_headerPiece = false;
    clearStrikeThrough();
    m_text->setSelLength(0);
    lngPosition = lngSendStart;
    lngLineStart = lngSendStart;
    stbPanel[1]->setText(sendCaption());
    m_startSource.reset();
    startPause();
    m_text->setSelLength(0);
}

// The pause before a send, with the window usable; the channel's Finished ends it, a stop
// or the window's close cancels it.
void frmProgram::startPause()
{
    m_wait = Wait::Pause;
    ucDnc1->StartPause(kSendPauseMs);
}

void frmProgram::channelFinished()
{
    switch (std::exchange(m_wait, Wait::None)) {
    case Wait::Pause:
        startAfterPause();
        break;
    case Wait::Piece:
        if (ucDnc1->Action() == actRemote)
            remotePieceSent();
        else if (m_fileSend)
            filePieceSent();
        else
            pieceSent();
        break;
    case Wait::Closing:
        finishSend(true);
        break;
    case Wait::Drain:
        if (ucDnc1->Action() == actSend || ucDnc1->Action() == actRemote)
            endSend();
        break;
    case Wait::None:
        break;
    }
}

void frmProgram::startAfterPause()
{
    std::unique_ptr<SendSource> file = std::move(m_startSource);
    if (m_closing || m_text->isBusy() || ucDnc1->Action() != actIdle)
        return;
    ucDnc1->setAction(actSend);
    if (ucDnc1->Action() != actSend) { // the port did not open: the window stays idle
        if (!file)
            m_text->setSelLength(0);
        stbPanel[1]->clear();
        emit startEnded();
        return;
    }
    startSending(std::move(file));
    emit startEnded();
}

void frmProgram::startSending(std::unique_ptr<SendSource> file)
{
    m_sendClock = SendClock();
    m_handedAny = false;
    m_blockOpen = false;
    if (file) {
        m_fileSend = true;
        showFileView(m_startPath);
        enterState(actSend);
        noteHold();
        if (picControl->controls->cboPace->currentIndex() == 1) {
            startFeed(std::move(file));
        } else {
            m_source = std::move(file);
            m_sendClock.start(transferClock());
        }
        return;
    }
    if (ProgramView *view = programView(m_text)) {
        sendFromView(*view);
        return;
    }
    m_sendText = m_text->text();
    m_sendUtf8 = m_text->fileFormat() == FileFormat::PlainText &&
                 m_text->textEncoding() == TextEncoding::Utf8;
    enterState(actSend);
    noteHold();
    if (picControl->controls->cboPace->currentIndex() == 1) {
        std::unique_ptr<SendSource> text = std::make_unique<TextSendSource>(
            m_sendText.mid(lngSendStart, qsizetype(lngSendLength) + 1));
        if (!m_restartHeader.isEmpty())
            text = std::make_unique<HeaderedSendSource>(
                m_restartHeader.join(QLatin1String("\r\n")) + QLatin1String("\r\n"),
                std::move(text));
        startFeed(std::move(text));
    }
    m_text->setSelLength(0);
}

// The program view's text goes from a copy of its buffer, a piece at a time, at either pace:
// a line a step at 0.4 s a line (sendStep), as the line takes it at its speed.
void frmProgram::sendFromView(const ProgramView &view)
{
    m_sendText.clear();
    m_sendUtf8 = false;
    enterState(actSend);
    noteHold();
    const qint64 end =
        std::min<qint64>(qint64(lngSendStart) + lngSendLength + 1, view.buffer().positionCount());
    std::unique_ptr<SendSource> text =
        std::make_unique<BufferSendSource>(view.buffer().textOnly(), lngSendStart, end);
    if (picControl->controls->cboPace->currentIndex() == 1) {
        if (!m_restartHeader.isEmpty())
            text = std::make_unique<HeaderedSendSource>(
                m_restartHeader.join(QLatin1String("\r\n")) + QLatin1String("\r\n"),
                std::move(text));
        startFeed(std::move(text));
    } else {
        m_source = std::move(text);
    }
    m_text->setSelLength(0);
}

void frmProgram::Receive()
{
    if (m_wait == Wait::Pause || m_text->isBusy() || ucDnc1->Action() != actIdle)
        return;
    ucDnc1->setAction(actReceive);
    if (ucDnc1->Action() != actReceive)
        return;
    m_receivePlain = false;
    m_heldCR = false;
    m_receiveEnd = picControl->controls->cboReceiveEnd->currentIndex();
    m_received = ReceivedText(m_receiveEnd == 1);
    m_receiveEnded = ReceiveEnd::ByHand;
    m_receivedAny = false;
    m_receiveCut = false;
    enterState(actReceive);
}

void frmProgram::Remote()
{
    if (m_wait == Wait::Pause || m_text->isBusy() || ucDnc1->Action() != actIdle)
        return;
    ucDnc1->setAction(actRemote);
    if (ucDnc1->Action() != actRemote)
        return;
    rtfRemote->setText(QString());
    m_text->setText(QString());
    m_sendText.clear();
    m_sendClock = SendClock();
    m_sendClock.start(transferClock());
    enterState(actRemote);
}

// What ends with the channel at every end: a stop, a normal end after the drain, a device
// that went away, the window closing.
void frmProgram::closeChannel()
{
    // The channel may have gone idle by itself (the device went away): what it received
    // still goes into the text.
    if (!m_closing && (ucDnc1->Action() == actReceive || actAction == actReceive))
        takeLastReceived();
    m_wait = Wait::None;
    m_startSource.reset();
    ucDnc1->setAction(actIdle);
    actAction = actIdle;
    m_feed->stop();
    m_receiveMore->stop();
    m_source.reset();
    m_lineSpeed = false;
}

// The one end of every transfer, at every pace and by every stop.
void frmProgram::StopSending()
{
    if (!stopAfterBlock())
        endTransfer();
}

// The machine holds whole blocks only: a send that the machine does not hold finishes the
// block on the line. Nothing has gone yet, a receive, a closing window or the machine
// holding the send: the end comes at once. A stop while one finishes its block changes
// nothing (one Escape may reach the window twice).
bool frmProgram::stopAfterBlock()
{
    if (m_stopping)
        return true;
    if (m_closing || !m_handedAny || actAction != actSend || ucDnc1->Action() != actSend ||
        ucDnc1->Held() || ucDnc1->PieceHeld())
        return false;
    m_stopping = true;
    m_feed->stop();
    stbPanel[1]->setText(GetString(QStringLiteral("Stopping after this block"), 543));
    // A drain under way goes on; the channel's Finished ends the send from there.
    if (m_wait != Wait::Drain)
        finishBlock();
    return true;
}

void frmProgram::endTransfer()
{
    const bool stopped = std::exchange(m_stopping, false);
    const bool received = actAction == actReceive && !m_closing;
    closeChannel();
    m_text->setLocked(false);
    rtfRemote->setLocked(false);
    if (std::exchange(m_fileSend, false)) {
        fileView->hide();
        m_text->widget()->show();
    } else {
        clearStrikeThrough();
        m_text->setSelStart(lngSendStart);
    }
    picControl->setEnabled(true);
    stbPanel[1]->clear();
    stbPanel[2]->clear();
    stbPanel[3]->clear();
    emit buttonState(QStringLiteral("Send"), false);
    emit buttonState(QStringLiteral("Receive"), false);
    emit sendProgress(0, -1);
    stbPanel[0]->setText(GetString(stbPanel[0]->text(), 1));
    // An ended receive says how it ended until the next status.
    const ReceiveEnd ended = std::exchange(m_receiveEnded, ReceiveEnd::ByHand);
    if (received)
        stbPanel[0]->setText(receiveEndText(ended, m_received.count()));
    layoutWindow();
    if (std::exchange(m_receiveCut, false)) {
        const ReceiveLimit limit = receiveLimit();
        MsgBox(GetString(QStringLiteral("The receive stopped: the program has reached %1 lines or "
                                        "%2 characters, the most a program window takes. What "
                                        "the machine sent after that is not in the program."),
                         515)
                   .arg(limit.lines)
                   .arg(limit.characters),
               MsgIcon::Exclamation, QLatin1String(kProductName), this);
    }
    if (!stopped)
        return;
    // A window closed during the stop goes now, without its question again.
    if (std::exchange(m_closeAfterStop, false)) {
        m_closeDecided = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
                frame ? frame->close() : close();
            },
            Qt::QueuedConnection);
    }
    emit stopEnded();
}

void frmProgram::endTransferForClose()
{
    m_closing = true;
    tEvent->stop();
    closeChannel();
}

void frmProgram::tEvent_Timer()
{
    if (m_closing)
        return;
    switch (ucDnc1->Action()) {
    case actSend:
        sendStep();
        break;
    case actReceive:
        receiveStep();
        break;
    case actRemote:
        remoteStep();
        break;
    default:
        break;
    }
}

// A tick while a piece, the closing CR LF or the drain is under way does nothing.
void frmProgram::sendStep()
{
    if (m_lineSpeed || m_stopping || m_wait != Wait::None || ucDnc1->SendInProgress())
        return;
    if (m_fileSend)
        return fileStep();
    if (m_headerSent < m_restartHeader.size()) {
        const QString block = m_restartHeader[m_headerSent] + QLatin1String("\r\n");
        m_headerPiece = true;
        m_wait = Wait::Piece;
        handing(block);
        ucDnc1->Send(block);
        return;
    }
    const qint32 bound = lngSendStart + lngSendLength;
    if (m_source) {
        // The program view's text: a line a step; the last one ends the send.
        m_pieceStart = lngLineStart;
        const QString piece = m_source->takeLine(kLongestLine);
        lngPosition = m_source->atEnd() ? bound + 1 : qint32(lngSendStart + m_source->position());
        m_text->selectRange(m_pieceStart, lngPosition - m_pieceStart);
        m_wait = Wait::Piece;
        handing(piece);
        ucDnc1->Send(piece);
        return;
    }
    lngPosition = scanPiece(m_sendText, lngPosition, bound, false);
    m_pieceStart = lngLineStart;
    m_text->selectRange(m_pieceStart, lngPosition - m_pieceStart);
    m_wait = Wait::Piece;
    const QString piece = pieceText(m_sendText, m_pieceStart, lngPosition);
    handing(piece);
    ucDnc1->Send(m_sendUtf8 ? utf8Piece(piece) : piece);
}

void frmProgram::pieceSent()
{
    if (ucDnc1->Action() != actSend)
        return;
    if (std::exchange(m_headerPiece, false)) {
        ++m_headerSent;
        return;
    }
    const qint32 bound = lngSendStart + lngSendLength;
    const qint32 start = m_pieceStart;
    if (start == lngSendStart)
        m_sendClock.start(transferClock());
    strikeThrough(start, lngPosition - start);
    lngLineStart = lngPosition;
    emit sendProgress(lngSendStart, lngPosition);
    if (actAction != actIdle)
        showProgress(lngPosition, lngSendStart, bound);
    if (lngPosition > bound)
        finishSend(false);
}

void frmProgram::finishSend(bool closingHanded)
{
    if (ucDnc1->Action() != actSend && ucDnc1->Action() != actRemote)
        return;
    if (!closingHanded && ucDnc1->Action() == actSend) {
        m_wait = Wait::Closing;
        handing(QStringLiteral("\r\n"));
        ucDnc1->Send(QStringLiteral("\r\n"));
        return;
    }
    // The last bytes leave before the port closes and its settings change.
    m_wait = Wait::Drain;
    ucDnc1->Drain();
}

// Once per step, as often as the percentage: the time left at the rate since the first piece,
// the time the machine held the send left out. A stop shows instead of the percentage.
void frmProgram::showProgress(qint64 position, qint64 from, qint64 bound)
{
    if (!m_stopping)
        stbPanel[1]->setText(sendCaption() + QStringLiteral(" - ") +
                             QString::number(progressPercent(position, bound)) +
                             QStringLiteral("%"));
    stbPanel[2]->setText(QString::number(position));
    stbPanel[3]->setText(
        timeLeftText(position - from, bound - position, m_sendClock.movingMs(transferClock())));
}

// What arrived is added after the text. The result is the old text followed by the
// received text with the formatting dropped, as if the whole text were set anew; only the
// first step pays for the old text, every later one for what it adds. What would take the
// program past the receive's limit is not added: the receive is then cut (m_receiveCut).
// The whole receive is one undo step: every later piece joins the step the first one made.
void frmProgram::appendReceived(const QString &received)
{
    QString text = received;
    if (m_heldCR) {
        text.prepend(QLatin1Char('\r'));
        m_heldCR = false;
    }
    if (text.isEmpty() || m_receiveCut)
        return;
    const qsizetype fits =
        receivedFitting(text, m_text->lineCount(), m_text->textLength(), receiveLimit());
    if (fits < text.size()) {
        m_receiveCut = true;
        text.truncate(fits);
        if (text.isEmpty())
            return;
    }
    if (!m_receivePlain && richText(m_text)) {
        m_text->setText(m_text->text() + text);
    } else {
        m_text->appendText(text, m_receivePlain);
    }
    m_receivePlain = true;
    m_text->setSelStart(m_text->textLength());
}

// A receive that does not end by hand ends as a stop ends it: after the line of the closing
// %, or once the line has been quiet for 5 s after its last byte. One that reaches its limit
// stops with a message. The count shows the characters received so far.
void frmProgram::receiveStep()
{
    const bool arrived = ucDnc1->HasReceived();
    const QString fromLine = ucDnc1->Receive(kReceiveStep);
    if (ucDnc1->Action() != actReceive)
        return;
    if (ucDnc1->HasReceived())
        m_receiveMore->start(0);
    if (arrived) {
        m_receivedAny = true;
        m_lastByte = transferClock();
    } else if (m_receiveEnd == 2 && m_receivedAny && transferClock() - m_lastByte >= 5000) {
        m_receiveEnded = ReceiveEnd::Quiet;
        StopSending();
        return;
    }
    if (fromLine.isEmpty())
        return;
    QString received = m_received.take(fromLine);
    stbPanel[2]->setText(QString::number(m_received.count()));
    // A CR at the end may be the first half of a CR LF whose LF comes with the next step;
    // it waits, so that the line end does not split into two.
    if (received.endsWith(QLatin1Char('\r'))) {
        received.chop(1);
        appendReceived(received);
        m_heldCR = true;
    } else {
        appendReceived(received);
    }
    if (m_receiveCut)
        m_receiveEnded = ReceiveEnd::BrokenOff;
    else if (m_received.closed())
        m_receiveEnded = ReceiveEnd::ClosingPercent;
    if (m_received.closed() || m_receiveCut)
        StopSending();
}

// The next step of a receive that has more waiting, from the event loop.
void frmProgram::receiveMore()
{
    if (m_closing || ucDnc1->Action() != actReceive)
        return;
    receiveStep();
}

// On a stop, what arrived since the last step still goes into the text.
void frmProgram::takeLastReceived()
{
    appendReceived(m_received.take(ucDnc1->Receive())); // with a CR held back from the last step
}

void frmProgram::remoteStep()
{
    const QString arrived = ucDnc1->RemoteReceive();
    if (!arrived.isEmpty())
        rtfRemote->appendText(arrived);
    if (m_wait != Wait::None || ucDnc1->SendInProgress())
        return;
    const qint32 total = qint32(m_sendText.size());
    lngPosition = scanPiece(m_sendText, lngPosition, total, true);
    m_pieceStart = lngLineStart;
    strikeThrough(m_pieceStart, lngPosition - m_pieceStart);
    m_wait = Wait::Piece;
    ucDnc1->RemoteSend(pieceText(m_sendText, m_pieceStart, lngPosition));
}

void frmProgram::remotePieceSent()
{
    const qint32 total = qint32(m_sendText.size());
    if (m_pieceStart == 0)
        m_sendClock.start(transferClock());
    lngLineStart = lngPosition;
    if (actAction != actIdle)
        showProgress(lngPosition, 0, total);
    if (lngPosition > total)
        finishSend(true); // no closing CR LF in remote mode
}

void frmProgram::ucDnc1_Status(qint16 intStatus)
{
    stbPanel[0]->setText(GetString(stbPanel[0]->text(), intStatus));
    noteHold();
    if (actAction == actSend && m_sendClock.held())
        showHold();
}

void frmProgram::handing(const QString &piece)
{
    if (piece.isEmpty())
        return;
    m_handedAny = true;
    m_blockOpen = !piece.endsWith(QLatin1Char('\n'));
}

void frmProgram::noteHold()
{
    if (actAction != actSend || ucDnc1->Action() != actSend)
        return;
    const bool held = ucDnc1->Held();
    if (!m_sendClock.hold(held, transferClock()))
        return;
    if (held)
        m_heldSince = transferTimeOfDay();
    if (held && m_stopping)
        return endTransfer();
    showHold();
}

// "Held by the machine since 10:42:07", "Waiting for XON since …", or "Sending" again.
void frmProgram::showHold()
{
    if (!m_sendClock.held()) {
        stbPanel[0]->setText(GetString(QStringLiteral("Sending"), 3));
        return;
    }
    const QString hold = ucDnc1->WaitingForXOn()
                             ? GetString(QStringLiteral("Waiting for XON"), 541)
                             : GetString(QStringLiteral("Held by the machine"), 540);
    stbPanel[0]->setText(GetString(QStringLiteral("%1 since %2"), 542)
                             .arg(hold, m_heldSince.toString(QStringLiteral("HH:mm:ss"))));
}

// An error leaves a transfer running, unless the channel went idle with it (its device went
// away): the transfer then ends as a stop ends it. The message shows once the step that
// raised the error has ended, so that no step waits inside another.
void frmProgram::ucDnc1_ErrorStatus(qint16 intErrorStatus)
{
    if (!m_closing && actAction != actIdle && ucDnc1->Action() == actIdle) {
        m_receiveEnded = ReceiveEnd::BrokenOff;
        endTransfer();
    }
    showTransferMessage(GetString(QString(), intErrorStatus));
}

void frmProgram::showTransferMessage(const QString &text, MsgIcon icon)
{
    QTimer::singleShot(
        0, this, [this, text, icon] { MsgBox(text, icon, QLatin1String(kProductName), this); });
}

bool frmProgram::SetMachineIcon(const QString &name)
{
    const QIcon main(QStringLiteral(":/kordavel.svg"));
    const std::optional<QIcon> icon = machineIcon(name, main);
    if (!icon)
        return false;
    setWindowIcon(*icon);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->setWindowIcon(*icon);
    return true;
}

} // namespace kordavel
