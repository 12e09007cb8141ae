// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kordavel {

// Shows the blocks a restart sends before the program goes on from a line, for the
// operator to check and edit. Not modal to the application: it is opened with open() and
// ends with accepted() or rejected(); Escape and the close box are Cancel.
class frmRestart : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    // line: the 1-based line the program goes on from.
    frmRestart(QWidget *parent, qsizetype line, const QStringList &header);
    bool SetLanguage() override;

    // The blocks as they stand in the box: blanks around each dropped, empty rows and
    // characters a control cannot read (outside 32 to 126) left out.
    QStringList header() const;

    QLabel *lblHeader;
    QPlainTextEdit *txtHeader;
    QPushButton *cmdSend;
    QPushButton *cmdCancel;

private:
    qsizetype m_line;
};

// The blocks of an edited header: one a row, blanks around it dropped, empty rows and
// characters outside 32 to 126 left out.
QStringList headerBlocks(const QString &text);

} // namespace kordavel
