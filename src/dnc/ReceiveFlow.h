// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace kordavel {

// The bytes of a receive that came from the line and the window has not taken yet, oldest
// first. The window takes them in steps of its own size. When they pile up to the
// high-water mark the machine is to be held (XOFF, or RTS or DTR down), and once the window
// takes them down to the low-water mark it is to be let go (XON, the line up again): put
// and releases say so once for every such crossing. From the bound on the line is not to be
// read (full): its own buffer fills, and what the machine sends then waits there, or, on a
// line without flow control, the port reports its overrun. Nothing that came is ever dropped
// here, so what is held exceeds the bound at most by the one delivery that reached it.
class ReceiveFlow {
public:
    static constexpr qsizetype kHighWater = 64 * 1024;
    static constexpr qsizetype kLowWater = 16 * 1024;
    static constexpr qsizetype kBound = 256 * 1024;

    ReceiveFlow(qsizetype highWater = kHighWater, qsizetype lowWater = kLowWater,
                qsizetype bound = kBound);

    // Bytes that came, kept whole. True when they bring the count up to the high-water mark
    // while the machine goes: it is to be held now.
    bool put(const QByteArray &bytes);
    // Whether taking most bytes lets the machine go: it is held, and the count comes down to
    // the low-water mark. Asked before the take, so that the machine is let go first.
    bool releases(qsizetype most) const;
    // The oldest bytes, at most most of them (all when most is negative).
    QByteArray take(qsizetype most);
    void clear();

    qsizetype size() const { return m_bytes.size() - m_from; }
    bool isEmpty() const { return size() == 0; }
    bool held() const { return m_held; }
    bool full() const { return size() >= m_bound; }

private:
    qsizetype m_high;
    qsizetype m_low;
    qsizetype m_bound;
    QByteArray m_bytes;
    qsizetype m_from = 0; // the bytes before it are taken
    bool m_held = false;
};

} // namespace kordavel
