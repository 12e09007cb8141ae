// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "profiles/LineSettingsControls.h"

#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;

namespace kordavel {

class ucDnc;

// The communication panel at the right edge of a program window: the machine and the line
// settings of the window's own channel. Every change, by the user or by code, goes at once
// into that channel and nowhere else. The panel is as large as its controls need; the window
// scrolls it when it is lower than that.
class ProgramPanel : public QWidget {
    Q_OBJECT
public:
    // setMachineIcon gives the window a machine's icon and answers whether it could.
    ProgramPanel(ucDnc *channel, std::function<bool(const QString &)> setMachineIcon,
                 QWidget *parent = nullptr);
    ~ProgramPanel() override;

    // The panel's width in twips, where every caption fits in it.
    static constexpr double kWidth = 1452;

    // Fills the lists and gives the check boxes and the code option their first values.
    void Fill();
    // Sets the controls from the stored default line settings.
    void LoadDefaults();
    void SetLanguage();

    QLabel *lblMashine;
    QComboBox *cboMashine;
    LineSettingsControls *controls;

private:
    void cboMashine_Click();
    void placeControls();
    void chkFlag(int state, void (ucDnc::*setter)(bool));

    ucDnc *m_channel;
    std::function<bool(const QString &)> m_setMachineIcon;
    std::unique_ptr<LineSettingsControls> m_controls;
    qint32 m_lastMachine = -1;
};

} // namespace kordavel
