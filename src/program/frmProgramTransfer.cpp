// SPDX-License-Identifier: GPL-3.0-or-later
// The program window's transfers: Send, Receive, Remote and StopSending, the timer step
// that feeds the channel line by line or collects what it received, and the channel's
// status and error reports.
#include "frmProgram.h"

#include "FileSendView.h"
#include "Pause.h"
#include "ProgramPanel.h"
#include "SendSource.h"
#include "TransferSteps.h"

#include "common/AppState.h"
#include "common/MessageBox.h"
#include "dnc/ucDnc.h"
#include "editor/DocumentRichText.h"
#include "editor/RichText.h"
#include "editor/RichTextBox.h"
#include "i18n/Language.h"
#include "profiles/ValueLists.h"

#include <QComboBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
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

} // namespace

// Sent lines show struck through; the marks are no change of the program.
void frmProgram::strikeThrough(int start, int length)
{
    rtfText->markStruck(start, length);
}

// Selects the whole text and takes every strike-through off it: the marks of a send, and
// strike-through formatting in the text itself (the latter only where there is some, since
// reformatting a long program costs seconds).
void frmProgram::clearStrikeThrough()
{
    rtfText->clearStruckMarks();
    rtfText->select(0, rtfText->textLength());
    if (!rtfText->hasStrikeThru())
        return;
    const bool modified = bModified;
    rtfText->setSelStrikeThru(false);
    if (!modified)
        rtfText->document()->setModified(false);
}

// The channel has entered the state: lock the text, disable the panel, show the operation.
void frmProgram::enterState(qint32 state)
{
    actAction = state;
    rtfText->setLocked(true);
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
    // Nor does a send start while a tool rewrites the text.
    if (m_starting || rtfText->isBusy())
        return;
    if (rtfText->textLength() == 0 || ucDnc1->Action() != actIdle) {
        rtfText->setSelLength(0);
        return;
    }
    const int selLength = rtfText->selLength();
    if (selLength == 0) {
        lngSendStart = 0;
        lngSendLength = rtfText->textLength();
    } else {
        lngSendStart = rtfText->selStart();
        lngSendLength = selLength - 1;
    }
    clearStrikeThrough();
    rtfText->setSelLength(0);
    lngPosition = lngSendStart;
    lngLineStart = lngSendStart;
    stbPanel[1]->setText(sendCaption());

    const SendStart start = beginSend();
    if (start == SendStart::Gone)
        return;
    if (start == SendStart::Sending) {
        m_sendText = rtfText->text();
        enterState(actSend);
        if (picControl->controls->cboPace->currentIndex() == 1)
            startFeed(std::make_unique<TextSendSource>(
                m_sendText.mid(lngSendStart, qsizetype(lngSendLength) + 1)));
    }
    rtfText->setSelLength(0);
}

// Waits out the pause before a send with the events running, then puts the channel into
// sending. Gone: the window went away meanwhile, so nothing of it may be touched; Stopped: it
// is closing, the user stopped during the pause, or the channel did not start.
frmProgram::SendStart frmProgram::beginSend()
{
    m_starting = true;
    m_startCancelled = false;
    QPointer<frmProgram> alive(this);
    Pause(2.0f);
    if (!alive)
        return SendStart::Gone;
    m_starting = false;
    if (m_closing || m_startCancelled || rtfText->isBusy() || ucDnc1->Action() != actIdle)
        return SendStart::Stopped;
    ucDnc1->setAction(actSend);
    if (!alive)
        return SendStart::Gone;
    return ucDnc1->Action() == actSend ? SendStart::Sending : SendStart::Stopped;
}

void frmProgram::Receive()
{
    if (m_starting || rtfText->isBusy() || ucDnc1->Action() != actIdle)
        return;
    QPointer<frmProgram> alive(this);
    ucDnc1->setAction(actReceive);
    if (!alive || ucDnc1->Action() != actReceive)
        return;
    m_receivePlain = false;
    m_heldCR = false;
    m_receiveEnd = picControl->controls->cboReceiveEnd->currentIndex();
    m_percents = 0;
    m_receivedAny = false;
    enterState(actReceive);
}

void frmProgram::Remote()
{
    if (m_starting || rtfText->isBusy() || ucDnc1->Action() != actIdle)
        return;
    QPointer<frmProgram> alive(this);
    ucDnc1->setAction(actRemote);
    if (!alive || ucDnc1->Action() != actRemote)
        return;
    rtfRemote->setText(QString());
    rtfText->setText(QString());
    m_sendText.clear();
    m_sendStarted = transferClock();
    enterState(actRemote);
}

void frmProgram::StopSending()
{
    if (m_starting)
        m_startCancelled = true;
    // The channel may have gone idle by itself (the device went away): what it received
    // still goes into the text.
    if (ucDnc1->Action() == actReceive || actAction == actReceive)
        takeLastReceived();
    ucDnc1->setAction(actIdle);
    actAction = actIdle;
    m_feed->stop();
    m_source.reset();
    m_lineSpeed = false;
    rtfText->setLocked(false);
    rtfRemote->setLocked(false);
    if (std::exchange(m_fileSend, false)) {
        fileView->hide();
        rtfText->show();
    } else {
        clearStrikeThrough();
        rtfText->setSelStart(lngSendStart);
    }
    picControl->setEnabled(true);
    stbPanel[1]->clear();
    stbPanel[2]->clear();
    stbPanel[3]->clear();
    emit buttonState(QStringLiteral("Send"), false);
    emit buttonState(QStringLiteral("Receive"), false);
    emit sendProgress(0, -1);
    stbPanel[0]->setText(GetString(stbPanel[0]->text(), 1));
    layoutWindow();
}

void frmProgram::endTransferForClose()
{
    m_closing = true;
    m_startCancelled = true;
    tEvent->stop();
    m_feed->stop();
    ucDnc1->setAction(actIdle);
    actAction = actIdle;
}

void frmProgram::tEvent_Timer()
{
    // A step that is still running (a message box of the channel opened inside it) is not
    // entered a second time.
    if (m_inTick || m_closing)
        return;
    m_inTick = true;
    QPointer<frmProgram> alive(this);
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
    if (alive)
        m_inTick = false;
}

void frmProgram::sendStep()
{
    if (m_lineSpeed || ucDnc1->SendInProgress())
        return;
    if (m_fileSend)
        return fileStep();
    const qint32 bound = lngSendStart + lngSendLength;
    lngPosition = scanPiece(m_sendText, lngPosition, bound, false);
    const qint32 start = lngLineStart;
    const qint32 length = lngPosition - lngLineStart;
    rtfText->select(start, length);
    QPointer<frmProgram> alive(this);
    ucDnc1->Send(pieceText(m_sendText, start, lngPosition));
    // Closed, or stopped, while the piece was leaving.
    if (!alive || ucDnc1->Action() != actSend)
        return;
    if (start == lngSendStart)
        m_sendStarted = transferClock();
    strikeThrough(start, length);
    lngLineStart = lngPosition;
    emit sendProgress(lngSendStart, lngPosition);
    if (actAction != actIdle)
        showProgress(lngPosition, lngSendStart, bound);
    if (lngPosition > bound) {
        ucDnc1->Send(QStringLiteral("\r\n"));
        if (!alive || ucDnc1->Action() != actSend)
            return;
        // The last bytes leave before the port closes and its settings change.
        ucDnc1->Drain();
        if (!alive || ucDnc1->Action() != actSend)
            return;
        StopSending();
    }
}

// Once per step, as often as the percentage: the time left at the rate since the first piece.
void frmProgram::showProgress(qint64 position, qint64 from, qint64 bound)
{
    stbPanel[1]->setText(sendCaption() + QStringLiteral(" - ") +
                         QString::number(progressPercent(position, bound)) + QStringLiteral("%"));
    stbPanel[2]->setText(QString::number(position));
    stbPanel[3]->setText(
        timeLeftText(position - from, bound - position, transferClock() - m_sendStarted));
}

// What arrived is added after the text. The result is the old text followed by the
// received text with the formatting dropped, as if the whole text were set anew; only the
// first step pays for the old text, every later one for what it adds. The whole receive is
// one undo step: every later piece joins the step the first one made.
void frmProgram::appendReceived(const QString &received)
{
    QString text = received;
    if (m_heldCR) {
        text.prepend(QLatin1Char('\r'));
        m_heldCR = false;
    }
    if (text.isEmpty())
        return;
    if (!m_receivePlain) {
        rtfText->setText(rtfText->text() + text);
        m_receivePlain = true;
    } else {
        rtfText->appendText(text, true);
    }
    rtfText->setSelStart(rtfText->textLength());
    stbPanel[2]->setText(QString::number(rtfText->textLength()));
}

// A receive that does not end by hand ends as a stop ends it: after the line of the closing
// %, or once the line has been quiet for 5 s after its last byte.
void frmProgram::receiveStep()
{
    const bool arrived = ucDnc1->HasReceived();
    QString received = ucDnc1->Receive();
    if (arrived) {
        m_receivedAny = true;
        m_lastByte = transferClock();
    } else if (m_receiveEnd == 2 && m_receivedAny && transferClock() - m_lastByte >= 5000) {
        StopSending();
        return;
    }
    if (received.isEmpty())
        return;
    const bool closed = m_receiveEnd == 1 && closingLineIn(received);
    // A CR at the end may be the first half of a CR LF whose LF comes with the next step;
    // it waits, so that the line end does not split into two.
    if (received.endsWith(QLatin1Char('\r'))) {
        received.chop(1);
        appendReceived(received);
        m_heldCR = true;
    } else {
        appendReceived(received);
    }
    if (closed)
        StopSending();
}

bool frmProgram::closingLineIn(const QString &received)
{
    for (const QChar c : received) {
        if (c == QLatin1Char('%'))
            ++m_percents;
        else if (c == QLatin1Char('\n') && m_percents >= 2)
            return true;
    }
    return false;
}

// On a stop, what arrived since the last step still goes into the text.
void frmProgram::takeLastReceived()
{
    appendReceived(ucDnc1->Receive()); // with a CR held back from the last step
}

void frmProgram::remoteStep()
{
    const QString arrived = ucDnc1->RemoteReceive();
    if (!arrived.isEmpty())
        rtfRemote->appendText(arrived);
    if (ucDnc1->SendInProgress())
        return;
    const qint32 total = qint32(m_sendText.size());
    lngPosition = scanPiece(m_sendText, lngPosition, total, true);
    const qint32 start = lngLineStart;
    strikeThrough(start, lngPosition - start);
    QPointer<frmProgram> alive(this);
    ucDnc1->RemoteSend(pieceText(m_sendText, start, lngPosition));
    if (!alive || ucDnc1->Action() != actRemote)
        return;
    if (start == 0)
        m_sendStarted = transferClock();
    lngLineStart = lngPosition;
    if (actAction != actIdle)
        showProgress(lngPosition, 0, total);
    if (lngPosition > total) {
        ucDnc1->Drain();
        if (!alive || ucDnc1->Action() != actRemote)
            return;
        StopSending();
    }
}

void frmProgram::ucDnc1_Status(qint16 intStatus)
{
    stbPanel[0]->setText(GetString(stbPanel[0]->text(), intStatus));
}

// An error leaves a transfer running, unless the channel went idle with it (its device went
// away): the transfer then ends as a stop ends it.
void frmProgram::ucDnc1_ErrorStatus(qint16 intErrorStatus)
{
    QPointer<frmProgram> alive(this);
    MsgBox(GetString(QString(), intErrorStatus), MsgIcon::Exclamation, QLatin1String(kProductName),
           this);
    if (alive && !m_closing && actAction != actIdle && ucDnc1->Action() == actIdle)
        StopSending();
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
