// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmGoTo.h"

#include "GoToLine.h"

#include "common/MessageBox.h"
#include "editor/ProgramText.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kordavel {

frmGoTo::frmGoTo(ProgramText *editor, QWidget *parent)
    : QDialog(parent), m_editor(editor), m_editorWidget(editor ? editor->widget() : nullptr)
{
    setObjectName(QStringLiteral("frmGoTo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Go To"));
    lblLine = new QLabel(QStringLiteral("Line number, or block number as N1200:"), this);
    lblLine->setObjectName(QStringLiteral("lblLine"));
    txtLine = new QLineEdit(this);
    txtLine->setObjectName(QStringLiteral("txtLine"));
    txtLine->setMaxLength(20);
    lblLine->setBuddy(txtLine);
    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblLine);
    layout->addWidget(txtLine);
    layout->addWidget(lblProblem);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmGoTo::go);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtLine, &QLineEdit::textEdited, lblProblem, &QLabel::clear);
    SetLanguage();
}

bool frmGoTo::SetLanguage()
{
    setWindowTitle(GetString(windowTitle(), 550));
    lblLine->setText(GetString(lblLine->text(), 551));
    if (!lblProblem->text().isEmpty())
        lblProblem->setText(GetString(lblProblem->text(), 552));
    cmdOK->setText(GetString(cmdOK->text(), 201));
    cmdCancel->setText(GetString(cmdCancel->text(), 202));
    return true;
}

void frmGoTo::go()
{
    if (!m_editorWidget) {
        reject();
        return;
    }
    const int line = goToLine(*m_editor, txtLine->text(), m_editor->caretLineNumber());
    if (line < 0) {
        Beep();
        lblProblem->setText(GetString(QStringLiteral("There is no such line or block."), 552));
        txtLine->selectAll();
        txtLine->setFocus();
        return;
    }
    m_editor->setSelStart(m_editor->lineStartPosition(line));
    m_editor->showCaret();
    accept();
    // Typing goes on at the new place.
    m_editorWidget->activateWindow();
    m_editorWidget->setFocus();
}

} // namespace kordavel
