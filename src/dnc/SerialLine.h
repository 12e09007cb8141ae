// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommTypes.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace kordavel {

// The serial communications control of one channel: port number, settings string, open and
// close, handshake, control lines, queues, output, input and the OnComm notification.
// Properties keep the control's own names. Every operation that can fail answers an error
// number (0 for success); a failed write leaves the previous value in force.
//
// Data is exchanged as text: one character per byte, all 256 byte values included.
class SerialLine : public QObject {
    Q_OBJECT
public:
    explicit SerialLine(QObject *parent = nullptr);
    ~SerialLine() override;

    qint16 CommPort() const { return m_commPort; }
    int setCommPort(qint16 port);
    QString Settings() const { return m_settings; }
    int setSettings(const QString &settings);
    bool PortOpen() const { return m_open; }
    int setPortOpen(bool open);
    qint32 Handshaking() const { return m_handshaking; }
    int setHandshaking(qint32 handshaking);
    bool DTREnable() const { return m_dtrEnable; }
    int setDTREnable(bool enable);
    bool RTSEnable() const { return m_rtsEnable; }
    int setRTSEnable(bool enable);
    qint16 InBufferSize() const { return m_inBufferSize; }
    int setInBufferSize(qint16 size);
    qint16 OutBufferSize() const { return m_outBufferSize; }
    int setOutBufferSize(qint16 size);
    qint16 InputLen() const { return m_inputLen; }
    int setInputLen(qint16 length);
    qint16 RThreshold() const { return m_rThreshold; }
    int setRThreshold(qint16 threshold);
    bool NullDiscard() const { return m_nullDiscard; }
    int setNullDiscard(bool discard);
    QString ParityReplace() const { return m_parityReplace; }
    int setParityReplace(const QString &replacement);
    qint32 InputMode() const { return m_inputMode; }
    int setInputMode(qint32 mode);

    // Queues the bytes for sending and returns at once.
    int Output(const QByteArray &data);
    // Takes what has arrived (at most InputLen bytes when InputLen is not 0).
    int Input(QByteArray &data);
    // Bytes not yet sent: those still queued here plus those in the driver's transmit queue
    // (a line may leave the driver's part out while some wait here: never 0 before all left).
    int OutBufferCount(int &count);
    int CTSHolding(bool &holding);
    int DSRHolding(bool &holding);
    int CDHolding(bool &holding);
    // Starts waiting, off this thread, until the device has put every byte written on the
    // line, its own buffer included; Drained tells when the wait has ended (or the port
    // closed). Closing the port while bytes are still going out discards them.
    int StartDrain();
    bool Drained();
    // OutBufferCount includes what the driver holds until the line has carried it. A device
    // that cannot say (a pseudo-terminal, whose count ends where the far end reads) answers
    // false.
    bool QueueKnown() const { return m_open && outputQueueKnown(); }
    // While paused the device is not read: what arrives waits in its own buffer (the driver's,
    // the far end of a pseudo-terminal) and comes once input goes on. When that buffer is
    // full the sender waits, or a line without flow control overruns and says so (the
    // driver's counters raise comEventOverrun or comEventRxOver). A port opens unpaused.
    void setInputPaused(bool paused);
    bool InputPaused() const { return m_inputPaused; }

    qint16 CommEvent() const { return m_commEvent; }

signals:
    // CommEvent has a new value.
    void OnComm();
    // The device failed while open (for instance a USB adapter was unplugged). The port is
    // closed already; number is the error to report.
    void PortFailed(int number);

protected:
    enum class ModemLine { Cts, Dsr, Cd, Ring };

    // The device side. openDevice answers an error number; the others run only while open.
    virtual int openDevice() = 0;
    virtual void closeDevice() = 0;
    virtual int writeDevice(const QByteArray &data) = 0;
    virtual int pendingOutput(int &count) = 0;
    virtual int modemLine(ModemLine line, bool &state) = 0;
    // DTREnable, RTSEnable or Handshaking changed while open.
    virtual int applyControlLines() { return comNoError; }
    // A device without a buffer of its own has sent everything once pendingOutput is 0.
    virtual int startDrain() { return comNoError; }
    virtual bool drained() { return true; }
    virtual bool outputQueueKnown() const { return false; }
    // InputPaused changed while open.
    virtual void pauseInput(bool paused) { Q_UNUSED(paused); }

    // The device delivers received bytes; raises comEvReceive as RThreshold asks. False when
    // this line was destroyed by a handler of the notification.
    bool deliver(const QByteArray &bytes);
    // Sets CommEvent and raises OnComm. False when a handler destroyed this line.
    bool raise(qint16 event);
    // The device is gone: closes the port and raises PortFailed once.
    void fail(int number);
    // The device is gone, found inside a call of the channel (which learns it from the
    // error answered and from PortOpen): closes the port without a notification.
    void lose();

private:
    qint16 m_commPort = 1;
    QString m_settings = QStringLiteral("9600,n,8,1");
    bool m_open = false;
    qint32 m_handshaking = comNone;
    bool m_dtrEnable = false;
    bool m_rtsEnable = false;
    qint16 m_inBufferSize = 1024;
    qint16 m_outBufferSize = 512;
    qint16 m_inputLen = 0;
    qint16 m_rThreshold = 0;
    bool m_nullDiscard = false;
    QString m_parityReplace = QStringLiteral("?");
    qint32 m_inputMode = 0;
    qint16 m_commEvent = 0;
    bool m_inputPaused = false;
    QByteArray m_received;
};

} // namespace kordavel
