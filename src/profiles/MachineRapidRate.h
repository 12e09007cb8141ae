// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kordavel {

// The rate in mm/min at which a machine makes its rapids, kept per machine in the settings
// store (section "Machine <name>", key "RapidRate"; "NONE" too has one).
inline constexpr double kDefaultRapidRate = 5000;
inline constexpr double kMinRapidRate = 1;
inline constexpr double kMaxRapidRate = 1'000'000;

// The stored rate, or the default when it is absent or no number in range.
double ReadRapidRate(const QString &machine);
void SaveRapidRate(const QString &machine, double rate);

} // namespace kordavel
