// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReceiveFlow.h"

#include <algorithm>

namespace kordavel {

ReceiveFlow::ReceiveFlow(qsizetype highWater, qsizetype lowWater, qsizetype bound)
    : m_high(highWater), m_low(std::min(lowWater, highWater)), m_bound(std::max(bound, highWater))
{}

bool ReceiveFlow::put(const QByteArray &bytes)
{
    // The taken bytes go once they are most of the buffer, so each is moved at most once.
    if (m_from > 0 && m_from >= size()) {
        m_bytes.remove(0, m_from);
        m_from = 0;
    }
    m_bytes += bytes;
    if (m_held || size() < m_high)
        return false;
    m_held = true;
    return true;
}

bool ReceiveFlow::releases(qsizetype most) const
{
    return m_held && (most < 0 || size() - most <= m_low);
}

QByteArray ReceiveFlow::take(qsizetype most)
{
    const qsizetype count = most < 0 ? size() : std::min(most, size());
    QByteArray taken = m_bytes.mid(m_from, count);
    m_from += count;
    if (m_from == m_bytes.size()) {
        m_bytes.clear();
        m_from = 0;
    }
    if (size() <= m_low)
        m_held = false;
    return taken;
}

void ReceiveFlow::clear()
{
    m_bytes.clear();
    m_from = 0;
    m_held = false;
}

} // namespace kordavel
