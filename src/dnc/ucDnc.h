// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CodeTables.h"
#include "CommTypes.h"
#include "ReceiveFlow.h"
#include "TransferMachine.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>

class QLabel;

namespace kordavel {

class SerialLine;

// The serial channel of one program window: line settings, the state machine that opens
// and closes the port, the send with XON/XOFF, RTS/CTS and DSR/DTR flow control (its waits
// are the states of a TransferMachine), receiving, the ISO/EIA code conversion, line events
// and error reports. Status and errors reach the window as string-table offsets through
// Status and ErrorStatus; the end of a send, a drain or a pause through Finished.
//
// Settings are written only while the channel is idle; at any other time a write is ignored.
// Invalid values are ignored without a report.
class ucDnc : public QWidget, private TransferMachine::Port {
    Q_OBJECT
public:
    // A channel over the real serial port.
    explicit ucDnc(QWidget *parent = nullptr);
    // A channel over the given line (tests hand in a line of their own).
    explicit ucDnc(std::unique_ptr<SerialLine> line, QWidget *parent = nullptr);
    ~ucDnc() override;

    QString ComPort() const;
    void setComPort(const QString &NewComPort);
    QString BaudRate() const;
    void setBaudRate(const QString &NewBaudRate);
    QString DataBits() const;
    void setDataBits(const QString &NewDataBits);
    QString StopBits() const;
    void setStopBits(const QString &NewStopBits);
    QString Parity() const;
    void setParity(const QString &NewParity);
    bool XOnXOff() const { return bXOnXOff; }
    void setXOnXOff(bool NewXOnXOff);
    bool RTSCTS() const { return bRTSCTS; }
    void setRTSCTS(bool NewRTSCTS);
    bool DTRDTS() const { return bDTRDTS; }
    void setDTRDTS(bool NewDTRDTS);
    void setWaitXOn(bool NewWaitXOn);
    bool EIA() const { return bEIA; }
    void setEIA(bool NewEIA);

    qint32 Action() const { return intAction; }
    // Writing any state ends a send, a drain or a pause under way, without Finished.
    void setAction(qint32 NewAction);
    // Starts sending one piece in actSend (converted to EIA when EIA is on) and returns at
    // once; Finished comes when it has left the transmit queue, after any hold. Ignored
    // while another send, drain or pause runs.
    void Send(const QString &text);
    // The same in actRemote, never converted.
    void RemoteSend(const QString &text);
    // Starts waiting until the port has put every byte sent on the line, the device's own
    // buffer included: at most as long as the bytes still queued take at the line's speed,
    // plus a margin; Finished comes at its end. Written before the normal end of a send, so
    // that the last bytes leave before the port closes. While a piece leaves (after its
    // hold), the drain takes the place of its wait, and Finished comes once only.
    void Drain();
    // Starts the pause before a send, while idle; Finished comes at its end.
    void StartPause(qint64 ms);
    // A send, a drain or a pause runs.
    bool Busy() const { return m_machine.busy(); }
    bool Pausing() const { return m_machine.state() == TransferMachine::State::Pausing; }
    // A send at the line's speed: hands the piece to the port in actSend (converted to EIA
    // when EIA is on) and returns at once, with the number of bytes handed over; -1 when it
    // could not (a stop, a port that failed, reported as Send reports it).
    qint64 Hand(const QString &text);
    // The bytes handed over that are not on the line yet, as far as the port can tell;
    // known is false where the device cannot say (then only what waits on this side counts).
    // False when the port failed (reported).
    bool Backlog(int &count, bool &known);
    // XOFF, CTS or DSR holds a send now (with its option on).
    bool Held() const
    {
        return (bXOnXOff || bRTSCTS || bDTRDTS) && (bXOffHeld || bCtsHeld || bDsrHeld);
    }
    // Takes the text received so far, the oldest first and at most most characters of it
    // (all when most is negative), converted from EIA when EIA is on. A receive keeps what
    // the window has not taken yet within ReceiveFlow's marks: when the window falls behind,
    // the machine is held with the line's own flow control (XOFF with XOnXOff, RTS down with
    // RTSCTS, DTR down with DTRDTS) and let go once the window has caught up; from the
    // bound on the port is not read until the window takes more.
    QString Receive(qsizetype most = -1);
    QString RemoteReceive();
    // Received bytes wait to be taken (whatever their text is).
    bool HasReceived() const { return !m_intake.isEmpty(); }
    // A piece waits for a hold to end: none of it has gone to the port.
    bool PieceHeld() const { return m_machine.state() == TransferMachine::State::Held; }
    bool SendInProgress() const
    {
        return m_machine.state() == TransferMachine::State::Held ||
               m_machine.state() == TransferMachine::State::Sending;
    }

    // A send entered with WaitXOn that has not had its first XON yet, and is held.
    bool WaitingForXOn() const { return bWaitingXOn && Held(); }
    // The hold conditions of a send.
    bool XOffHeld() const { return bXOffHeld; }
    bool CtsHeld() const { return bCtsHeld; }
    bool DsrHeld() const { return bDsrHeld; }
    // The serial control, for reading its properties.
    const SerialLine &MSComm1() const { return *m_line; }

signals:
    void Status(qint16 intStatus);
    void ErrorStatus(qint16 intErrorStatus);
    // A send, a drain or a pause has ended by itself (not by a change of state).
    void Finished();
    // Held() changed with a notification of the line (an XOFF or XON, CTS or DSR), after the
    // notification's Status.
    void HoldChanged(bool held);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void init();
    bool idle() const { return intAction == actIdle; }
    bool writeSettings(const QString &settings);
    QString settingsField(int index) const;
    void MSComm1_OnComm();
    void lineEvent();
    void receiveArrived();
    void portFailed(int number);
    void lineFailed(int number);
    void ReportError(int number);
    QByteArray ConvertCode(const QByteArray &text, bool toEia);
    void takeIn(const QByteArray &chunk, bool flowControl);
    void holdMachine(bool hold);
    bool openPort();
    void sendPiece(const QString &text, qint32 state, bool convert);
    // TransferMachine::Port
    bool held() const override { return Held(); }
    bool write(const QByteArray &data) override;
    bool queueEmpty(bool &empty) override;
    bool startDrain(qint64 &boundMs) override;
    bool drained() override;

    CodeTables m_tables;
    qint32 intAction = actIdle;
    ReceiveFlow m_intake; // received, not taken yet
    bool bXOffHeld = false;
    bool bCtsHeld = false;
    bool bDsrHeld = false;
    bool bXOnXOff = false;
    bool bRTSCTS = false;
    bool bDTRDTS = false;
    bool bEIA = false;
    bool bWaitXOn = false;
    bool bWaitingXOn = false; // a send waits for its first XON

    std::unique_ptr<SerialLine> m_line;
    QLabel *lblDNC = nullptr;
    // After the line: it is stopped before the line goes.
    TransferMachine m_machine{*this};
};

} // namespace kordavel
