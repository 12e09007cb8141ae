// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The machine end of a pseudo-terminal: the channel opens the slave as its port, the test
// reads and writes the master as the CNC controller would, and can punch bytes out in chunks
// at a set pace, or flood them as fast as the line takes them.
#include "common/SettingsStore.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace kordavel::test {

class PtyMachine {
public:
    // The slave end passes bytes unchanged; the master end does not block.
    PtyMachine()
    {
        QObject::connect(&m_punch, &QTimer::timeout, [this] {
            write(m_toPunch.left(m_chunk));
            m_toPunch.remove(0, m_chunk);
            if (m_toPunch.isEmpty())
                m_punch.stop();
        });
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        m_device = QString::fromLocal8Bit(name);
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readAll(); });
    }
    ~PtyMachine()
    {
        m_writable.reset();
        m_notifier.reset();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    Q_DISABLE_COPY_MOVE(PtyMachine)

    bool ok() const { return m_master >= 0; }
    QString device() const { return m_device; }
    // Maps port number n to this pseudo-terminal in the settings store; with asDefault, new
    // program windows start on that port.
    void mapTo(int n, bool asDefault = false) const
    {
        const QString port = QStringLiteral("Com") + QString::number(n);
        SaveSetting(QStringLiteral("Ports"), port, m_device);
        if (asDefault)
            SaveSetting(QStringLiteral("Default"), QStringLiteral("Port"), port);
    }

    void write(const QByteArray &bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0)
                return;
            done += n;
        }
    }
    // Punches the bytes from the event loop: chunkBytes at a time, every intervalMs.
    void punch(const QByteArray &bytes, int chunkBytes, int intervalMs)
    {
        m_toPunch = bytes, m_chunk = chunkBytes;
        m_punch.start(intervalMs);
    }
    bool punchDone() const { return m_toPunch.isEmpty(); }
    // Writes the bytes from the event loop as fast as the line takes them. With obeyXOff the
    // machine stops at an XOFF (DC3) it receives until an XON (DC1).
    void flood(const QByteArray &bytes, bool obeyXOff)
    {
        m_flood = bytes, m_flooded = 0, m_obeyXOff = obeyXOff;
        m_writable = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
        QObject::connect(m_writable.get(), &QSocketNotifier::activated, [this] { floodOn(); });
    }
    bool floodDone() const { return m_flooded == m_flood.size(); }
    // True when the channel has put nothing on the line that was not read yet.
    bool lineQuiet()
    {
        readAll();
        char byte = 0;
        return ::read(m_master, &byte, 1) < 0 && errno == EAGAIN;
    }
    // The machine goes away: the line hangs up under the channel.
    void hangUp()
    {
        // May run inside the notifier's own signal: it goes once that has returned.
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
        m_writable.reset();
        ::close(std::exchange(m_master, -1));
    }

    // The machine stops reading once count bytes have arrived, until goOn().
    void stopAt(qsizetype count)
    {
        m_stopAt = count;
        if (m_notifier)
            m_notifier->setEnabled(!stopped());
    }
    void goOn() { stopAt(kNoLimit); }
    bool stopped() const { return received.size() >= m_stopAt; }

    static constexpr qsizetype kNoLimit = std::numeric_limits<qsizetype>::max();
    QByteArray received;
    // Called after every chunk that arrived.
    std::function<void()> onData;

private:
    void readAll()
    {
        char buffer[65536];
        for (;;) {
            if (stopped())
                return m_notifier->setEnabled(false);
            const qsizetype room = std::min(qsizetype(sizeof buffer), m_stopAt - received.size());
            const ssize_t n = ::read(m_master, buffer, size_t(room));
            if (n <= 0)
                return;
            received += QByteArray(buffer, n);
            const QByteArray arrived = QByteArray::fromRawData(buffer, n);
            const qsizetype xoff = arrived.lastIndexOf('\x13'), xon = arrived.lastIndexOf('\x11');
            if (xoff != xon)
                m_xoff = xoff > xon;
            if (m_writable)
                m_writable->setEnabled(!floodDone() && !(m_obeyXOff && m_xoff));
            if (onData)
                onData();
            if (m_master < 0)
                return;
        }
    }

    void floodOn()
    {
        if (m_obeyXOff && m_xoff)
            return m_writable->setEnabled(false);
        const ssize_t n = ::write(m_master, m_flood.constData() + m_flooded,
                                  size_t(std::min<qsizetype>(m_flood.size() - m_flooded, 4096)));
        m_flooded += std::max<ssize_t>(n, 0);
        if (floodDone())
            m_writable->setEnabled(false);
    }

    int m_master = -1, m_slave = -1, m_chunk = 1;
    QString m_device;
    qsizetype m_stopAt = kNoLimit, m_flooded = 0;
    std::unique_ptr<QSocketNotifier> m_notifier, m_writable;
    QTimer m_punch;
    QByteArray m_toPunch, m_flood;
    bool m_obeyXOff = false, m_xoff = false;
};

} // namespace kordavel::test
