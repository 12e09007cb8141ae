// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DefaultLineSettings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QWidget;

namespace kordavel {

// The line-settings controls shared by the communication panel of a program window and
// the Options dialog: port, baud rate, data bits, parity and stop bits lists, the four
// flow-control check boxes and the ISO/EIA option pair. Owners place them.
class LineSettingsControls {
public:
    explicit LineSettingsControls(QWidget *parent);

    QLabel *lblPort, *lblBaudRate, *lblDataBits, *lblParity, *lblStopBits;
    QComboBox *cboPort, *cboBaudRate, *cboDataBits, *cboParity, *cboStopBits;
    QCheckBox *chkXOnXOff, *chkWaitXOn, *chkRTSCTS, *chkDSRDTR;
    QRadioButton *optFormat[2];
    QButtonGroup *formatGroup;

    // Fills the lists (baud rates, parities, stop bits, data bits, ports) and gives the
    // check boxes their first states (XOn/XOff, RTS/CTS, DSR/DTR on, Wait for XOn off).
    void fill();
    // Sets the controls from the stored defaults, in the keys' order. A value that its list
    // does not hold, or a box or code value that is not 0 or 1, leaves the control as it is.
    void load(const DefaultLineSettings &settings);
    // What the controls show. A list without a chosen item gives the fallback's value.
    DefaultLineSettings current(const DefaultLineSettings &fallback) const;
    // Captions and tooltips in the current language.
    void setLanguage();
};

} // namespace kordavel
