// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's commands of the program tools: Find, Find Next, Replace, Clean, Numbering.
#include "frmMain.h"

#include "editor/ProgramText.h"
#include "program/frmProgram.h"
#include "tools/frmFindReplace.h"
#include "tools/frmGoTo.h"

namespace kordavel {

void frmMain::editFind()
{
    if (unlockedProgram())
        ShowFindDialog();
}

void frmMain::editFindNext()
{
    if (!unlockedProgram())
        return;
    bool useLastText = true;
    FindNextMatch(useLastText);
}

void frmMain::editReplace()
{
    if (unlockedProgram())
        ShowFindDialog();
}

void frmMain::editGoTo()
{
    if (frmProgram *program = unlockedProgram())
        (new frmGoTo(program->editor(), this))->open();
}

void frmMain::programClean()
{
    frmProgram *program = unlockedProgram();
    if (program && program->editor()->textLength() > 0)
        program->Clean();
}

void frmMain::programNumbering()
{
    frmProgram *program = unlockedProgram();
    if (program && program->editor()->textLength() > 0)
        program->Numbering();
}

void frmMain::followFindDialog()
{
    FollowFrameState(isMinimized());
}

} // namespace kordavel
