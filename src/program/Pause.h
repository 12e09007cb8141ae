// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <functional>

namespace kordavel {

// The pause before a send is a state of the channel's transfer machine (ucDnc::StartPause):
// the window stays usable meanwhile. It is measured on a steady clock, so midnight or a
// change of the system clock within it neither ends it early nor stretches it.
inline constexpr qint64 kSendPauseMs = 2000;

// The clock the pause reads, in milliseconds; tests put their own in (nullptr: the steady
// clock).
void setPauseClock(std::function<qint64()> clock);

} // namespace kordavel
