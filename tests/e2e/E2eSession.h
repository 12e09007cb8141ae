#pragma once

// A started Kordavel with simulated machines on ports 7 and 8: the program windows, the
// panel, the channel and the serial layer are the real ones.
#include "app/SettingsStore.h"
#include "app/frmMain.h"
#include "dnc/SerialLine.h"
#include "dnc/ucDnc.h"
#include "editor/RichTextBox.h"
#include "profiles/ValueLists.h"
#include "program/ProgramPanel.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "support/MachineSimulator.h"
#include "support/QuestionAnswerer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QtTest>

#include <memory>

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

struct E2eSession {
    TestFolders folders;
    ScriptedDialogs dialogs;
    MachineSimulator machine1;
    MachineSimulator machine2;
    std::unique_ptr<frmMain> frame;

    E2eSession()
    {
        machine1.mapTo(kPort1);
        machine2.mapTo(kPort2);
        SaveSetting(QStringLiteral("Default"), QStringLiteral("Port"),
                    QStringLiteral("Com") + QString::number(kPort1));
        frame = std::make_unique<frmMain>();
        frame->startUp();
    }
    ~E2eSession()
    {
        if (frame) {
            for (frmProgram *program : frame->programWindows()) {
                program->StopSending();
                if (program->isModified())
                    answerNextQuestion(clickNo());
                program->parentWidget()->close();
            }
            frame->close();
            frame.reset();
        }
        frmQuestion::releaseInstance();
    }
    E2eSession(const E2eSession &) = delete;
    E2eSession &operator=(const E2eSession &) = delete;

    frmProgram *program() const { return frame->activeProgram(); }
    void menu(const char *name) const { frame->menuEntry(QLatin1String(name))->trigger(); }
    static QString panel(frmProgram *p, int i) { return p->stbPanel[i]->text(); }
    static bool portOpen(frmProgram *p) { return p->ucDnc1->MSComm1().PortOpen(); }
};

} // namespace kordavel::test
