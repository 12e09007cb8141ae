// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmCompareWith.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kordavel {

frmCompareWith::frmCompareWith(const QStringList &windows, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCompareWith"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    lstPrograms = new QListWidget(this);
    lstPrograms->setObjectName(QStringLiteral("lstPrograms"));
    lstPrograms->addItems(windows);
    if (!windows.isEmpty())
        lstPrograms->setCurrentRow(0);
    cmdFile = new QPushButton(QStringLiteral("Open"), this);
    cmdFile->setObjectName(QStringLiteral("cmdFile"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setEnabled(!windows.isEmpty());
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdFile);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstPrograms);
    layout->addLayout(buttons);
    resize(420, 300);
    // One click on a window chooses it.
    connect(lstPrograms, &QListWidget::itemClicked, this, &frmCompareWith::chooseWindow);
    connect(lstPrograms, &QListWidget::itemActivated, this, &frmCompareWith::chooseWindow);
    connect(cmdOK, &QPushButton::clicked, this, &frmCompareWith::chooseWindow);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdFile, &QPushButton::clicked, this, [this] {
        accept();
        emit fileWanted();
    });
    SetLanguage();
}

bool frmCompareWith::SetLanguage()
{
    setWindowTitle(GetString(QStringLiteral("Compare With…"), 571).remove(QStringLiteral("…")));
    cmdFile->setText(GetString(QStringLiteral("Open"), 103) + QStringLiteral("…"));
    cmdOK->setText(GetString(QStringLiteral("OK"), 201));
    cmdCancel->setText(GetString(QStringLiteral("Cancel"), 202));
    return true;
}

void frmCompareWith::chooseWindow()
{
    const int row = lstPrograms->currentRow();
    if (row < 0)
        return;
    accept();
    emit windowChosen(row);
}

} // namespace kordavel
