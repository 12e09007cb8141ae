// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kordavel {

// The device behind port number n (1 to 16). On Linux the settings store section "Ports",
// key "Com<n>", names it; otherwise Com1-4 are /dev/ttyS0-3, Com5-12 /dev/ttyUSB0-7 and
// Com13-16 /dev/ttyACM0-3. On Windows the port is "COM<n>" itself.
QString portDevice(qint16 n);

// True when the device of port n exists and is a serial port or a pseudo-terminal. Answers
// true when the test itself cannot be made.
bool IsPortPresent(qint16 n);

// Whether a device path is a pseudo-terminal (no framing, no modem lines).
bool isPseudoTerminal(const QString &device);

} // namespace kordavel
