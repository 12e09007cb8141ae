// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A channel for the dnc tests, on a fake line (port 0) or on a port number, with the status
// and error offsets it reported. later() runs an action from the event loop, for instance
// inside a waiting send; its timers end with the channel, so none fires into the next test.
#include "dnc/SerialLine.h"
#include "dnc/ucDnc.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>

namespace kordavel {

// A serial line without a device, for tests: they drive the modem lines, inject received
// bytes and line errors, make opening fail, and read back every byte written together with
// the settings in force at the time.
class FakeLine : public SerialLine {
public:
    struct Write {
        QByteArray bytes;
        QString settings;
        qint32 handshaking = 0;
        bool dtrEnable = false;
    };

    QList<Write> writes; // every Output since construction, in order
    QByteArray written() const
    {
        QByteArray all;
        for (const Write &write : writes)
            all += write.bytes;
        return all;
    }
    int opens = 0, closes = 0;
    // Every change of RTS and DTR while open: "RTS down", "RTS up", "DTR down", "DTR up".
    QStringList lineChanges;

    // The next opens fail with this number (0: they succeed).
    void setOpenError(int number) { m_openError = number; }
    // Bytes written stay counted in OutBufferCount until drain() when autoDrain is off.
    void setAutoDrain(bool on) { m_autoDrain = on; }
    // Changes a modem line; while open a change raises its CommEvent.
    void setCts(bool on) { change(m_lines[0], on, comEvCTS); }
    void setDsr(bool on) { change(m_lines[1], on, comEvDSR); }
    // Bytes arriving from the machine. While input is paused they wait here, as in a port's
    // own buffer, and come once it goes on (from the event loop).
    void receive(const QByteArray &bytes)
    {
        if (InputPaused())
            m_waiting += bytes;
        else
            deliver(bytes);
    }
    // The device's drain cannot start, and the line never says it has carried all.
    void setDrainFails(bool on) { m_drainFails = on; }
    void raiseEvent(qint16 event) { raise(event); } // any CommEvent, a line error too
    // The device disappears: the line notices by itself, or the next count or write finds out.
    void vanish() { fail(comDeviceLost); }
    void vanishOnCount() { m_vanishOnCount = true; }
    void vanishOnWrite() { m_vanishOnWrite = true; }

protected:
    int openDevice() override
    {
        if (m_openError == 0)
            ++opens, m_pending = 0, m_rts = RTSEnable(), m_dtr = DTREnable();
        return m_openError;
    }
    void closeDevice() override { ++closes, m_pending = 0, m_waiting.clear(); }
    int writeDevice(const QByteArray &data) override
    {
        if (std::exchange(m_vanishOnWrite, false))
            return lose(), comDeviceLost;
        writes.append({data, Settings(), Handshaking(), DTREnable()});
        if (!m_autoDrain)
            m_pending += int(data.size());
        return comNoError;
    }
    int pendingOutput(int &count) override
    {
        if (std::exchange(m_vanishOnCount, false))
            return lose(), comDeviceLost;
        return count = m_pending, comNoError;
    }
    int startDrain() override { return m_drainFails ? comPortNotOpen : comNoError; }
    bool drained() override { return !m_drainFails; }
    int modemLine(ModemLine line, bool &state) override
    {
        return state = m_lines[int(line)], comNoError;
    }
    int applyControlLines() override
    {
        if (RTSEnable() != m_rts)
            lineChanges << (RTSEnable() ? QStringLiteral("RTS up") : QStringLiteral("RTS down"));
        if (DTREnable() != m_dtr)
            lineChanges << (DTREnable() ? QStringLiteral("DTR up") : QStringLiteral("DTR down"));
        m_rts = RTSEnable();
        m_dtr = DTREnable();
        return comNoError;
    }
    void pauseInput(bool paused) override
    {
        if (!paused)
            QTimer::singleShot(0, this, [this] { receive(std::exchange(m_waiting, {})); });
    }

private:
    void change(bool &line, bool on, qint16 event)
    {
        if (std::exchange(line, on) != on && PortOpen())
            raise(event);
    }

    int m_openError = 0, m_pending = 0;
    bool m_autoDrain = true, m_vanishOnCount = false, m_drainFails = false, m_vanishOnWrite = false;
    bool m_rts = false, m_dtr = false;
    QByteArray m_waiting;
    bool m_lines[4] = {true, true, true, false}; // CTS, DSR, CD, ring
};

} // namespace kordavel

namespace kordavel::test {

// Sends a piece and waits until its send has ended: the piece left the port, a stop or a
// failure ended it, or the channel was destroyed meanwhile.
inline void sendAll(ucDnc *channel, const QString &text, bool remote = false)
{
    const QPointer<ucDnc> dnc(channel);
    remote ? dnc->RemoteSend(text) : dnc->Send(text);
    if (!QTest::qWaitFor([&] { return !dnc || !dnc->SendInProgress(); }, 600000))
        qWarning("the send did not end");
}

struct Channel {
    explicit Channel(int port = 0)
    {
        if (port == 0) {
            auto owned = std::make_unique<FakeLine>();
            line = owned.get();
            dnc = new ucDnc(std::move(owned));
        } else {
            dnc = new ucDnc;
            dnc->setComPort(QString::number(port));
        }
        QObject::connect(dnc, &ucDnc::Status, [this](qint16 offset) { status << offset; });
        QObject::connect(dnc, &ucDnc::ErrorStatus, [this](qint16 offset) { errors << offset; });
    }
    ~Channel() { delete dnc.data(); }
    Q_DISABLE_COPY_MOVE(Channel)

    void later(int ms, std::function<void()> action)
    {
        QTimer::singleShot(ms, &scope, std::move(action));
    }

    QObject scope;
    FakeLine *line = nullptr;
    QPointer<ucDnc> dnc;
    QList<qint16> status;
    QList<qint16> errors;
};

} // namespace kordavel::test
