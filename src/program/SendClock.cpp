// SPDX-License-Identifier: GPL-3.0-or-later
#include "SendClock.h"

#include <algorithm>

namespace kordavel {

void SendClock::start(qint64 now)
{
    m_start = now;
    m_heldMs = 0;
    m_heldFrom = now;
}

bool SendClock::hold(bool held, qint64 now)
{
    if (held == m_held)
        return false;
    m_held = held;
    if (held)
        m_heldFrom = std::max(now, m_start);
    else
        m_heldMs += std::max<qint64>(0, now - m_heldFrom);
    return true;
}

qint64 SendClock::movingMs(qint64 now) const
{
    const qint64 holding = m_held ? std::max<qint64>(0, now - m_heldFrom) : 0;
    return std::max<qint64>(0, now - m_start - m_heldMs - holding);
}

} // namespace kordavel
