// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dnc/SerialLine.h"

#include <QList>

namespace kordavel {

// A serial line without a device, for tests: they drive the modem lines, inject received
// bytes and line errors, make opening fail, and read back every byte written together with
// the settings in force at the time.
class FakeLine : public SerialLine {
    Q_OBJECT
public:
    struct Write {
        QByteArray bytes;
        QString settings;
        qint32 handshaking = 0;
        bool dtrEnable = false;
        bool rtsEnable = false;
    };

    explicit FakeLine(QObject *parent = nullptr);

    // Every Output since construction, in order.
    QList<Write> writes;
    QByteArray written() const;
    int opens = 0;
    int closes = 0;

    // The next opens fail with this number (0: they succeed).
    void setOpenError(int number) { m_openError = number; }
    // Bytes written stay counted in OutBufferCount until drain() when autoDrain is off.
    void setAutoDrain(bool on) { m_autoDrain = on; }
    void drain() { m_pending = 0; }
    // Changes a modem line; while open a change raises its CommEvent.
    void setCts(bool on) { change(m_cts, on, comEvCTS); }
    void setDsr(bool on) { change(m_dsr, on, comEvDSR); }
    void setCd(bool on) { change(m_cd, on, comEvCD); }
    void setRing(bool on) { change(m_ring, on, comEvRing); }
    // Bytes arriving from the machine.
    void receive(const QByteArray &bytes) { deliver(bytes); }
    // Raises any CommEvent value, for instance a line error.
    void raiseEvent(qint16 event) { raise(event); }
    // The device disappears; the line notices by itself.
    void vanish(int number = comDeviceLost) { fail(number); }
    // The device disappears; the next OutBufferCount finds out.
    void vanishOnCount() { m_vanishOnCount = true; }

protected:
    int openDevice() override;
    void closeDevice() override;
    int writeDevice(const QByteArray &data) override;
    int pendingOutput(int &count) override;
    int modemLine(ModemLine line, bool &state) override;

private:
    void change(bool &line, bool on, qint16 event);

    int m_openError = 0;
    bool m_autoDrain = true;
    bool m_vanishOnCount = false;
    int m_pending = 0;
    bool m_cts = true;
    bool m_dsr = true;
    bool m_cd = true;
    bool m_ring = false;
};

} // namespace kordavel
