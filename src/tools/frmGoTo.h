// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kordavel {

class ProgramText;

// Go To: takes a line or block number (GoToLine) and puts the editor's caret at the start
// of that line, in view. A number that names no line beeps and says so; the dialog stays.
// Opened with open(): the window it was opened over waits, nothing else does.
class frmGoTo : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    frmGoTo(ProgramText *editor, QWidget *parent);
    bool SetLanguage() override;

    QLabel *lblLine;
    QLineEdit *txtLine;
    QLabel *lblProblem;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

private:
    void go();

    ProgramText *m_editor;
    QPointer<QWidget> m_editorWidget; // gone with the editor
};

} // namespace kordavel
