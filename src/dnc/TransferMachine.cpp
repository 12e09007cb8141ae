// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransferMachine.h"

#include <QElapsedTimer>

#include <algorithm>
#include <utility>

namespace kordavel {

namespace {

// The pause looks at its clock this often.
constexpr int kPauseStepMs = 20;
// While held, the machine wakes by the port's notifications; this only bounds a sleep.
constexpr int kHeldWakeMs = 100;
// While the transmit queue drains without telling, its count is looked at this often; so
// is the device's drain.
constexpr int kQueueWakeMs = 2;

std::function<qint64()> g_pauseClock;

qint64 steadyNow()
{
    static QElapsedTimer steady;
    if (!steady.isValid())
        steady.start();
    return steady.elapsed();
}

} // namespace

TransferMachine::Step TransferMachine::step(State state, Event event, const Looks &looks)
{
    if (event == Event::Stop)
        return {State::Idle, None};
    switch (state) {
    case State::Idle:
        switch (event) {
        case Event::Pause:
            return {State::Pausing, None};
        case Event::Piece:
            return looks.held ? Step{State::Held, None} : Step{State::Sending, Write};
        case Event::Drain:
            return {State::Draining, StartDrain};
        default:
            return {State::Idle, None};
        }
    case State::Pausing:
        if (event == Event::Wake && looks.due)
            return {State::Idle, Finish};
        return {state, None};
    case State::Held:
        if (event == Event::Wake && !looks.held)
            return {State::Sending, Write};
        return {state, None};
    case State::Sending:
        // A hold that comes while the piece leaves keeps the send waiting after it.
        if (event == Event::Wake && !looks.held && looks.emptied)
            return {State::Idle, Finish};
        // The piece is with the port whole: the drain waits for it with the rest.
        if (event == Event::Drain)
            return {State::Draining, StartDrain};
        return {state, None};
    case State::Draining:
        if (event == Event::Wake && (looks.emptied || looks.due))
            return {State::Idle, Finish};
        return {state, None};
    }
    return {state, None};
}

TransferMachine::TransferMachine(Port &port, QObject *parent) : QObject(parent), m_port(port)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { handle(Event::Wake); });
}

void TransferMachine::setPauseClock(std::function<qint64()> clock)
{
    g_pauseClock = std::move(clock);
}

qint64 TransferMachine::pauseNow()
{
    return g_pauseClock ? g_pauseClock() : steadyNow();
}

void TransferMachine::pause(qint64 ms)
{
    if (busy())
        return;
    m_until = pauseNow() + std::max<qint64>(ms, 0);
    handle(Event::Pause);
    m_timer.start(int(std::clamp<qint64>(ms, 0, kPauseStepMs)));
}

void TransferMachine::send(const QByteArray &data)
{
    if (busy())
        return;
    m_piece = data;
    handle(Event::Piece);
}

void TransferMachine::drain()
{
    if (!busy() || m_state == State::Sending)
        handle(Event::Drain);
}

void TransferMachine::wake()
{
    if (m_state != State::Idle && m_state != State::Pausing)
        m_timer.start(0);
}

void TransferMachine::stop()
{
    m_failed = false;
    m_piece.clear();
    handle(Event::Stop);
}

void TransferMachine::handle(Event event)
{
    if (event == Event::Wake && std::exchange(m_failed, false)) {
        m_state = State::Idle;
        emit finished();
        return;
    }
    Looks looks;
    looks.held = m_port.held();
    if (event == Event::Wake) {
        if (m_state == State::Pausing) {
            looks.due = pauseNow() >= m_until;
        } else if (m_state == State::Sending && !looks.held) {
            if (!m_port.queueEmpty(looks.emptied))
                return failed();
        } else if (m_state == State::Draining) {
            looks.emptied = m_port.drained();
            looks.due = steadyNow() >= m_until;
        }
    }
    const Step next = step(m_state, event, looks);
    m_state = next.next;
    if (next.effects & Write) {
        if (!m_port.write(std::exchange(m_piece, QByteArray())))
            return failed();
    }
    if (next.effects & StartDrain) {
        qint64 bound = 0;
        if (!m_port.startDrain(bound))
            return failed();
        m_until = steadyNow() + bound;
    }
    switch (m_state) {
    case State::Idle:
        m_timer.stop();
        break;
    case State::Pausing:
        m_timer.start(kPauseStepMs);
        break;
    case State::Held:
        m_timer.start(kHeldWakeMs);
        break;
    case State::Sending:
        m_timer.start(looks.held ? kHeldWakeMs : kQueueWakeMs);
        break;
    case State::Draining:
        m_timer.start(kQueueWakeMs);
        break;
    }
    if (next.effects & Finish)
        emit finished();
}

// A call of the port failed and reported it. Unless that stopped the machine, the wait
// ends at the next wake, as one that ended by itself.
void TransferMachine::failed()
{
    if (m_state == State::Idle)
        return;
    m_failed = true;
    m_timer.start(0);
}

} // namespace kordavel
