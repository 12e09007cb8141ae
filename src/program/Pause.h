// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <functional>

namespace kordavel {

// Waits the given seconds while the application keeps processing its events (input,
// painting, timers, serial notifications): the caller's window stays usable. The time is
// measured on a steady clock, so midnight or a change of the system clock within the wait
// neither ends it early nor stretches it. Not greater than 0: returns at once.
void Pause(float seconds);

// The clock Pause reads, in milliseconds; tests put their own in (nullptr: the steady
// clock).
void setPauseClock(std::function<qint64()> clock);

} // namespace kordavel
