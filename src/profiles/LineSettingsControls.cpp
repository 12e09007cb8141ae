// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineSettingsControls.h"

#include "ValueLists.h"

#include "common/SettingsStore.h"
#include "i18n/Language.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>

namespace kordavel {

namespace {

template <typename T> T *named(QWidget *parent, const char *name)
{
    auto *widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

void loadBox(QCheckBox *box, const QString &value)
{
    const std::optional<qint16> state = storedNumber(value);
    if (state == 0 || state == 1)
        box->setChecked(*state == 1);
}

void relabel(QWidget *widget, int caption, int tooltip, const QString &captionText)
{
    if (caption) {
        if (auto *label = qobject_cast<QLabel *>(widget))
            label->setText(GetString(captionText, caption));
        else if (auto *box = qobject_cast<QCheckBox *>(widget))
            box->setText(GetString(captionText, caption));
    }
    widget->setToolTip(GetString(widget->toolTip(), tooltip));
}

QString listText(const QComboBox *list, const QString &fallback)
{
    return list->currentIndex() < 0 ? fallback : list->currentText();
}

QString boxText(const QCheckBox *box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

LineSettingsControls::LineSettingsControls(QWidget *parent)
{
    lblPort = named<QLabel>(parent, "lblPort");
    cboPort = named<PortList>(parent, "cboPort");
    lblBaudRate = named<QLabel>(parent, "lblBaudRate");
    cboBaudRate = named<QComboBox>(parent, "cboBaudRate");
    lblDataBits = named<QLabel>(parent, "lblDataBits");
    cboDataBits = named<QComboBox>(parent, "cboDataBits");
    lblParity = named<QLabel>(parent, "lblParity");
    cboParity = named<QComboBox>(parent, "cboParity");
    lblStopBits = named<QLabel>(parent, "lblStopBits");
    cboStopBits = named<QComboBox>(parent, "cboStopBits");
    chkXOnXOff = named<QCheckBox>(parent, "chkXOnXOff");
    chkWaitXOn = named<QCheckBox>(parent, "chkWaitXOn");
    chkRTSCTS = named<QCheckBox>(parent, "chkRTSCTS");
    chkDSRDTR = named<QCheckBox>(parent, "chkDSRDTR");
    optFormat[0] = named<QRadioButton>(parent, "optFormat0");
    optFormat[1] = named<QRadioButton>(parent, "optFormat1");
    optFormat[0]->setText(QStringLiteral("ISO"));
    optFormat[1]->setText(QStringLiteral("EIA"));
    formatGroup = new QButtonGroup(parent);
    formatGroup->addButton(optFormat[0], 0);
    formatGroup->addButton(optFormat[1], 1);
    lblReceiveEnd = named<QLabel>(parent, "lblReceiveEnd");
    cboReceiveEnd = named<QComboBox>(parent, "cboReceiveEnd");
    for (const char *text : {"By hand", "At the closing %", "After 5 s quiet"})
        cboReceiveEnd->addItem(QLatin1String(text));
    lblPace = named<QLabel>(parent, "lblPace");
    cboPace = named<QComboBox>(parent, "cboPace");
    for (const char *text : {"0.4 s per line", "Line speed"})
        cboPace->addItem(QLatin1String(text));
    // English texts until the first relabelling.
    lblPort->setText(QStringLiteral("Port:"));
    lblBaudRate->setText(QStringLiteral("BaudRate:"));
    lblDataBits->setText(QStringLiteral("Data Bits:"));
    lblParity->setText(QStringLiteral("Parity"));
    lblStopBits->setText(QStringLiteral("Stop Bits:"));
    chkXOnXOff->setText(QStringLiteral("XOn/XOff"));
    chkWaitXOn->setText(QStringLiteral("Wait for XOn"));
    chkRTSCTS->setText(QStringLiteral("RTS/CTS"));
    chkDSRDTR->setText(QStringLiteral("DSR/DTR"));
    lblReceiveEnd->setText(QStringLiteral("End of receive:"));
    lblPace->setText(QStringLiteral("Pace:"));
}

void LineSettingsControls::fill()
{
    FillBaudRates(cboBaudRate);
    FillParities(cboParity);
    FillStopBits(cboStopBits);
    FillDataBits(cboDataBits);
    FillPorts(cboPort);
    chkXOnXOff->setChecked(true);
    chkRTSCTS->setChecked(true);
    chkDSRDTR->setChecked(true);
    chkWaitXOn->setChecked(false);
    optFormat[0]->setChecked(true);
    cboReceiveEnd->setCurrentIndex(0);
    cboPace->setCurrentIndex(0);
}

void LineSettingsControls::load(const DefaultLineSettings &settings)
{
    // A stored port that is absent shows marked; the built-in one is chosen only when present.
    if (GetSetting(QLatin1String(kDefaultSection), QStringLiteral("Port"), QString()).isEmpty())
        selectItemText(cboPort, settings.Port);
    else
        cboPort->choose(settings.Port);
    selectItemText(cboBaudRate, settings.BaudRate);
    selectItemText(cboDataBits, settings.DataBits);
    selectItemText(cboParity, settings.Parity);
    selectItemText(cboStopBits, settings.StopBits);
    loadBox(chkXOnXOff, settings.XOnXOff);
    loadBox(chkWaitXOn, settings.WaitXOn);
    loadBox(chkRTSCTS, settings.RTSCTS);
    loadBox(chkDSRDTR, settings.DSRDTR);
    const std::optional<qint16> format = storedNumber(settings.ISOEIA);
    if (format == 0 || format == 1)
        optFormat[*format]->setChecked(true);
    const std::optional<qint16> end = storedNumber(settings.ReceiveEnd);
    cboReceiveEnd->setCurrentIndex(end == 1 || end == 2 ? *end : 0);
    cboPace->setCurrentIndex(storedNumber(settings.Pace) == 1 ? 1 : 0);
}

DefaultLineSettings LineSettingsControls::current(const DefaultLineSettings &fallback) const
{
    DefaultLineSettings out;
    out.Port = cboPort->currentIndex() < 0 ? fallback.Port : cboPort->port();
    out.BaudRate = listText(cboBaudRate, fallback.BaudRate);
    out.DataBits = listText(cboDataBits, fallback.DataBits);
    out.Parity = listText(cboParity, fallback.Parity);
    out.StopBits = listText(cboStopBits, fallback.StopBits);
    out.XOnXOff = boxText(chkXOnXOff);
    out.WaitXOn = boxText(chkWaitXOn);
    out.RTSCTS = boxText(chkRTSCTS);
    out.DSRDTR = boxText(chkDSRDTR);
    out.ISOEIA = optFormat[1]->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    out.ReceiveEnd = QString::number(std::max(0, cboReceiveEnd->currentIndex()));
    out.Pace = QString::number(std::max(0, cboPace->currentIndex()));
    return out;
}

void LineSettingsControls::widenLists()
{
    for (QComboBox *list : {cboReceiveEnd, cboPace})
        list->resize(std::max(list->width(), list->sizeHint().width()), list->height());
}

void LineSettingsControls::setLanguage()
{
    relabel(lblPort, 214, 316, lblPort->text());
    relabel(cboPort, 0, 322, QString());
    cboPort->relabel();
    relabel(lblBaudRate, 215, 317, lblBaudRate->text());
    relabel(cboBaudRate, 0, 323, QString());
    relabel(lblDataBits, 216, 318, lblDataBits->text());
    relabel(cboDataBits, 0, 324, QString());
    relabel(lblParity, 218, 320, lblParity->text());
    relabel(cboParity, 0, 326, QString());
    relabel(lblStopBits, 217, 319, lblStopBits->text());
    relabel(cboStopBits, 0, 325, QString());
    relabel(chkXOnXOff, 219, 327, chkXOnXOff->text());
    relabel(chkWaitXOn, 220, 328, chkWaitXOn->text());
    relabel(chkRTSCTS, 221, 329, chkRTSCTS->text());
    relabel(chkDSRDTR, 222, 330, chkDSRDTR->text());
    relabel(lblReceiveEnd, 410, 411, lblReceiveEnd->text());
    relabel(cboReceiveEnd, 0, 412, QString());
    for (int i = 0; i < cboReceiveEnd->count(); ++i)
        cboReceiveEnd->setItemText(i, GetString(cboReceiveEnd->itemText(i), 413 + i));
    relabel(lblPace, 416, 417, lblPace->text());
    relabel(cboPace, 0, 418, QString());
    for (int i = 0; i < cboPace->count(); ++i)
        cboPace->setItemText(i, GetString(cboPace->itemText(i), 419 + i));
}

} // namespace kordavel
