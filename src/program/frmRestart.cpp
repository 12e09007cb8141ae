// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmRestart.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kordavel {

QStringList headerBlocks(const QString &text)
{
    QStringList blocks;
    for (const QString &row : text.split(QLatin1Char('\n'))) {
        QString block;
        for (const QChar c : row)
            if (c.unicode() >= 32 && c.unicode() <= 126)
                block += c;
        block = block.trimmed();
        if (!block.isEmpty())
            blocks.append(block);
    }
    return blocks;
}

frmRestart::frmRestart(QWidget *parent, qsizetype line, const QStringList &header)
    : QDialog(parent), m_line(line)
{
    setObjectName(QStringLiteral("frmRestart"));
    setWindowTitle(QStringLiteral("Send from Caret"));
    setAttribute(Qt::WA_DeleteOnClose);
    lblHeader = new QLabel(this);
    lblHeader->setWordWrap(true);
    txtHeader = new QPlainTextEdit(this);
    txtHeader->setObjectName(QStringLiteral("txtHeader"));
    txtHeader->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtHeader->setPlainText(header.join(QLatin1Char('\n')));
    txtHeader->setTabChangesFocus(true);
    lblHeader->setBuddy(txtHeader);
    auto *buttons = new QDialogButtonBox(this);
    cmdSend = buttons->addButton(QStringLiteral("Send"), QDialogButtonBox::AcceptRole);
    cmdCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmdSend->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHeader);
    layout->addWidget(txtHeader, 1);
    layout->addWidget(buttons);
    resize(460, 380);
    SetLanguage();
    txtHeader->setFocus();
}

bool frmRestart::SetLanguage()
{
    setWindowTitle(GetString(QStringLiteral("Send from Caret"), 590));
    lblHeader->setText(
        GetString(QStringLiteral("The machine gets these blocks first, then the program from "
                                 "line %1 on. Check them and change what the machine needs:"),
                  591)
            .arg(m_line));
    cmdSend->setText(GetString(QStringLiteral("Send"), 592));
    cmdCancel->setText(GetString(QStringLiteral("Cancel"), 202));
    return true;
}

QStringList frmRestart::header() const
{
    return headerBlocks(txtHeader->toPlainText());
}

} // namespace kordavel
