// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the toolpath interpreter. No program may crash it, hang it, convert
// a number out of range or make it hold more than its bounds. Every point, centre and turn
// of the path is finite, every segment's points are in the path, the lines come in order,
// and the arcs give finite points at the piece counts the view asks for from the smallest
// to the largest zoom. Read a line at a time, the program gives the same path.
//
// The first byte chooses the lathe mode (bit 0) and whole numbers as thousandths (bit 1);
// the rest is the program, as UTF-8. The machine kind is read from the same program.
#include "tools/MachineKind.h"
#include "tools/ToolpathInterpreter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>

using namespace kordavel;

namespace {

// Few enough moves that one run stays fast, enough that the bound is met.
constexpr qsizetype kMaxSegments = 50'000;
// The farthest a point may be: kMaxNumber in inches, moved kMaxSegments times.
const double kFarthest = ToolpathInterpreter::kMaxNumber * 25.4 * 2 * kMaxSegments;

[[noreturn]] void fail(const char *what, long long at)
{
    std::fprintf(stderr, "%s (%lld)\n", what, at);
    std::abort();
}

bool fine(const ToolpathPoint &p)
{
    for (const double c : {p.x, p.y, p.z})
        if (!(std::abs(c) <= kFarthest))
            return false;
    return true;
}

void check(const Toolpath &path, qsizetype lines)
{
    if (path.segments.size() > kMaxSegments)
        fail("too many segments", path.segments.size());
    if (path.unknown.size() > ToolpathInterpreter::kMaxUnknown ||
        path.unknownCount < path.unknown.size())
        fail("unknown words beyond their bound", path.unknownCount);
    for (const ToolpathPoint &p : path.points)
        if (!fine(p))
            fail("a point out of range", &p - path.points.constData());
    qint32 line = 0;
    ToolpathPoint out[2049];
    for (const ToolpathSegment &s : path.segments) {
        const long long at = &s - path.segments.constData();
        if (s.first < 0 || s.count != 2 || s.first > path.points.size() - s.count)
            fail("a segment's points outside the path", at);
        if (s.line < line || s.line >= lines)
            fail("a segment's line out of order", at);
        line = s.line;
        if (s.kind != ToolpathSegment::Arc)
            continue;
        if (!fine(s.centre) || !(std::abs(s.turn) <= 2 * std::numbers::pi + 1e-9))
            fail("an arc's centre or turn out of range", at);
        // The piece counts of the view: its bounds, and its drawing at every zoom.
        const double radius = arcRadius(path, s);
        for (const double scale : {1e-6, 1e-3, 1.0, 1e3, 1e7}) {
            const double step = std::sqrt(2.8 / std::max(radius * scale, 1e-9));
            const int pieces = arcPieces(s.turn, step, 2048);
            if (pieces < 1 || pieces > 2048)
                fail("an arc's pieces out of range", pieces);
            arcPoints(path, s, pieces, out);
            for (int i = 0; i <= pieces; ++i)
                if (!fine(out[i]))
                    fail("an arc's point out of range", at);
        }
        (void)arcPieces(s.turn, std::numbers::pi / 8, 64);
    }
}

bool samePath(const Toolpath &a, const Toolpath &b)
{
    if (a.points != b.points || a.unknown != b.unknown || a.unknownCount != b.unknownCount ||
        a.segments.size() != b.segments.size())
        return false;
    for (qsizetype i = 0; i < a.segments.size(); ++i) {
        const ToolpathSegment &s = a.segments[i], &t = b.segments[i];
        if (s.kind != t.kind || s.line != t.line || s.first != t.first || s.plane != t.plane ||
            !(s.centre == t.centre) || s.turn != t.turn)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool lathe = data[0] & 1;
    const bool thousandths = data[0] & 2;
    const QString program =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    (void)machineKindOf(program);
    ToolpathInterpreter whole(lathe, kMaxSegments);
    whole.setThousandths(thousandths);
    for (qsizetype at = 0; at < program.size();)
        at = whole.addLines(program, at, program.size());
    const Toolpath path = whole.takePath();
    check(path, program.count(QLatin1Char('\n')) + 1);

    ToolpathInterpreter sliced(lathe, kMaxSegments);
    sliced.setThousandths(thousandths);
    for (qsizetype at = 0; at < program.size();)
        at = sliced.addLines(program, at, 1);
    if (!samePath(path, sliced.path()))
        fail("read a line at a time, the path differs", path.segments.size());
    return 0;
}
