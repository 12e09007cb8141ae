// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "LineSettings.h"

#include <QtGlobal>

namespace kordavel {

// How far a send at the line's speed may run ahead of the line: never more than kAhead
// characters that the line has not carried yet. Where the port counts what its driver still
// holds, that count is the measure; where it cannot say (a pseudo-terminal), the line is
// taken to carry the characters at its baud rate from the moment they were handed over.
// Times are milliseconds of the caller's clock.
class LinePace {
public:
    static constexpr int kAhead = 64;

    void start(const LineSettings &settings, qint64 nowMs);
    // Characters that may be handed over now. queued is what the port still holds, known
    // whether that includes the driver's transmit queue.
    int room(qint64 nowMs, int queued, bool known);
    void handed(qint64 characters);
    // Milliseconds until there is room for half the window again.
    int wakeMs(bool known) const;

private:
    double m_perMs = 1.0; // characters the line carries a millisecond
    double m_ahead = 0;   // characters not carried yet, at m_at
    qint64 m_at = 0;
};

} // namespace kordavel
