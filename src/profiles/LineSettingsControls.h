// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DefaultLineSettings.h"
#include "PortList.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QWidget;

namespace kordavel {

// The line-settings controls shared by the communication panel of a program window and
// the Options dialog: port, baud rate, data bits, parity and stop bits lists, the four
// flow-control check boxes, the ISO/EIA option pair, the end-of-receive list and the pace list.
// Owners place them.
class LineSettingsControls {
public:
    explicit LineSettingsControls(QWidget *parent);

    QLabel *lblPort, *lblBaudRate, *lblDataBits, *lblParity, *lblStopBits;
    PortList *cboPort;
    QComboBox *cboBaudRate, *cboDataBits, *cboParity, *cboStopBits;
    QCheckBox *chkXOnXOff, *chkWaitXOn, *chkRTSCTS, *chkDSRDTR;
    QRadioButton *optFormat[2];
    QButtonGroup *formatGroup;
    // How a receive ends, by index: 0 by hand, 1 at the closing %, 2 after 5 s quiet.
    QLabel *lblReceiveEnd;
    QComboBox *cboReceiveEnd;
    // The pace of a send, by index: 0 one line per 0.4 s, 1 the line's speed.
    QLabel *lblPace;
    QComboBox *cboPace;

    // Fills the lists (baud rates, parities, stop bits, data bits, ports) and gives the
    // check boxes their first states (XOn/XOff, RTS/CTS, DSR/DTR on, Wait for XOn off); the
    // receive ends by hand and a send goes one line per 0.4 s.
    void fill();
    // Sets the controls from the stored defaults, in the keys' order. A port stored but absent
    // is chosen, marked; any other value that its list does not hold, or a box or code value
    // that is not 0 or 1, leaves the control as it is; an end of receive other than 1 or 2 is
    // by hand, a pace other than 1 is 0.4 s per line.
    void load(const DefaultLineSettings &settings);
    // What the controls show. A list without a chosen item gives the fallback's value.
    DefaultLineSettings current(const DefaultLineSettings &fallback) const;
    // Captions and tooltips in the current language.
    void setLanguage();
    // The end-of-receive and pace lists at least as wide as their longest choices (call after
    // placing them).
    void widenLists();
};

} // namespace kordavel
