// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's commands that look at a program without changing it: Program Facts and
// Compare With.
#include "frmMain.h"

#include "common/AppState.h"
#include "common/CommonDialog.h"
#include "common/MessageBox.h"
#include "editor/ProgramFile.h"
#include "editor/ProgramView.h"
#include "editor/RichTextBox.h"
#include "program/FileDialogChoice.h"
#include "program/FileProblemText.h"
#include "program/ProgramPanel.h"
#include "program/frmCompare.h"
#include "program/frmCompareWith.h"
#include "program/frmPreview.h"
#include "program/frmProgram.h"
#include "program/frmProgramFacts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <new>

namespace kordavel {

namespace {

// The program's lines, one row per block as the preview reads them.
QString programLines(const frmProgram &program)
{
    if (const ProgramView *view = programView(program.editor()))
        return view->buffer().text(0, view->buffer().size());
    return frmCompare::documentLines(*program.rtfText->document());
}

} // namespace

void frmMain::programFacts()
{
    frmProgram *program = activeProgram();
    if (!program)
        return;
    // Read as the program's preview reads it.
    const auto *preview = program->findChild<frmPreview *>();
    auto *facts = new frmProgramFacts(program->windowTitle(), programLines(*program),
                                      program->picControl->cboMashine->currentText(),
                                      preview && preview->chkLathe->isChecked(), this);
    facts->show();
}

// The other program windows are offered most recently active first: a program received
// back is compared with the one sent by choosing OK.
void frmMain::programCompare()
{
    frmProgram *active = activeProgram();
    if (!active)
        return;
    QList<QPointer<frmProgram>> others;
    QStringList captions;
    const QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = subs.crbegin(); it != subs.crend(); ++it)
        if (auto *program = qobject_cast<frmProgram *>((*it)->widget());
            program && program != active) {
            others << program;
            captions << program->windowTitle();
        }
    const QPointer<frmProgram> left(active);
    const auto show = [this, left](const QString &caption, const QString &text) {
        if (!left)
            return;
        auto *compare =
            new frmCompare(left->windowTitle(), programLines(*left), caption, text, this);
        compare->show();
    };
    auto *picker = new frmCompareWith(captions, this);
    connect(picker, &frmCompareWith::windowChosen, this, [others, show](int index) {
        if (const QPointer<frmProgram> other = others.value(index))
            show(other->windowTitle(), programLines(*other));
    });
    connect(picker, &frmCompareWith::fileWanted, this, [this, show] {
        const std::optional<QString> name = CommonDialog::instance().showOpen(
            this, QStringLiteral("Open"), programFileFilter(), openDialogStart(lastProgramFile()));
        if (!name || name->isEmpty())
            return;
        FileCheck problem;
        std::optional<ProgramFile> file;
        try {
            file = loadProgramFile(*name, &problem);
        } catch (const std::bad_alloc &) {
            problem.problem = FileProblem::OutOfMemory;
        }
        if (!file) {
            MsgBox(fileProblemText(*name, problem), MsgIcon::Exclamation,
                   QLatin1String(kProductName), this);
            return;
        }
        noteProgramFile(*name);
        show(*name, file->content.plainText());
    });
    picker->open();
}

} // namespace kordavel
