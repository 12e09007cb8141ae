// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLimits.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <limits>
#include <unistd.h>

namespace kordavel {

namespace {

// What a program costs the editor once it is open and laid out, as bench_editor --large
// measures it (peak memory less the 28 MB of an empty editor, Debian 12, x86-64):
//   open-nc,   2,000,000 CAM lines of 28 bytes (56.4 MB):   1,494 MB,  26.5 bytes a byte;
//   open-dnc,  1,000,000 such lines as RTF (32.7 MB):         793 MB,  24 bytes a byte;
//   open-line, one line of a million characters:                43 MB,  43 bytes a byte;
//   1,000,000 empty lines, or of "X1", or of "N10 G1 X1":  576, 632 and 661 MB,
//              576 to 661 bytes a line.
// A byte costs at most 43 and a line at most about 700, so a file counts 48 bytes a byte
// and 704 a line, whichever is more, against the memory the editor may take.
constexpr qint64 kBytesPerByte = 48;
constexpr qint64 kBytesPerLine = 704;
// Editor positions are ints and count a line end as two characters.
constexpr qint64 kMostPositions = std::numeric_limits<int>::max() / 2;
// Where the system cannot tell its memory.
constexpr qint64 kAssumedMemory = qint64(2) << 30;

std::atomic<qint64> g_memory{0};

qint64 halfThePhysicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return kAssumedMemory / 2;
    return qint64(pages) * pageSize / 2;
}

// What the system can give now, free memory and caches it may drop (Linux: MemAvailable);
// -1 when it cannot say.
qint64 availableMemory()
{
    QFile info(QStringLiteral("/proc/meminfo"));
    if (!info.open(QIODevice::ReadOnly))
        return -1;
    // A /proc file tells no size; the line wanted is among the first few.
    for (const QByteArray &line : info.read(4096).split('\n'))
        if (line.startsWith("MemAvailable:"))
            return line.mid(13).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

} // namespace

EditorLimits editorLimits()
{
    // The toolkit's text document cannot report memory running out (it ends the program), so
    // the editor takes no more than the system has to give at the time.
    static const qint64 half = halfThePhysicalMemory();
    qint64 memory = g_memory.load();
    if (memory <= 0) {
        const qint64 available = availableMemory();
        memory = available > 0 ? std::min(half, available) : half;
    }
    EditorLimits out;
    out.bytes = std::min(memory / kBytesPerByte, kMostPositions);
    out.lines = std::min(memory / kBytesPerLine, kMostPositions);
    return out;
}

void setEditorMemory(qint64 bytes)
{
    g_memory = std::max<qint64>(bytes, 0);
}

} // namespace kordavel
