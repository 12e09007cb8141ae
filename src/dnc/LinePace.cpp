// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinePace.h"

#include <algorithm>
#include <cmath>

namespace kordavel {

namespace {

// A port that counts its queue is looked at this often.
constexpr int kQueueWakeMs = 2;
// The longest sleep between two steps.
constexpr int kLongestWakeMs = 50;

} // namespace

void LinePace::start(const LineSettings &settings, qint64 nowMs)
{
    m_perMs = charactersPerSecond(settings) / 1000.0;
    m_ahead = 0;
    m_at = nowMs;
}

int LinePace::room(qint64 nowMs, int queued, bool known)
{
    if (nowMs > m_at) {
        m_ahead = std::max(0.0, m_ahead - double(nowMs - m_at) * m_perMs);
        m_at = nowMs;
    }
    const double ahead = known ? double(queued) : std::max(std::ceil(m_ahead), double(queued));
    return std::max(0, kAhead - int(ahead));
}

void LinePace::handed(qint64 characters)
{
    m_ahead += double(characters);
}

int LinePace::wakeMs(bool known) const
{
    if (known)
        return kQueueWakeMs;
    const double ms = (m_ahead - kAhead / 2) / m_perMs;
    return std::clamp(int(std::ceil(ms)), 1, kLongestWakeMs);
}

} // namespace kordavel
