// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmAbout.h"

#include "Version.h"

#include "common/AppState.h"
#include "common/Twips.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace kordavel {

QString programVersion()
{
    return QString::number(KORDAVEL_VERSION_MAJOR) + QLatin1Char('.') +
           QString::number(KORDAVEL_VERSION_MINOR);
}

QString releaseVersion()
{
    return QStringLiteral(KORDAVEL_VERSION);
}

frmAbout::frmAbout(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twipsToPixelsX(6708), twipsToPixelsY(5340));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    placeInTwips(picIcon, 120, 120, 432, 432);
    picIcon->setPixmap(QIcon(QStringLiteral(":/kordavel.svg")).pixmap(picIcon->size()));

    lblTitle = new QLabel(QLatin1String(kProductName), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    lblTitle->setFont(big);
    placeInTwips(lblTitle, 720, 120, 5412, 480);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    placeInTwips(lblVersion, 720, 1860, 5412, 228);
    lblVersion->setMinimumHeight(lblVersion->sizeHint().height());

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    placeInTwips(divider, 240, 3600, 6600 - 240, 30);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    placeInTwips(cmdOK, 4800, 3960, 1467, 345);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    SetLanguage();
}

bool frmAbout::SetLanguage()
{
    setWindowTitle(GetString(windowTitle(), 236));
    lblVersion->setText(GetString(QString(), 237) + QLatin1Char(' ') + programVersion());
    cmdOK->setText(GetString(cmdOK->text(), 201));
    return true;
}

} // namespace kordavel
