// SPDX-License-Identifier: GPL-3.0-or-later
// The transfer engine of the channel: states, the send, receiving, code conversion.
#include "ucDnc.h"

#include "LineSettings.h"
#include "SerialLine.h"
#include "common/CodePage.h"

namespace kordavel {

namespace {

// A drain waits, beyond the time of the bytes still queued, for what the device's own
// buffer may hold (a UART's FIFO, a USB adapter's packet) and for this much more.
constexpr int kDrainMarginBytes = 64;
constexpr int kDrainMarginMs = 500;

constexpr char DC1 = 17, DC2 = 18, DC3 = 19, DC4 = 20;

} // namespace

void ucDnc::setAction(qint32 NewAction)
{
    if (NewAction < actIdle || NewAction > actRemote)
        return;
    m_machine.stop();
    if (NewAction == actIdle) {
        if (m_line->PortOpen())
            m_line->setPortOpen(false);
        m_line->setInputLen(0);
        m_line->setRThreshold(0);
        intAction = actIdle;
        bWaitingXOn = false;
        bXOffHeld = false;
        bCtsHeld = false;
        bDsrHeld = false;
        // A machine held by RTS or DTR: the lines are up again at the next open.
        if (m_intake.held()) {
            if (bRTSCTS)
                m_line->setRTSEnable(true);
            if (bDTRDTS)
                m_line->setDTREnable(true);
        }
        return;
    }
    if (!openPort())
        return;
    switch (NewAction) {
    case actSend:
        bXOffHeld = bWaitXOn;
        bWaitingXOn = bWaitXOn;
        bCtsHeld = false;
        bDsrHeld = false;
        break;
    case actReceive:
        m_intake.clear();
        m_line->setInputLen(0);
        break;
    case actRemote:
        bCtsHeld = false;
        bDsrHeld = false;
        m_line->setInputLen(0);
        break;
    }
    m_line->setRThreshold(1);
    intAction = NewAction;
}

bool ucDnc::openPort()
{
    if (m_line->PortOpen())
        return true;
    if (const int error = m_line->setPortOpen(true)) {
        ReportError(error);
        return false;
    }
    return true;
}

void ucDnc::Send(const QString &text)
{
    sendPiece(text, actSend, bEIA);
}

void ucDnc::RemoteSend(const QString &text)
{
    sendPiece(text, actRemote, false);
}

// The piece is queued whole once no hold applies; the send ends when the transmit queue is
// empty. A stop (Action written meanwhile) or a port that fails ends it at once.
void ucDnc::sendPiece(const QString &text, qint32 state, bool convert)
{
    if (intAction != state || m_machine.busy())
        return;
    QByteArray data = encodeText(text);
    if (convert)
        data = ConvertCode(data, true);
    m_machine.send(data);
}

bool ucDnc::write(const QByteArray &data)
{
    if (const int error = m_line->Output(data)) {
        lineFailed(error);
        return false;
    }
    return true;
}

bool ucDnc::queueEmpty(bool &empty)
{
    int count = 0;
    if (const int error = m_line->OutBufferCount(count)) {
        lineFailed(error);
        return false;
    }
    empty = count == 0;
    return true;
}

qint64 ucDnc::Hand(const QString &text)
{
    if (intAction != actSend)
        return -1;
    QByteArray data = encodeText(text);
    if (bEIA)
        data = ConvertCode(data, true);
    if (const int error = m_line->Output(data)) {
        lineFailed(error);
        return -1;
    }
    return data.size();
}

bool ucDnc::Backlog(int &count, bool &known)
{
    known = m_line->QueueKnown();
    if (const int error = m_line->OutBufferCount(count)) {
        lineFailed(error);
        return false;
    }
    return true;
}

void ucDnc::Drain()
{
    if (intAction != actIdle)
        m_machine.drain();
}

void ucDnc::StartPause(qint64 ms)
{
    if (intAction == actIdle)
        m_machine.pause(ms);
}

// A port that cannot count or drain ends the drain quietly.
bool ucDnc::startDrain(qint64 &boundMs)
{
    int queued = 0;
    if (m_line->OutBufferCount(queued) != comNoError || m_line->StartDrain() != comNoError)
        return false;
    const LineSettings settings = parseLineSettings(m_line->Settings()).value_or(LineSettings{});
    boundMs = lineTimeMs(settings, queued + kDrainMarginBytes) + kDrainMarginMs;
    return true;
}

bool ucDnc::drained()
{
    return m_line->Drained();
}

// The machine is let go before the bytes are taken: should that fail and end the receive,
// the window's stop takes them with the rest, in order.
QString ucDnc::Receive(qsizetype most)
{
    if (intAction == actReceive && m_intake.releases(most))
        holdMachine(false);
    QByteArray received = m_intake.take(most);
    if (!m_intake.full())
        m_line->setInputPaused(false);
    if (bEIA)
        received = ConvertCode(received, false);
    return decodeBytes(received);
}

QString ucDnc::RemoteReceive()
{
    const QByteArray received = m_intake.take(-1);
    m_line->setInputPaused(false);
    return decodeBytes(received);
}

// Received bytes wait for the window; the machine is held, with flowControl, once they pile
// up, and the port is not read past the bound.
void ucDnc::takeIn(const QByteArray &chunk, bool flowControl)
{
    if (m_intake.put(chunk) && flowControl)
        holdMachine(true);
    if (m_intake.full() && intAction != actIdle)
        m_line->setInputPaused(true);
}

// The line's own flow control, as the options choose: XOFF and XON, RTS and DTR down and up.
void ucDnc::holdMachine(bool hold)
{
    int error = comNoError;
    if (bXOnXOff)
        error = m_line->Output(QByteArray(1, hold ? DC3 : DC1));
    if (!error && bRTSCTS)
        error = m_line->setRTSEnable(!hold);
    if (!error && bDTRDTS)
        error = m_line->setDTREnable(!hold);
    if (error)
        lineFailed(error);
}

QByteArray ucDnc::ConvertCode(const QByteArray &text, bool toEia)
{
    const std::optional<QByteArray> converted = convertCode(text, toEia, m_tables);
    if (!converted) {
        ReportError(comConvertFailed);
        return QByteArray();
    }
    return *converted;
}

// Receive handling by state. Only the first character of a chunk is looked at.
void ucDnc::receiveArrived()
{
    if (intAction == actIdle)
        return;
    QByteArray chunk;
    if (const int error = m_line->Input(chunk)) {
        lineFailed(error);
        return;
    }
    switch (intAction) {
    case actSend:
        if (bXOnXOff && !chunk.isEmpty()) {
            const char first = chunk.at(0);
            if (first == DC3 || first == DC4) {
                bXOffHeld = true;
            } else if (first == DC1 || first == DC2) {
                bXOffHeld = false;
                bWaitingXOn = false;
            }
        }
        emit Status(3);
        break;
    case actReceive:
        takeIn(chunk, true);
        if (intAction == actReceive)
            emit Status(2);
        break;
    case actRemote:
        if (bXOnXOff && !chunk.isEmpty()) {
            const char first = chunk.at(0);
            if (first == DC3 || first == DC4) {
                bXOffHeld = true;
                chunk.clear();
            } else if (first == DC1 || first == DC2) {
                bXOffHeld = false;
                chunk.clear();
            }
        }
        takeIn(chunk, false);
        break;
    }
}

} // namespace kordavel
