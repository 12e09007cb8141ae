// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace kordavel {

// Received bytes as the terminal driver marks them: a byte received with a parity or a
// framing error arrives as 0xFF 0x00 and the byte, a break as 0xFF 0x00 0x00 (as is a NUL
// with an error, which a break mostly is), a real 0xFF doubled. The marks do not tell a parity
// error from a framing error; the caller says how many parity errors the marks may stand for (the
// driver's counters tell), the rest are framing errors.
class MarkedInput {
public:
    struct Found {
        int breaks = 0;
        int parity = 0;
        int framing = 0;
    };

    // The data of the next bytes. A byte with a parity error becomes replace (itself when
    // replace is empty); one with a framing error stays as it came; a break adds nothing.
    // A mark cut off at the end waits for the next bytes.
    QByteArray take(const QByteArray &bytes, int parityErrors, const QByteArray &replace,
                    Found &found);
    void clear() { m_tail.clear(); }

private:
    QByteArray m_tail;
};

} // namespace kordavel
