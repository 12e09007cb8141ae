// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramPanel.h"

#include "common/Twips.h"
#include "dnc/ucDnc.h"
#include "i18n/Language.h"
#include "profiles/ValueLists.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace kordavel {

ProgramPanel::ProgramPanel(ucDnc *channel, std::function<bool(const QString &)> setMachineIcon,
                           QWidget *parent)
    : QWidget(parent), m_channel(channel), m_setMachineIcon(std::move(setMachineIcon))
{
    setObjectName(QStringLiteral("picControl"));
    lblMashine = new QLabel(QStringLiteral("Mashine:"), this);
    lblMashine->setObjectName(QStringLiteral("lblMashine"));
    cboMashine = new QComboBox(this);
    cboMashine->setObjectName(QStringLiteral("cboMashine"));
    m_controls = std::make_unique<LineSettingsControls>(this);
    controls = m_controls.get();

    placeControls();

    const auto listValue = [this](QComboBox *list, void (*apply)(ucDnc *, const QString &)) {
        connect(list, &QComboBox::currentIndexChanged, this, [this, list, apply](int index) {
            if (index >= 0)
                apply(m_channel, list->itemText(index));
        });
    };
    // The port is the item's data: an absent port's text carries its mark.
    connect(controls->cboPort, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_channel->setComPort(controls->cboPort->itemData(index).toString());
    });
    listValue(controls->cboBaudRate, [](ucDnc *c, const QString &v) { c->setBaudRate(v); });
    listValue(controls->cboDataBits, [](ucDnc *c, const QString &v) { c->setDataBits(v); });
    listValue(controls->cboParity, [](ucDnc *c, const QString &v) { c->setParity(v); });
    listValue(controls->cboStopBits, [](ucDnc *c, const QString &v) { c->setStopBits(v); });
    connect(controls->chkXOnXOff, &QCheckBox::stateChanged, this,
            [this](int state) { chkFlag(state, &ucDnc::setXOnXOff); });
    connect(controls->chkRTSCTS, &QCheckBox::stateChanged, this,
            [this](int state) { chkFlag(state, &ucDnc::setRTSCTS); });
    connect(controls->chkDSRDTR, &QCheckBox::stateChanged, this,
            [this](int state) { chkFlag(state, &ucDnc::setDTRDTS); });
    connect(controls->chkWaitXOn, &QCheckBox::stateChanged, this,
            [this](int state) { m_channel->setWaitXOn(state == Qt::Checked); });
    connect(controls->formatGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && (id == 0 || id == 1))
            m_channel->setEIA(id == 1);
    });
    connect(cboMashine, &QComboBox::currentIndexChanged, this, &ProgramPanel::cboMashine_Click);
}

ProgramPanel::~ProgramPanel() = default;

// Checked sets the flag, unchecked clears it; a partial state changes nothing.
void ProgramPanel::chkFlag(int state, void (ucDnc::*setter)(bool))
{
    if (state == Qt::Checked)
        (m_channel->*setter)(true);
    else if (state == Qt::Unchecked)
        (m_channel->*setter)(false);
}

void ProgramPanel::Fill()
{
    controls->fill();
    FillMachines(cboMashine);
}

void ProgramPanel::LoadDefaults()
{
    controls->load(ReadDefaultLineSettings());
}

// A machine whose icon cannot be loaded gives way to the machine chosen before.
void ProgramPanel::cboMashine_Click()
{
    const int index = cboMashine->currentIndex();
    if (index < 0)
        return;
    if (!m_setMachineIcon(cboMashine->itemText(index))) {
        if (m_lastMachine >= 0 && m_lastMachine != index && m_lastMachine < cboMashine->count())
            cboMashine->setCurrentIndex(m_lastMachine);
        return;
    }
    m_lastMachine = index;
}

void ProgramPanel::SetLanguage()
{
    lblMashine->setText(GetString(lblMashine->text(), 213));
    lblMashine->setToolTip(GetString(lblMashine->toolTip(), 315));
    cboMashine->setToolTip(GetString(cboMashine->toolTip(), 321));
    controls->setLanguage();
    placeControls();
}

// Every control at its own place, in twips, where its caption fits; a caption longer in this
// language (or font) than its place widens its control, and the panel with it.
void ProgramPanel::placeControls()
{
    placeInTwips(lblMashine, 120, 120, 1092, 252);
    placeInTwips(cboMashine, 120, 360, 1092, 288);
    placeInTwips(controls->lblPort, 120, 960, 1092, 252);
    placeInTwips(controls->cboPort, 120, 1200, 1092, 288);
    placeInTwips(controls->lblBaudRate, 120, 1680, 1092, 252);
    placeInTwips(controls->cboBaudRate, 120, 1920, 1092, 288);
    placeInTwips(controls->lblDataBits, 120, 2400, 1092, 252);
    placeInTwips(controls->cboDataBits, 120, 2640, 1092, 288);
    placeInTwips(controls->lblParity, 120, 3120, 1092, 252);
    placeInTwips(controls->cboParity, 120, 3360, 1092, 288);
    placeInTwips(controls->lblStopBits, 120, 3840, 1092, 252);
    placeInTwips(controls->cboStopBits, 120, 4080, 1092, 288);
    placeInTwips(controls->chkXOnXOff, 120, 4680, 1092, 252);
    placeInTwips(controls->chkWaitXOn, 120, 4920, 1092, 432);
    placeInTwips(controls->chkRTSCTS, 120, 5520, 1092, 252);
    placeInTwips(controls->chkDSRDTR, 120, 5880, 1092, 252);
    placeInTwips(controls->optFormat[0], 240, 6360, 732, 252);
    placeInTwips(controls->optFormat[1], 240, 6600, 732, 252);
    placeInTwips(controls->lblReceiveEnd, 120, 7080, 1092, 252);
    placeInTwips(controls->cboReceiveEnd, 120, 7320, 1092, 288);
    placeInTwips(controls->lblPace, 120, 7800, 1092, 252);
    placeInTwips(controls->cboPace, 120, 8040, 1092, 288);
    controls->widenLists();
    fitTextsInTwipsContent(this);
    int right = 0;
    int bottom = 0;
    for (const QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        right = std::max(right, child->x() + child->width());
        bottom = std::max(bottom, child->y() + child->height());
    }
    // As tall as its controls: a window lower than that scrolls the panel.
    setFixedSize(std::max(twipsToPixelsX(kWidth), right + twipsToPixelsX(120)),
                 bottom + twipsToPixelsY(120));
}

} // namespace kordavel
