// SPDX-License-Identifier: GPL-3.0-or-later
#include "MarkedInput.h"

namespace kordavel {

QByteArray MarkedInput::take(const QByteArray &bytes, int parityErrors, const QByteArray &replace,
                             Found &found)
{
    const QByteArray data = m_tail + bytes;
    m_tail.clear();
    QByteArray result;
    result.reserve(data.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] != char(0xFF)) {
            result += data[i];
            continue;
        }
        if (i + 1 >= data.size()) {
            m_tail = data.mid(i);
            break;
        }
        if (data[i + 1] == char(0xFF)) {
            result += char(0xFF);
            ++i;
            continue;
        }
        if (data[i + 1] != '\0') {
            result += data[i];
            continue;
        }
        if (i + 2 >= data.size()) {
            m_tail = data.mid(i);
            break;
        }
        const char byte = data[i + 2];
        i += 2;
        if (byte == '\0') {
            ++found.breaks;
        } else if (found.parity < parityErrors) {
            ++found.parity;
            result += replace.isEmpty() ? QByteArray(1, byte) : replace.left(1);
        } else {
            ++found.framing;
            result += byte;
        }
    }
    return result;
}

} // namespace kordavel
