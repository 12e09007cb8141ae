// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmClean.h"

#include "SymbolBox.h"

#include "common/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace kordavel {

frmClean::frmClean(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmClean"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setWindowTitle(QStringLiteral("Clean"));
    setFixedSize(twipsToPixelsX(3840), twipsToPixelsY(2280));

    fraClean = new QGroupBox(QStringLiteral("Clean"), this);
    fraClean->setObjectName(QStringLiteral("fraClean"));
    chkBadSymbols = new QCheckBox(QStringLiteral("Unusable Symbols"), fraClean);
    chkBadSymbols->setObjectName(QStringLiteral("chkBadSymbols"));
    chkNumbering = new QCheckBox(QStringLiteral("Numbering"), fraClean);
    chkNumbering->setObjectName(QStringLiteral("chkNumbering"));
    lblSymbol = new QLabel(QStringLiteral("==> Symbol"), fraClean);
    lblSymbol->setObjectName(QStringLiteral("lblSymbol"));
    txtSymbol = new SymbolBox(fraClean);
    txtSymbol->setObjectName(QStringLiteral("txtSymbol"));
    chkEmptyRows = new QCheckBox(QStringLiteral("Empty Rows"), fraClean);
    chkEmptyRows->setObjectName(QStringLiteral("chkEmptyRows"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    placeInTwips(fraClean, 120, 60, 3600, 1500);
    placeInTwips(chkBadSymbols, 240, 300, 3000, 300);
    placeInTwips(chkNumbering, 240, 660, 1560, 300);
    placeInTwips(lblSymbol, 1800, 684, 1020, 252);
    placeInTwips(txtSymbol, 2880, 648, 420, 312);
    placeInTwips(chkEmptyRows, 240, 1020, 3000, 300);
    placeInTwips(cmdOK, 480, 1716, 1212, 372);
    placeInTwips(cmdCancel, 2100, 1716, 1212, 372);
    cmdOK->setDefault(true);
    cmdCancel->setAutoDefault(false);

    connect(chkBadSymbols, &QCheckBox::stateChanged, this,
            [this](int state) { blnBadSymbols = state == Qt::Checked; });
    connect(chkNumbering, &QCheckBox::stateChanged, this, [this](int state) {
        blnNumbering = state == Qt::Checked;
        lblSymbol->setEnabled(blnNumbering);
        txtSymbol->setEnabled(blnNumbering);
    });
    connect(chkEmptyRows, &QCheckBox::stateChanged, this,
            [this](int state) { blnEmptyRows = state == Qt::Checked; });
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        m_symbol = txtSymbol->text();
        m_answer = OK;
        done(QDialog::Accepted);
    });
    connect(cmdCancel, &QPushButton::clicked, this, &frmClean::reject);

    // The load step: captions, the starting choices, and the handlers run once so that the
    // Booleans and the symbol box follow the boxes.
    SetLanguage();
    chkBadSymbols->setChecked(true);
    chkNumbering->setChecked(false);
    chkEmptyRows->setChecked(true);
    txtSymbol->setText(QStringLiteral("N"));
    blnBadSymbols = chkBadSymbols->isChecked();
    blnNumbering = chkNumbering->isChecked();
    lblSymbol->setEnabled(blnNumbering);
    txtSymbol->setEnabled(blnNumbering);
    blnEmptyRows = chkEmptyRows->isChecked();
}

bool frmClean::SetLanguage()
{
    setWindowTitle(GetString(windowTitle(), 205));
    fraClean->setTitle(GetString(fraClean->title(), 206));
    chkBadSymbols->setText(GetString(chkBadSymbols->text(), 207));
    chkNumbering->setText(GetString(chkNumbering->text(), 208));
    lblSymbol->setText(GetString(lblSymbol->text(), 209));
    chkEmptyRows->setText(GetString(chkEmptyRows->text(), 210));
    cmdOK->setText(GetString(cmdOK->text(), 201));
    cmdCancel->setText(GetString(cmdCancel->text(), 202));
    fitTextsInTwipsLayout(fraClean);
    fitTextsInTwipsLayout(this);
    return true;
}

// Cancel, Escape and the window's close box.
void frmClean::reject()
{
    m_answer = Cancel;
    QDialog::reject();
}

qint32 frmClean::Answer(quint8 &options, QString &symbol)
{
    m_answer = Cancel;
    exec();
    if (m_answer != OK) {
        options = 0;
        symbol.clear();
        return Cancel;
    }
    const auto setBit = [&options](quint8 bit, bool on) {
        options = on ? quint8(options | bit) : quint8(options & ~bit);
    };
    setBit(1, blnBadSymbols);
    setBit(2, blnNumbering);
    setBit(4, blnEmptyRows);
    symbol = blnNumbering ? m_symbol : QString();
    return OK;
}

bool AskClean(quint8 &options, QString &symbol)
{
    options = 0;
    symbol.clear();
    frmClean dialog(QApplication::activeWindow());
    return dialog.Answer(options, symbol) == frmClean::OK;
}

} // namespace kordavel
