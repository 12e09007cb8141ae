// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kordavel {

// The Clean dialog: which of unusable symbols, block numbers (with their address letter)
// and empty rows to remove. Made for each use; every use starts from the same choices.
class frmClean : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    enum AnswerCode { OK = 2, Cancel = 3 };

    explicit frmClean(QWidget *parent = nullptr);

    // Shows the dialog modally. After OK sets the option bits 0 to 2 (keeping the others)
    // and the symbol (empty unless "Numbering" is checked) and returns 2; otherwise clears
    // both and returns 3. Closing the window answers Cancel.
    qint32 Answer(quint8 &options, QString &symbol);
    bool SetLanguage() override;

    QGroupBox *fraClean;
    QCheckBox *chkBadSymbols;
    QCheckBox *chkNumbering;
    QLabel *lblSymbol;
    QLineEdit *txtSymbol;
    QCheckBox *chkEmptyRows;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

    bool blnBadSymbols = false;
    bool blnNumbering = false;
    bool blnEmptyRows = false;

protected:
    void reject() override;

private:
    qint32 m_answer = Cancel;
    QString m_symbol;
};

// Asks for the Clean options; true after OK.
bool AskClean(quint8 &options, QString &symbol);

} // namespace kordavel
