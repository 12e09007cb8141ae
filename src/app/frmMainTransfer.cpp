// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's transfer commands and the Options dialog.
#include "frmMain.h"

#include "common/CommonDialog.h"
#include "i18n/Language.h"
#include "profiles/frmOptions.h"
#include "program/FileDialogChoice.h"
#include "program/frmProgram.h"

#include <QPointer>

namespace kordavel {

namespace {

enum class Command { Send, Receive, SendFile };

} // namespace

static void runTransferCommand(frmMain *frame, Command command)
{
    QPointer<frmProgram> program = frame->activeProgram();
    if (!program)
        return;
    const qint32 state = program->actAction;
    if (command == Command::SendFile) {
        if (state == actSend) {
            program->StopSending();
        } else if (state == actIdle) {
            const std::optional<QString> name = CommonDialog::instance().showOpen(
                frame, GetString(QStringLiteral("Send File"), 432), programFileFilter(),
                openDialogStart(lastProgramFile()));
            if (!name || name->isEmpty() || !program)
                return;
            noteProgramFile(*name);
            program->SendFile(*name);
        } else {
            return;
        }
    } else if (command == Command::Send) {
        if (state == actIdle)
            program->Send();
        else if (state == actSend)
            program->StopSending();
        else
            return;
    } else {
        if (state == actIdle)
            program->Receive();
        else if (state == actReceive)
            program->StopSending();
        else
            return;
    }
    frame->showTransferButtons(program);
}

// The buttons show the window in front; a send that waits out its pause shows as sending.
void frmMain::showTransferButtons(frmProgram *program)
{
    if (!program || program != activeProgram())
        return;
    setButtonValue(QStringLiteral("Send"), program->actAction == actSend || program->Starting());
    setButtonValue(QStringLiteral("Receive"), program->actAction == actReceive);
}

void frmMain::communicationSend()
{
    runTransferCommand(this, Command::Send);
}

void frmMain::communicationReceive()
{
    runTransferCommand(this, Command::Receive);
}

void frmMain::communicationSendFile()
{
    runTransferCommand(this, Command::SendFile);
}

void frmMain::toolsOptions()
{
    frmOptions options(this);
    options.exec();
}

} // namespace kordavel
