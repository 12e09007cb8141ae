// SPDX-License-Identifier: GPL-3.0-or-later
#include "BufferSendSource.h"

#include "common/CodePage.h"

#include <algorithm>
#include <limits>

namespace kordavel {

namespace {

// The buffer is read this many bytes at a time.
constexpr qint64 kChunk = qint64(1) << 20;

} // namespace

BufferSendSource::BufferSendSource(LineBuffer buffer, qint64 from, qint64 to)
    : m_buffer(std::move(buffer))
{
    const qint64 start = std::max<qint64>(from, 0);
    walk(m_place, start, nullptr);
    Place end = m_place;
    const qint64 wanted =
        to < 0 ? std::numeric_limits<qint64>::max() : std::max<qint64>(to - start, 0);
    m_total = walk(end, wanted, nullptr);
}

QString BufferSendSource::take(qint64 max)
{
    QString out;
    const qint64 count = std::clamp<qint64>(max, 0, m_total - m_position);
    if (count <= 0)
        return out;
    out.reserve(qsizetype(std::min(count, kChunk)));
    m_position += walk(m_place, count, &out);
    return out;
}

qint64 BufferSendSource::walk(Place &place, qint64 count, QString *out) const
{
    const qint64 size = m_buffer.size();
    qint64 moved = 0;
    while (moved < count && place.offset < size) {
        const qint64 base = place.offset;
        // One byte more than is used, to see the LF after a CR.
        const QByteArray chunk = m_buffer.bytes(base, std::min(count - moved, kChunk) + 1);
        const qsizetype usable = base + chunk.size() < size ? chunk.size() - 1 : chunk.size();
        qsizetype i = 0;
        while (moved < count && i < usable) {
            const char c = chunk[i];
            if (c != '\r' && c != '\n') {
                if (out)
                    out->append(decodeByte(static_cast<unsigned char>(c)));
                ++moved;
                ++i;
                continue;
            }
            if (!place.inEnd) {
                if (out)
                    out->append(QLatin1Char('\r'));
                ++moved;
                place.inEnd = true;
                continue;
            }
            if (out)
                out->append(QLatin1Char('\n'));
            ++moved;
            place.inEnd = false;
            i += c == '\r' && i + 1 < chunk.size() && chunk[i + 1] == '\n' ? 2 : 1;
        }
        place.offset = base + i;
    }
    return moved;
}

} // namespace kordavel
