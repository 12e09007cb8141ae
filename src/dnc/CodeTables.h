// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <array>
#include <optional>

namespace kordavel {

// EIA (RS-244) punched-tape code tables, indexed 0 to 128 by character code. An entry holds
// the code to put in place of the character, or PassThrough to keep the character.
inline constexpr qint16 PassThrough = 333;
using CodeTable = std::array<qint16, 129>;

struct CodeTables {
    CodeTable IsoToEia;
    CodeTable EiaToIso;
};

// The 49 ISO/EIA pairs, entered into both tables so that they are exact inverses.
CodeTables InitCodeTables();

// Converts text to EIA (toEia) or back. Carriage returns are dropped in both directions.
// Nothing when a character is above 128: such text cannot be converted.
std::optional<QByteArray> convertCode(const QByteArray &text, bool toEia, const CodeTables &tables);

} // namespace kordavel
