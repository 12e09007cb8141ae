// SPDX-License-Identifier: GPL-3.0-or-later
// Line events and error reports of the channel.
#include "ucDnc.h"

#include "ErrorTexts.h"
#include "SerialLine.h"

#include <QPointer>

namespace kordavel {

void ucDnc::MSComm1_OnComm()
{
    const bool wasHeld = Held();
    const QPointer<ucDnc> alive(this);
    lineEvent();
    if (alive && Held() != wasHeld)
        emit HoldChanged(Held());
}

void ucDnc::lineEvent()
{
    // A waiting send looks at the holds again once the notification is handled.
    m_machine.wake();
    const qint16 event = m_line->CommEvent();
    switch (event) {
    case comEvSend:
        emit Status(3);
        break;
    case comEvReceive:
        receiveArrived();
        break;
    case comEvCTS:
        if (bRTSCTS) {
            bool holding = false;
            if (const int error = m_line->CTSHolding(holding)) {
                lineFailed(error);
                return;
            }
            bCtsHeld = !holding;
        }
        emit Status(4);
        break;
    case comEvDSR:
        if (bDTRDTS) {
            bool holding = false;
            if (const int error = m_line->DSRHolding(holding)) {
                lineFailed(error);
                return;
            }
            bDsrHeld = !holding;
        }
        emit Status(5);
        break;
    case comEvCD:
        emit Status(6);
        break;
    case comEvRing:
        emit Status(7);
        break;
    case comEvEOF:
        emit Status(8);
        break;
    default:
        ReportError(5000 + lineErrorOffset(event));
        break;
    }
}

// The port failed under a transfer (the device went away). The channel returns to idle, so
// that a waiting send ends and no later piece reports the same failure again, and the
// failure is reported once.
void ucDnc::portFailed(int number)
{
    if (intAction == actIdle)
        return;
    setAction(actIdle);
    ReportError(number);
}

// A call of the line failed. If the port went with it, the channel returns to idle as for
// a failed port, so the failure is reported once.
void ucDnc::lineFailed(int number)
{
    if (intAction != actIdle && !m_line->PortOpen())
        setAction(actIdle);
    ReportError(number);
}

void ucDnc::ReportError(int number)
{
    emit ErrorStatus(errorOffset(number));
}

} // namespace kordavel
