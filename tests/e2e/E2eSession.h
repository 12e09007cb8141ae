// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A started Kordavel with simulated machines on ports 7 and 8: the program windows, the
// panel, the channel and the serial layer are the real ones.
#include "dnc/SerialLine.h"
#include "dnc/ucDnc.h"
#include "profiles/ValueLists.h"
#include "program/Pause.h"
#include "program/ProgramPanel.h"
#include "program/TransferSteps.h"
#include "support/FrameSession.h"
#include "support/PtyMachine.h"
#include "support/RecordingTerminal.h"

#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

namespace kordavel::test {

inline constexpr int kPort1 = 7;
inline constexpr int kPort2 = 8;

// Chooses port n in the window's panel; true when the channel took it.
inline bool selectPort(frmProgram *p, int n)
{
    return selectItemText(p->picControl->controls->cboPort,
                          QStringLiteral("Com") + QString::number(n)) &&
           p->ucDnc1->ComPort() == QStringLiteral("COM") + QString::number(n);
}

// The machines outlive the frame: its windows close before their lines go.
struct E2eMachines {
    RecordingTerminal terminal;
    PtyMachine machine1;
    PtyMachine machine2;
};

struct E2eSession : E2eMachines, FrameSession {
    E2eSession()
        : FrameSession([this] {
              machine1.mapTo(kPort1, true);
              machine2.mapTo(kPort2);
          })
    {
        setPauseClock([this] { return pauseHeld ? pauseNow : (pauseNow += 1000); });
        setTransferClock([this] { return transferNow; });
    }
    ~E2eSession()
    {
        setPauseClock(nullptr);
        setTransferClock(nullptr);
    }

    // The pause before a send reads this clock. It runs a second a reading, so that the pause
    // ends at once; while held it stands still, and the test acts inside the pause.
    qint64 pauseNow = 0;
    bool pauseHeld = false;
    // The transfer's clock (time left, quiet line) stands still until the test moves it.
    qint64 transferNow = 0;

    static QString panel(frmProgram *p, int i) { return p->stbPanel[i]->text(); }
    static bool portOpen(frmProgram *p) { return p->ucDnc1->MSComm1().PortOpen(); }
    // Back to idle as after a stop: port closed, text editable, marks gone, panels cleared,
    // no button down.
    bool idle(frmProgram *p) const
    {
        return p->actAction == actIdle && !portOpen(p) && !p->rtfText->locked() &&
               p->picControl->isEnabled() && p->rtfText->struckMarks().isEmpty() &&
               panel(p, 0) == QLatin1String("Ready") && panel(p, 1).isEmpty() &&
               panel(p, 2).isEmpty() && panel(p, 3).isEmpty() &&
               !frame->buttonValue(QStringLiteral("Send")) &&
               !frame->buttonValue(QStringLiteral("Receive"));
    }
};

} // namespace kordavel::test
