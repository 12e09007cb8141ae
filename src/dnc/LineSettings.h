// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace kordavel {

// A settings string "baud,parity,data bits,stop bits", for example "4800,e,7,2".
struct LineSettings {
    qint32 baudRate = 0;
    char parity = 'N'; // upper case: N, E, O, M or S
    int dataBits = 8;  // 4 to 8
    int stopBits = 1;  // 1, 2, or 15 for one and a half
};

// The settings of a well-formed string, or nothing for a malformed one.
std::optional<LineSettings> parseLineSettings(const QString &settings);

// Milliseconds, rounded up, that the bytes take on the line: a start bit, the data bits,
// the parity bit and the stop bits each.
qint64 lineTimeMs(const LineSettings &settings, qint64 bytes);
// Characters a second that the line carries at most (one and a half stop bits count as such).
double charactersPerSecond(const LineSettings &settings);

} // namespace kordavel
