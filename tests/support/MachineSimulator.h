// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A CNC controller at the far end of a pseudo-terminal. The program under test opens the
// pty's slave as its serial port (the settings store's section "Ports" maps a port number
// to it); the simulator records every byte and can punch bytes out in chunks at a set pace.
#include "support/PtyMachine.h"

#include <QTimer>

#include <functional>

namespace kordavel::test {

class MachineSimulator {
public:
    MachineSimulator()
    {
        m_pty.onData = [this](const QByteArray &chunk) {
            received += chunk;
            if (onData)
                onData();
        };
        QObject::connect(&m_punch, &QTimer::timeout, [this] {
            m_pty.write(m_toPunch.left(m_chunk));
            m_toPunch.remove(0, m_chunk);
            if (m_toPunch.isEmpty())
                m_punch.stop();
        });
    }
    MachineSimulator(const MachineSimulator &) = delete;
    MachineSimulator &operator=(const MachineSimulator &) = delete;

    // Maps port number n ("Com<n>") to this machine.
    void mapTo(int n) const { m_pty.mapTo(n); }
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
    // Called after every chunk that arrived.
    std::function<void()> onData;

private:
    PtyMachine m_pty;
    QTimer m_punch;
    QByteArray m_toPunch;
    int m_chunk = 1;
};

} // namespace kordavel::test
