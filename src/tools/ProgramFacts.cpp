// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgramFacts.h"

#include "TextLines.h"

#include <QVarLengthArray>

#include <cmath>
#include <numbers>

namespace kordavel {

namespace {

constexpr double kPi = std::numbers::pi;
// Segments of the interpreter's path kept before they are dropped.
constexpr qsizetype kKeptSegments = 4096;
// Characters of a tool's comment kept.
constexpr qsizetype kMaxCommentChars = 200;

struct Word {
    char letter;
    double value;
    bool point;       // written with a decimal point
    qsizetype digits; // digits written
};

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

// The words and comments of a row. False for a row that is no block ('%', blank, comments).
bool splitBlock(QStringView s, QVarLengthArray<Word, 16> &words, QString &comment)
{
    qsizetype i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    if (i < s.size() && s[i] == QLatin1Char('%'))
        return false;
    const auto note = [&](QStringView text) {
        text = text.trimmed();
        if (text.isEmpty() || comment.size() >= kMaxCommentChars)
            return;
        if (!comment.isEmpty())
            comment += QLatin1Char(' ');
        comment += text.left(kMaxCommentChars - comment.size());
    };
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == QLatin1Char('(')) {
            qsizetype close = s.indexOf(QLatin1Char(')'), i);
            if (close < 0)
                close = s.size();
            note(s.mid(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        if (c == QLatin1Char(';')) {
            note(s.mid(i + 1));
            break;
        }
        const char16_t u = c.toUpper().unicode();
        ++i;
        if (u < 'A' || u > 'Z')
            continue;
        qsizetype k = i;
        while (k < s.size() && isBlank(s[k]))
            ++k;
        bool negative = false;
        if (k < s.size() && (s[k] == QLatin1Char('-') || s[k] == QLatin1Char('+')))
            negative = s[k++] == QLatin1Char('-');
        double value = 0, scale = 0;
        qsizetype digits = 0;
        bool point = false;
        for (; k < s.size() && digits < 30; ++k) {
            const char16_t d = s[k].unicode();
            if (d == '.' && !point) {
                point = true;
                scale = 1;
            } else if (d >= '0' && d <= '9') {
                ++digits;
                value = value * 10 + (d - '0');
                scale *= 10;
            } else {
                break;
            }
        }
        if (digits == 0)
            continue;
        if (point && scale > 0)
            value /= scale;
        i = k;
        words.append({char(u), negative ? -value : value, point, digits});
    }
    return !words.isEmpty();
}

// The plane's two axes and the axis across it, as the interpreter turns its arcs.
std::array<int, 3> planeAxes(int plane)
{
    if (plane == 18)
        return {2, 0, 1};
    if (plane == 19)
        return {1, 2, 0};
    return {0, 1, 2};
}

double coord(const ToolpathPoint &p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

double distance(const ToolpathPoint &a, const ToolpathPoint &b)
{
    return std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) +
                     (b.z - a.z) * (b.z - a.z));
}

} // namespace

ProgramFactsReader::ProgramFactsReader(bool lathe, double rapidRate)
    : m_interpreter(lathe), m_lathe(lathe), m_rapidRate(rapidRate), m_perRev(lathe)
{}

ProgramFacts ProgramFactsReader::read(QStringView program, bool lathe, double rapidRate)
{
    ProgramFactsReader reader(lathe, rapidRate);
    qsizetype at = 0;
    while (at < program.size())
        at = reader.addLines(program, at, program.size());
    return reader.facts();
}

qsizetype ProgramFactsReader::addLines(QStringView text, qsizetype from, qsizetype maxLines)
{
    return addLinesOf(text, from, maxLines, [this](QStringView line) { addLine(line); });
}

ProgramFacts ProgramFactsReader::facts() const
{
    ProgramFacts facts = m_facts;
    facts.toolChanges = m_m6Blocks > 0 ? m_m6Blocks : m_toolWords;
    return facts;
}

void ProgramFactsReader::addLine(QStringView line)
{
    if (!m_ended)
        readWords(line);
    if (m_line < std::numeric_limits<qint32>::max())
        ++m_line;
}

void ProgramFactsReader::readWords(QStringView line)
{
    QVarLengthArray<Word, 16> words;
    QString comment;
    if (!splitBlock(line, words, comment)) {
        m_interpreter.addLine(line);
        return;
    }
    ++m_facts.blocks;
    bool dwell = false, limit = false, m6 = false;
    for (const Word &w : words) {
        if (w.letter == 'G') {
            const double g = w.value;
            if (g == 4)
                dwell = true;
            else if (g == 20 || g == 21) {
                m_unit = g == 20 ? 25.4 : 1;
                if (!m_unitSet)
                    m_facts.inch = g == 20;
                m_unitSet = true;
            } else if (g == 94 || g == 95)
                m_perRev = g == 95;
            else if (m_lathe && (g == 98 || g == 99))
                m_perRev = g == 99;
            else if (g == 96 || g == 97)
                m_surface = g == 96;
            else if (g == 50)
                limit = true;
        } else if (w.letter == 'M') {
            m6 = m6 || w.value == 6;
            m_ended = m_ended || w.value == 2 || w.value == 30;
        }
    }
    for (const Word &w : words) {
        switch (w.letter) {
        case 'F':
            m_feed = w.value;
            break;
        case 'S':
            (limit ? m_spindleLimit : m_spindle) = w.value;
            break;
        case 'T': {
            // A lathe's four digits are the tool and its offset: the tool is the first two.
            const double tool =
                m_lathe && w.digits == 4 && !w.point ? std::floor(w.value / 100) : w.value;
            const QString key = QString::number(tool, 'g', 12);
            if (tool == 0 || key == m_tool)
                break;
            m_tool = key;
            ++m_toolWords;
            if (m_facts.tools.size() < kMaxTools) {
                const QString written =
                    QStringLiteral("T") +
                    (w.point ? QString::number(w.value, 'g', 12)
                             : QString::number(w.value, 'f', 0).rightJustified(int(w.digits), '0'));
                m_facts.tools.append({written, m_line, comment});
            }
            break;
        }
        default:
            break;
        }
    }
    if (m6)
        ++m_m6Blocks;
    m_interpreter.addLine(line);
    takeSegments();
    if (dwell) {
        double seconds = 0;
        for (const Word &w : words) {
            if (w.letter == 'X' || w.letter == 'U')
                seconds = w.value;
            else if (w.letter == 'P')
                seconds = w.point ? w.value : w.value / 1000;
        }
        if (seconds > 0 && std::isfinite(seconds))
            m_facts.dwellMinutes += seconds / 60;
    }
}

void ProgramFactsReader::widen(const ToolpathPoint &p)
{
    ToolpathPoint q = p;
    if (m_lathe)
        q.x *= 2;
    if (!m_facts.hasRange) {
        m_facts.min = m_facts.max = q;
        m_facts.hasRange = true;
        return;
    }
    m_facts.min = {std::min(m_facts.min.x, q.x), std::min(m_facts.min.y, q.y),
                   std::min(m_facts.min.z, q.z)};
    m_facts.max = {std::max(m_facts.max.x, q.x), std::max(m_facts.max.y, q.y),
                   std::max(m_facts.max.z, q.z)};
}

// The feed in mm/min of a move from a to b, 0 when none is known.
double ProgramFactsReader::feedRate(const ToolpathPoint &a, const ToolpathPoint &b) const
{
    double rate = m_feed * m_unit;
    if (m_perRev) {
        double rpm = m_spindle;
        if (m_surface) {
            // The surface speed in m/min (ft/min under G20) at the diameter the move runs at.
            const double diameter = std::abs(a.x + b.x);
            rpm = m_spindle * (m_unit == 1 ? 1000 : 304.8) / (kPi * diameter);
            if (m_spindleLimit > 0 && !(rpm <= m_spindleLimit))
                rpm = m_spindleLimit;
        }
        rate *= rpm;
    }
    return std::isfinite(rate) && rate > 0 ? rate : 0;
}

void ProgramFactsReader::feedMove(const ToolpathPoint &a, const ToolpathPoint &b, double length)
{
    m_facts.feedLength += length;
    const double rate = feedRate(a, b);
    if (rate > 0)
        m_facts.feedMinutes += length / rate;
    else if (length > 0)
        ++m_facts.untimedMoves;
}

void ProgramFactsReader::takeSegments()
{
    const Toolpath &path = m_interpreter.path();
    for (; m_taken < path.segments.size(); ++m_taken) {
        const ToolpathSegment &s = path.segments[m_taken];
        const ToolpathPoint start = path.points[s.first];
        const ToolpathPoint end = path.points[s.first + 1];
        if (start != m_at) {
            // The tool went there unseen, out of a hole or to its R level: at the rapid rate.
            const double length = distance(m_at, start);
            m_facts.rapidLength += length;
            m_facts.rapidMinutes += length / m_rapidRate;
        }
        widen(start);
        widen(end);
        m_at = end;
        if (s.kind == ToolpathSegment::Rapid) {
            m_facts.rapidLength += distance(start, end);
            m_facts.rapidMinutes += distance(start, end) / m_rapidRate;
            continue;
        }
        if (s.kind != ToolpathSegment::Arc) {
            feedMove(start, end, distance(start, end));
            continue;
        }
        const auto [a, b, c] = planeAxes(s.plane);
        const double ca = coord(s.centre, a), cb = coord(s.centre, b);
        const double rs = std::hypot(coord(start, a) - ca, coord(start, b) - cb);
        const double re = std::hypot(coord(end, a) - ca, coord(end, b) - cb);
        const double across = coord(end, c) - coord(start, c);
        const double length = std::hypot(std::abs(s.turn) * (rs + re) / 2, across);
        // The arc's farthest points along the plane's axes, where its turn passes them.
        const double ts = std::atan2(coord(start, b) - cb, coord(start, a) - ca);
        const double sweep = std::abs(s.turn);
        for (int k = 0; k < 4 && sweep > 0; ++k) {
            const double angle = k * kPi / 2;
            double d = std::fmod(s.turn > 0 ? angle - ts : ts - angle, 2 * kPi);
            if (d < 0)
                d += 2 * kPi;
            if (d <= sweep)
                widen(arcPoint(path, s, d / sweep));
        }
        // The feed under G96 depends on the diameter: taken at the arc's middle.
        const ToolpathPoint middle = arcPoint(path, s, 0.5);
        feedMove(middle, middle, length);
    }
    if (m_taken > kKeptSegments) {
        m_interpreter.takePath();
        m_taken = 0;
    }
}

} // namespace kordavel
