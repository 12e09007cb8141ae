// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A CNC controller at the far end of a pseudo-terminal. The program under test opens the
// pty's slave as its serial port (the settings store's section "Ports" maps a port number
// to it); the simulator works the master as a machine would:
// - it records every byte;
// - with flow control on, it buffers what arrives, consumes it at a set rate, sends XOFF
//   when the buffer holds more than a threshold and XON when it has drained, and notes how
//   many bytes had arrived at each;
// - it can hold the line before its first XON;
// - it can punch bytes out in chunks at a set pace.
#include "support/PtyMachine.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>

#include <functional>

namespace kordavel::test {

class MachineSimulator {
public:
    static constexpr char XON = 17;
    static constexpr char XOFF = 19;

    MachineSimulator()
    {
        m_clock.start();
        m_pty.onData = [this](const QByteArray &chunk) { arrived(chunk); };
        QObject::connect(&m_drain, &QTimer::timeout, [this] { drain(); });
        QObject::connect(&m_punch, &QTimer::timeout, [this] { punchNext(); });
    }
    MachineSimulator(const MachineSimulator &) = delete;
    MachineSimulator &operator=(const MachineSimulator &) = delete;

    // Maps port number n ("Com<n>") to this machine.
    void mapTo(int n) const { m_pty.mapTo(n); }
    // Flow control: XOFF once more than threshold bytes wait, XON once none wait; the
    // machine consumes bytesPerSecond.
    void setFlowControl(int threshold, int bytesPerSecond)
    {
        m_threshold = threshold;
        m_rate = bytesPerSecond;
        m_lastDrain = m_clock.elapsed();
        m_drain.start(10);
    }
    // The first XON goes out after ms milliseconds.
    void sendXOnAfter(int ms)
    {
        QTimer::singleShot(ms, &m_drain, [this] { control(XON); });
    }
    // Punches the bytes: chunkBytes at a time, every intervalMs.
    void punch(const QByteArray &bytes, int chunkBytes, int intervalMs)
    {
        m_toPunch = bytes;
        m_chunk = chunkBytes;
        m_punch.start(intervalMs);
    }
    bool punchDone() const { return m_toPunch.isEmpty(); }
    // The machine goes away (its cable pulled): the line hangs up.
    void hangUp() { m_pty.hangUp(); }

    QByteArray received;
    struct Control {
        char code;
        qsizetype received; // bytes arrived when it went out
    };
    QList<Control> controls; // XON and XOFF sent, in order
    // Called after every chunk that arrived.
    std::function<void()> onData;

private:
    void write(const QByteArray &bytes) const { m_pty.write(bytes); }
    void control(char code)
    {
        write(QByteArray(1, code));
        controls << Control{code, received.size()};
        m_held = code == XOFF;
    }
    void arrived(const QByteArray &chunk)
    {
        received += chunk;
        m_buffered += double(chunk.size());
        if (m_threshold >= 0 && !m_held && m_buffered > m_threshold)
            control(XOFF);
        if (onData)
            onData();
    }
    void drain()
    {
        const qint64 t = m_clock.elapsed();
        const qint64 elapsed = t - m_lastDrain;
        m_lastDrain = t;
        m_buffered = std::max(0.0, m_buffered - double(elapsed) * m_rate / 1000.0);
        if (m_held && m_buffered <= 0)
            control(XON);
    }
    void punchNext()
    {
        if (m_toPunch.isEmpty()) {
            m_punch.stop();
            return;
        }
        write(m_toPunch.left(m_chunk));
        m_toPunch.remove(0, m_chunk);
    }

    PtyMachine m_pty;
    QElapsedTimer m_clock;
    QTimer m_drain;
    QTimer m_punch;
    int m_threshold = -1;
    int m_rate = 0;
    double m_buffered = 0;
    qint64 m_lastDrain = 0;
    bool m_held = false;
    QByteArray m_toPunch;
    int m_chunk = 1;
};

} // namespace kordavel::test
