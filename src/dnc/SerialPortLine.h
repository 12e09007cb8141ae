// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MarkedInput.h"
#include "SerialLine.h"

#include <QSerialPort>
#include <QTimer>

#include <atomic>
#include <thread>

class QSocketNotifier;

namespace kordavel {

// The serial line over a real device (QSerialPort). Ports are numbered 1 to 16 and mapped
// to devices by portDevice(). Modem lines and the driver's error counters are polled every
// few milliseconds while the port is open, since the device gives no notice of them.
// A pseudo-terminal opens whatever the framing says and its modem lines read as asserted.
//
// On Unix the output is written to the device straight from the piece handed over, as fast
// as the device takes it; no copy of it is queued in QSerialPort. While some of it still
// waits here, OutBufferCount does not ask the driver: the count is then below the true one,
// but never 0.
//
// Closing first lets go of output still on its way: once a drain (StartDrain) has seen it
// all on the line nothing is left; otherwise what the driver holds is discarded, so that
// nothing leaves after a stop or at the settings the device had before it was opened.
class SerialPortLine : public SerialLine {
    Q_OBJECT
public:
    explicit SerialPortLine(QObject *parent = nullptr);
    ~SerialPortLine() override;

    // Polling interval of the modem lines and error counters, in milliseconds.
    static constexpr int kPollInterval = 5;
    // The most bytes read from the device at a time; while input is paused the device is
    // read no further than this.
    static constexpr qint64 kReadBuffer = 16 * 1024;

protected:
    int openDevice() override;
    void closeDevice() override;
    int writeDevice(const QByteArray &data) override;
    int pendingOutput(int &count) override;
    int modemLine(ModemLine line, bool &state) override;
    int applyControlLines() override;
    int startDrain() override;
    bool drained() override;
    bool outputQueueKnown() const override;
    void pauseInput(bool paused) override;

private:
    int configure();
    void tuneTermios(bool parityChecked);
    void readArrived();
    void portError(QSerialPort::SerialPortError error);
    bool deviceLost() const;
    void poll();
    bool pollModemLines();
    bool pollCounters();
    int parityErrorsUnmarked();
    qsizetype pushOutput();
    void outputWritable();
    void endDrain();

    QSerialPort *m_port = nullptr; // owned; not a child, see closeDevice()
    QString m_device;
    bool m_pty = false;
    bool m_parityChecked = false;
    QTimer m_poll;
    int m_inCallback = 0;
    bool m_pollLines = false;
    int m_lines = 0;
    bool m_pollCounters = false;
    int m_counters[5] = {}; // break, frame, overrun, buffer overrun, parity
    MarkedInput m_marked;
    int m_parityAtOpen = 0;
    int m_parityMarked = 0; // parity errors counted by the driver that marks stood for
    QByteArray m_out;       // output not yet taken by the device, from m_outDone on
    qsizetype m_outDone = 0;
    QSocketNotifier *m_writable = nullptr; // owned while open, as m_port
    std::thread m_drain;
    std::atomic<bool> m_drainDone{false};
    std::atomic<int> m_drainError{0};
    bool m_sentAll = false; // a drain has seen every byte written on the line
    bool m_rtsHeld = false; // RTS held down under the hardware handshake
};

} // namespace kordavel
