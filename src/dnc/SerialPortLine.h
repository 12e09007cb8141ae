#pragma once

#include "SerialLine.h"

#include <QSerialPort>
#include <QTimer>

namespace kordavel {

// The serial line over a real device (QSerialPort). Ports are numbered 1 to 16 and mapped
// to devices by portDevice(). Modem lines and the driver's error counters are polled every
// few milliseconds while the port is open, since the device gives no notice of them.
// A pseudo-terminal opens whatever the framing says and its modem lines read as asserted.
class SerialPortLine : public SerialLine {
    Q_OBJECT
public:
    explicit SerialPortLine(QObject *parent = nullptr);
    ~SerialPortLine() override;

    // Polling interval of the modem lines and error counters, in milliseconds.
    static constexpr int kPollInterval = 5;

protected:
    int openDevice() override;
    void closeDevice() override;
    int writeDevice(const QByteArray &data) override;
    int pendingOutput(int &count) override;
    int modemLine(ModemLine line, bool &state) override;
    int applyControlLines() override;

private:
    int configure();
    void tuneTermios(bool parityChecked);
    void readArrived();
    void portError(QSerialPort::SerialPortError error);
    void poll();
    bool pollModemLines();
    bool pollCounters();
    QByteArray unmark(const QByteArray &bytes, int &marked);

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
    QByteArray m_markTail;
};

} // namespace kordavel
