// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmOptions.h"

#include "common/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

namespace kordavel {

frmOptions::frmOptions(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);
    sstabOptions = new QTabWidget(this);
    sstabOptions->setObjectName(QStringLiteral("sstabOptions"));
    auto *page = new QWidget;
    sstabOptions->addTab(page, QStringLiteral("Communication"));
    sstabOptions->setTabToolTip(0, QStringLiteral("Default values"));

    m_controls = std::make_unique<LineSettingsControls>(page);
    controls = m_controls.get();

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    controls->fill();
    m_loaded = ReadDefaultLineSettings();
    controls->load(m_loaded);
    SetLanguage();
}

// Escape reaches QDialog::reject, the same as Cancel.
void frmOptions::cmdOK_Click()
{
    // A list without a chosen item (no serial port present) keeps the stored value.
    SaveDefaultLineSettings(controls->current(m_loaded));
    accept();
}

bool frmOptions::SetLanguage()
{
    setWindowTitle(GetString(windowTitle(), 250));
    sstabOptions->setTabText(0, GetString(sstabOptions->tabText(0), 251));
    sstabOptions->setTabToolTip(0, GetString(sstabOptions->tabToolTip(0), 336));
    controls->setLanguage();
    cmdOK->setText(GetString(cmdOK->text(), 201));
    cmdCancel->setText(GetString(cmdCancel->text(), 202));
    placeControls();
    return true;
}

// Every control at its own place, in twips; where a caption is longer in this language, the
// columns to its right move over and the dialog widens by as much, its buttons keeping to the
// right.
void frmOptions::placeControls()
{
    placeInTwips(sstabOptions, 120, 120, 5652, 3972);
    // Positions are relative to the tab control; the page starts below the tab row.
    const int tabBar = sstabOptions->tabBar()->sizeHint().height();
    const auto place = [tabBar](QWidget *w, double l, double t, double width, double h) {
        placeInTwips(w, l, t, width, h);
        w->move(w->x(), std::max(0, w->y() - tabBar));
    };
    place(controls->lblPort, 240, 600, 1092, 252);
    place(controls->cboPort, 1680, 600, 1092, 288);
    place(controls->lblBaudRate, 240, 1080, 1092, 252);
    place(controls->cboBaudRate, 1680, 1080, 1092, 288);
    place(controls->lblDataBits, 240, 1560, 1092, 252);
    place(controls->cboDataBits, 1680, 1560, 1092, 288);
    place(controls->lblParity, 240, 2040, 1092, 252);
    place(controls->cboParity, 1680, 2040, 1092, 288);
    place(controls->lblStopBits, 240, 2520, 1092, 252);
    place(controls->cboStopBits, 1680, 2520, 1092, 288);
    place(controls->chkXOnXOff, 3480, 600, 1092, 252);
    place(controls->chkWaitXOn, 3480, 960, 1812, 252);
    place(controls->chkRTSCTS, 3480, 1440, 1092, 252);
    place(controls->chkDSRDTR, 3480, 1800, 1092, 252);
    place(controls->optFormat[0], 3600, 2400, 732, 252);
    place(controls->optFormat[1], 3600, 2640, 732, 252);
    place(controls->lblReceiveEnd, 240, 3000, 1092, 252);
    place(controls->cboReceiveEnd, 1680, 3000, 1092, 288);
    place(controls->lblPace, 240, 3480, 1092, 252);
    place(controls->cboPace, 1680, 3480, 1092, 288);
    controls->widenLists();
    placeInTwips(cmdOK, 3000, 4200, 1212, 372);
    placeInTwips(cmdCancel, 4440, 4200, 1212, 372);
    const int wider = fitTextsInTwipsContent(sstabOptions->widget(0));
    sstabOptions->resize(sstabOptions->width() + wider, sstabOptions->height());
    cmdOK->move(cmdOK->x() + wider, cmdOK->y());
    cmdCancel->move(cmdCancel->x() + wider, cmdCancel->y());
    setFixedSize(twipsToPixelsX(5892) + wider, twipsToPixelsY(4692));
}

void frmOptions::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    SetLanguage();
}

void frmOptions::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        SetLanguage();
}

} // namespace kordavel
