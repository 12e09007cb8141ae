// SPDX-License-Identifier: GPL-3.0-or-later
// Figures the benchmarks share: the median of runs and the process's memory.
#pragma once

#include <QFile>

#include <algorithm>
#include <vector>

namespace kordavel::bench {

inline double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
}

// Resident memory now (VmRSS) or at its peak (VmHWM), in MB; the peak can be started over.
inline double memoryMB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

inline void restartPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace kordavel::bench
