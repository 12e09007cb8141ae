// SPDX-License-Identifier: GPL-3.0-or-later
#include "MachineKind.h"

namespace kordavel {

namespace {

enum Sign : unsigned {
    LathePlane = 1,
    ToolOffset = 2,
    Incremental = 4,
    SurfaceSpeed = 8,
    TurningCycle = 16,
};

// The number after a letter at i: its value, how many digits it has and whether it has a
// point. False when no digit follows.
bool readWord(QStringView s, qsizetype &i, double &value, int &digits, bool &point)
{
    qsizetype k = i;
    if (k < s.size() && (s[k] == QLatin1Char('-') || s[k] == QLatin1Char('+')))
        ++k;
    digits = 0;
    point = false;
    double whole = 0;
    double scale = 1;
    for (; k < s.size(); ++k) {
        const char16_t u = s[k].unicode();
        if (u == '.' && !point) {
            point = true;
        } else if (u >= '0' && u <= '9') {
            ++digits;
            if (point)
                whole += (u - '0') * (scale /= 10);
            else if (digits < 10)
                whole = whole * 10 + (u - '0');
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    value = whole;
    i = k;
    return true;
}

} // namespace

MachineKind machineKindOf(QStringView program)
{
    const QStringView s = program.left(kScanCharacters);
    unsigned signs = 0;
    for (qsizetype i = 0; i < s.size();) {
        const QChar c = s[i];
        if (c == QLatin1Char('(')) {
            const qsizetype close = s.indexOf(QLatin1Char(')'), i);
            i = close < 0 ? s.size() : close + 1;
            continue;
        }
        if (c == QLatin1Char(';')) {
            const qsizetype end = s.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? s.size() : end + 1;
            continue;
        }
        const char16_t letter = c.toUpper().unicode();
        ++i;
        if (letter < 'A' || letter > 'Z')
            continue;
        double value = 0;
        int digits = 0;
        bool point = false;
        if (!readWord(s, i, value, digits, point))
            continue;
        switch (letter) {
        case 'Y':
        case 'H':
            return MachineKind::Mill;
        case 'M':
            if (value == 6)
                return MachineKind::Mill;
            break;
        case 'G':
            if (value == 17 || value == 19 || value == 43)
                return MachineKind::Mill;
            if (value == 18)
                signs |= LathePlane;
            else if (value == 96)
                signs |= SurfaceSpeed;
            else if (value == 70 || value == 71 || value == 72)
                signs |= TurningCycle;
            break;
        case 'T':
            if (digits == 4 && !point)
                signs |= ToolOffset;
            break;
        case 'U':
        case 'W':
            signs |= Incremental;
            break;
        default:
            break;
        }
    }
    int count = 0;
    for (unsigned bits = signs; bits; bits &= bits - 1)
        ++count;
    return count >= 2 ? MachineKind::Lathe : MachineKind::Unknown;
}

} // namespace kordavel
