// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "i18n/Language.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kordavel {

// Whether numbering with these choices gives every block a number of its own: 0 when it does,
// else the string-table offset of why not.
using NumberingCheck =
    std::function<int(qint32 start, qint32 step, const QString &symbol, bool emptyRows)>;

// The Numbering dialog: start, step, address letter and whether empty rows get numbers.
// Made for each use; every use starts from the same choices. OK is refused, with the reason
// shown in the dialog, while the choices would give two blocks the same number.
class frmNumbering : public QDialog, public LanguageAware {
    Q_OBJECT
public:
    enum AnswerCode { OK = 2, Cancel = 3 };

    explicit frmNumbering(QWidget *parent = nullptr);
    ~frmNumbering() override;

    // What OK checks; without one, only a step of 0 is refused.
    void setCheck(NumberingCheck check) { m_check = std::move(check); }

    // Shows the dialog modally. After OK sets the four choices and returns 2; otherwise
    // sets start and step to 0, the symbol to empty, empty rows to false and returns 3.
    // Closing the window answers Cancel.
    qint32 Answer(qint32 &Start, qint32 &Step, QString &Symbol, bool &blnEmptyRows);
    bool SetLanguage() override;

    QLabel *lblStart;
    QLineEdit *txtStart;
    QLabel *lblStep;
    QLineEdit *txtStep;
    QLabel *lblSymbol;
    QLineEdit *txtSymbol;
    QCheckBox *chkEmptyRows;
    // Why OK was refused; hidden until it is.
    QLabel *lblRefusal;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;

protected:
    void reject() override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The number box that holds the focus and may not lose it, or none.
    QLineEdit *invalidFocusedBox() const;
    void acceptChoices();
    void showRefusal(int offset);

    qint32 m_answer = Cancel;
    qint32 m_start = 0;
    qint32 m_step = 0;
    QString m_symbol;
    bool m_emptyRows = false;
    NumberingCheck m_check;
    int m_refusal = 0; // the offset shown in lblRefusal
};

// Why numbering `blocks` blocks from start by step would give two of them the same number:
// 520 for a step of 0, 521 when the last numbers would leave the 32-bit range that block
// numbers are written in; 0 when every block gets its own.
int numberingRefusal(qint32 start, qint32 step, qint64 blocks);

// A start or step as typed: a whole number (blanks around it allowed) within the 32-bit
// range; nothing for any other text.
std::optional<qint32> wholeNumber(const QString &text);

// Asks for the numbering choices; true after OK.
bool AskNumbering(qint32 &start, qint32 &step, QString &symbol, bool &emptyRows,
                  NumberingCheck check = {});

} // namespace kordavel
