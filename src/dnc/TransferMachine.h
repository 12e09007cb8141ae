// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>

namespace kordavel {

// The waits of a transfer as the states of one machine, driven by its own timer and by the
// port's notifications, never by a loop that waits: the pause before a send, a piece held by
// XOFF, CTS or DSR, a piece on its way out of the transmit queue, and the drain that lets the
// last bytes reach the line before the port closes. Every call returns at once; a wait that
// ends by itself (done, or its bound run out) raises finished, from the machine's timer. A
// stop ends any wait without it: whoever stops knows.
//
// The channel is reached through Port, so that tests drive the machine with a port of their
// own and a clock of their own.
class TransferMachine : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Pausing, Held, Sending, Draining };
    enum class Event {
        Pause, // a pause starts
        Piece, // a piece is to be sent
        Drain, // the last bytes are to reach the line
        Wake,  // the timer, or the port: bytes went out or came in, a modem line changed
        Stop,  // the channel changed its state or failed
    };
    // What the machine sees at an event.
    struct Looks {
        bool held = false;    // XOFF, CTS or DSR holds a send (with its option on)
        bool emptied = false; // Sending: the transmit queue is empty; Draining: the line
                              // has carried every byte
        bool due = false;     // the pause, or the bound of the drain, has run out
    };
    enum Effect : unsigned {
        None = 0,
        Write = 1u << 0,      // hand the piece to the port
        StartDrain = 1u << 1, // start the device's own drain
        Finish = 1u << 2,     // raise finished
    };
    struct Step {
        State next;
        unsigned effects;
        bool operator==(const Step &) const = default;
    };
    // The transitions. An event that does not apply in a state leaves it unchanged.
    static Step step(State state, Event event, const Looks &looks);

    // The channel's side. Each call that can fail answers false after reporting the
    // failure itself (the channel may stop the machine meanwhile).
    class Port {
    public:
        virtual ~Port() = default;
        virtual bool held() const = 0;
        virtual bool write(const QByteArray &data) = 0;
        virtual bool queueEmpty(bool &empty) = 0;
        // Starts the device's drain; boundMs: how long it may take at most.
        virtual bool startDrain(qint64 &boundMs) = 0;
        virtual bool drained() = 0;
    };

    explicit TransferMachine(Port &port, QObject *parent = nullptr);

    State state() const { return m_state; }
    bool busy() const { return m_state != State::Idle; }

    // Each starts from Idle only; elsewhere it is ignored. A drain also follows a piece on
    // its way (Sending: the port has it whole), in place of its wait.
    void pause(qint64 ms);
    void send(const QByteArray &data);
    void drain();
    // Something the machine waits for may have changed; looked at from the event loop.
    void wake();
    void stop();

    // The clock of the pause, in milliseconds (nullptr: a steady clock). The drain's bound
    // runs on the steady clock.
    static void setPauseClock(std::function<qint64()> clock);
    static qint64 pauseNow();

signals:
    void finished();

private:
    void handle(Event event);
    void failed();

    Port &m_port;
    State m_state = State::Idle;
    QByteArray m_piece;
    bool m_failed = false; // a call of the port failed; the wait ends at the next wake
    qint64 m_until = 0;    // pause: pauseNow() at its end; drain: the steady clock at its bound
    QTimer m_timer;
};

} // namespace kordavel
