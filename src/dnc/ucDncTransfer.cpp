// SPDX-License-Identifier: GPL-3.0-or-later
// The transfer engine of the channel: states, the blocking send, receiving, code conversion.
#include "ucDnc.h"

#include "LineSettings.h"
#include "SerialLine.h"
#include "SerialPortLine.h"
#include "common/CodePage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

namespace kordavel {

namespace {

// While held, the wait sleeps in the event loop; this timer only bounds one sleep.
constexpr int kHoldWakeMs = 100;
// While the transmit queue drains without telling, its count is looked at this often.
constexpr int kDrainWakeMs = 2;
// While the port takes a long piece as fast as it is handed over, the send waits on the
// port alone, at most this long at a time...
constexpr int kDirectWaitMs = 2;
// ...and lets the event loop run at least this often.
constexpr int kEventsEveryMs = 10;

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
    if (NewAction == actIdle) {
        if (m_line->PortOpen())
            m_line->setPortOpen(false);
        m_line->setInputLen(0);
        m_line->setRThreshold(0);
        intAction = actIdle;
        bXOffHeld = false;
        bCtsHeld = false;
        bDsrHeld = false;
        m_wake->stop();
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

// The piece is queued whole once no hold applies, then the send waits until the transmit
// queue is empty. A stop (Action written from inside the wait), a port that fails, or the
// channel being destroyed ends the send at once.
void ucDnc::sendPiece(const QString &text, qint32 state, bool convert)
{
    if (intAction != state) {
        bSendInProgress = false;
        return;
    }
    bSendInProgress = true;
    if (!holdWait(state))
        return; // destroyed
    if (intAction != state) {
        bSendInProgress = false;
        return;
    }
    QByteArray data = encodeText(text);
    if (convert)
        data = ConvertCode(data, true);
    if (const int error = m_line->Output(data)) {
        bSendInProgress = false;
        lineFailed(error);
        return;
    }
    // The first pass lets the event loop run once. After it, while the rest of the piece
    // waits for room on the port, the send waits on the port itself, with a pass of the
    // event loop every few milliseconds; once the port keeps it waiting (a slow line, or a
    // machine served by this same event loop) or only the driver's queue is left, every
    // pass sleeps in the event loop.
    SerialPortLine *const port = qobject_cast<SerialPortLine *>(m_line.get());
    bool direct = port != nullptr;
    QElapsedTimer sinceEvents;
    bool first = true;
    for (;;) {
        if (!holdWait(state))
            return;
        if (intAction != state)
            break;
        bool moved = false;
        if (!first && direct && !sinceEvents.hasExpired(kEventsEveryMs)) {
            if (const int error = port->AwaitOutput(kDirectWaitMs, moved)) {
                bSendInProgress = false;
                lineFailed(error);
                return;
            }
            direct = moved;
        }
        if (!moved) {
            if (!processEventsOnce(!first && !direct, kDrainWakeMs))
                return;
            first = false;
            sinceEvents.start();
            if (intAction != state)
                break;
        }
        int count = 0;
        if (const int error = m_line->OutBufferCount(count)) {
            bSendInProgress = false;
            lineFailed(error);
            return;
        }
        if (count == 0)
            break;
    }
    bSendInProgress = false;
    m_wake->stop();
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
    if (intAction == actIdle)
        return;
    const qint32 state = intAction;
    int queued = 0;
    if (m_line->OutBufferCount(queued) != comNoError || m_line->StartDrain() != comNoError)
        return;
    const LineSettings settings = parseLineSettings(m_line->Settings()).value_or(LineSettings{});
    const qint64 bound = lineTimeMs(settings, queued + kDrainMarginBytes) + kDrainMarginMs;
    QElapsedTimer waited;
    waited.start();
    while (!m_line->Drained() && intAction == state && !waited.hasExpired(bound))
        if (!processEventsOnce(true, kDrainWakeMs))
            return;
    m_wake->stop();
}

// Waits while XOFF, CTS or DSR holds the send, if any of the three options is on. False
// when the channel was destroyed during the wait.
bool ucDnc::holdWait(qint32 state)
{
    if (!bXOnXOff && !bRTSCTS && !bDTRDTS)
        return true;
    bool first = true;
    do {
        if (!processEventsOnce(!first, kHoldWakeMs))
            return false;
        first = false;
    } while ((bXOffHeld || bCtsHeld || bDsrHeld) && intAction == state);
    return true;
}

// Handles the pending events once. With block, sleeps in the event loop until an event
// comes, the longest for wakeMs. False when the channel was destroyed meanwhile.
bool ucDnc::processEventsOnce(bool block, int wakeMs)
{
    QPointer<ucDnc> alive(this);
    if (block && (!m_wake->isActive() || m_wake->interval() != wakeMs))
        m_wake->start(wakeMs);
    QCoreApplication::processEvents(block ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    return !alive.isNull();
}

// The machine is let go before the bytes are taken: should that fail and end the receive,
// the window's stop takes them with the rest, in order.
QString ucDnc::Receive(qsizetype most)
{
    if (intAction == actReceive && m_intake.releases(most)) {
        QPointer<ucDnc> alive(this);
        holdMachine(false);
        if (!alive)
            return QString();
    }
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
            if (first == DC3 || first == DC4)
                bXOffHeld = true;
            else if (first == DC1 || first == DC2)
                bXOffHeld = false;
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
