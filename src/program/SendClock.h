// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace kordavel {

// The time a send has moved, on the transfer clock (milliseconds): from its start, with the
// time the machine held it (XOFF, CTS or DSR down) left out, so that a rate taken from it is
// the line's own and the time left stays put while the machine holds the send.
class SendClock {
public:
    // The send starts at now, held or not as noted so far.
    void start(qint64 now);
    // Notes whether the machine holds the send at now; true when that changed.
    bool hold(bool held, qint64 now);
    bool held() const { return m_held; }
    // The time the send has moved from its start to now; never below 0.
    qint64 movingMs(qint64 now) const;

private:
    qint64 m_start = 0;
    qint64 m_heldMs = 0;   // held time since the start, the hold under way left out
    qint64 m_heldFrom = 0; // where the hold under way began (not before the start)
    bool m_held = false;
};

} // namespace kordavel
