// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolpathInterpreter.h"

#include "TextLines.h"

#include <QVarLengthArray>

#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

namespace kordavel {

namespace {

constexpr double kPi = std::numbers::pi;
// How far R may fall short of half the chord (rounding in the program) in mm.
constexpr double kRadiusSlack = 0.01;
// The most repeats of a drilling cycle (L or K), as controllers allow.
constexpr double kMaxRepeats = 9999;
// Characters of a word not understood kept for the list.
constexpr qsizetype kMaxWordChars = 40;

constexpr quint32 bit(char letter)
{
    return 1u << (letter - 'A');
}

double &coord(ToolpathPoint &p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

double coord(const ToolpathPoint &p, int axis)
{
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

// The plane's first and second axis and the axis across it: G17 X Y (Z), G18 Z X (Y),
// G19 Y Z (X), so that G02 turns clockwise seen from the positive third axis.
std::array<int, 3> planeAxes(int plane)
{
    if (plane == 18)
        return {2, 0, 1};
    if (plane == 19)
        return {1, 2, 0};
    return {0, 1, 2};
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

bool isLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

// A decimal number at i: sign, digits, point, digits. False (i unchanged) without digits.
// A number too large for a double is infinite, one too small 0. hasPoint: it was written
// with a decimal point.
bool readNumber(QStringView s, qsizetype &i, double &value, bool &hasPoint)
{
    qsizetype k = i;
    bool negative = false;
    if (k < s.size() && (s[k] == QLatin1Char('-') || s[k] == QLatin1Char('+')))
        negative = s[k++] == QLatin1Char('-');
    QVarLengthArray<char, 32> text;
    bool digits = false;
    bool point = false;
    bool whole = false; // a digit other than 0 before the point
    for (; k < s.size(); ++k) {
        const char16_t u = s[k].unicode();
        if ((u >= '0' && u <= '9') || (u == '.' && !point)) {
            digits = digits || u != '.';
            point = point || u == '.';
            whole = whole || (!point && u > '0');
            text.append(char(u));
        } else {
            break;
        }
    }
    if (!digits)
        return false;
    double v = 0;
    if (std::from_chars(text.cbegin(), text.cend(), v).ec == std::errc::result_out_of_range)
        v = whole ? HUGE_VAL : 0;
    value = negative ? -v : v;
    hasPoint = point;
    i = k;
    return true;
}

// The end of a value that is an expression: [...], or a parameter #1, #<name>, #[...].
qsizetype expressionEnd(QStringView s, qsizetype i)
{
    if (s[i] == QLatin1Char('#')) {
        ++i;
        if (i < s.size() && s[i] == QLatin1Char('<')) {
            const qsizetype close = s.indexOf(QLatin1Char('>'), i);
            return close < 0 ? s.size() : close + 1;
        }
        if (i >= s.size() || s[i] != QLatin1Char('[')) {
            while (i < s.size() && s[i].isDigit())
                ++i;
            return i;
        }
    }
    int depth = 0;
    for (; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('['))
            ++depth;
        else if (s[i] == QLatin1Char(']') && --depth == 0)
            return i + 1;
    }
    return i;
}

} // namespace

struct ToolpathInterpreter::Block {
    QStringView text;
    std::array<double, 26> value{};
    quint32 has = 0;
    quint32 whole = 0; // letters whose number has no decimal point
    QVarLengthArray<double, 4> g;
    bool blocked = false; // a word the move depends on is not understood
    bool dwell = false;
    bool end = false; // M02 or M30
    double get(char letter) const { return value[letter - 'A']; }
    bool hasAny(quint32 letters) const { return (has & letters) != 0; }
};

ToolpathInterpreter::ToolpathInterpreter(bool lathe, qsizetype maxSegments)
    : m_lathe(lathe), m_maxSegments(maxSegments)
{
    if (lathe)
        m_plane = 18;
}

Toolpath ToolpathInterpreter::interpret(QStringView program, bool lathe, bool thousandths)
{
    ToolpathInterpreter interpreter(lathe);
    interpreter.setThousandths(thousandths);
    qsizetype at = 0;
    while (at < program.size())
        at = interpreter.addLines(program, at, program.size());
    return interpreter.takePath();
}

qsizetype ToolpathInterpreter::addLines(QStringView text, qsizetype from, qsizetype maxLines)
{
    return addLinesOf(text, from, maxLines, [this](QStringView line) { addLine(line); });
}

void ToolpathInterpreter::addLine(QStringView line)
{
    Block block;
    block.text = line;
    if (!m_ended && parse(line, block)) {
        run(block);
        m_ended = block.end;
    }
    if (m_line < std::numeric_limits<qint32>::max())
        ++m_line;
}

void ToolpathInterpreter::unknown(QStringView word)
{
    if (m_path.unknownCount++ >= kMaxUnknown)
        return;
    QString kept = word.left(kMaxWordChars).toString().toUpper();
    if (word.size() > kMaxWordChars)
        kept += QStringLiteral("...");
    m_path.unknown.append({m_line, std::move(kept)});
}

// Whether the path has room for a block's segments. The first block without is listed and
// the path ends there.
bool ToolpathInterpreter::room(const Block &block, qsizetype segments)
{
    if (!m_full && segments <= m_maxSegments - m_path.segments.size())
        return true;
    if (!m_full)
        unknown(block.text.trimmed());
    m_full = true;
    return false;
}

// Reads the words of a block. False for a row with nothing to do.
bool ToolpathInterpreter::parse(QStringView s, Block &block)
{
    qsizetype i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    if (i < s.size() && s[i] == QLatin1Char('%'))
        return false;
    if (i < s.size() && s[i] == QLatin1Char('/'))
        ++i;
    bool first = true;
    while (i < s.size()) {
        const QChar c = s[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('(')) {
            const qsizetype close = s.indexOf(QLatin1Char(')'), i);
            i = close < 0 ? s.size() : close + 1;
            continue;
        }
        if (c == QLatin1Char(';'))
            break;
        const qsizetype start = i;
        if (c == QLatin1Char('#') || !isLetter(c)) {
            // A macro statement, or text that is not a word (a controller's own language):
            // the rest of the block is the controller's business.
            const qsizetype end = s.indexOf(QLatin1Char(';'), i);
            unknown(s.mid(i, end < 0 ? -1 : end - i).trimmed());
            block.blocked = true;
            break;
        }
        const char letter = char(c.toUpper().unicode());
        ++i;
        while (i < s.size() && isBlank(s[i]))
            ++i;
        if (i < s.size() && (s[i] == QLatin1Char('[') || s[i] == QLatin1Char('#'))) {
            i = expressionEnd(s, i);
            unknown(s.mid(start, i - start));
            block.blocked = true;
            first = false;
            continue;
        }
        double v = 0;
        bool hasPoint = false;
        if (!readNumber(s, i, v, hasPoint)) {
            const qsizetype end = s.indexOf(QLatin1Char(';'), start);
            unknown(s.mid(start, end < 0 ? -1 : end - start).trimmed());
            block.blocked = true;
            break;
        }
        if (!(std::abs(v) <= kMaxNumber)) {
            // Too large to be meant: nothing is drawn from it.
            unknown(s.mid(start, i - start));
            block.blocked = true;
            first = false;
            continue;
        }
        if (letter == 'O' && first) {
            // A program number, or an o-word of a subprogram or loop ("O100 SUB").
            qsizetype k = i;
            while (k < s.size() && isBlank(s[k]))
                ++k;
            if (k + 1 < s.size() && isLetter(s[k]) && isLetter(s[k + 1])) {
                qsizetype e = k;
                while (e < s.size() && isLetter(s[e]))
                    ++e;
                unknown(s.mid(start, e - start).toString().simplified());
                block.blocked = true;
                break;
            }
            first = false;
            continue;
        }
        first = false;
        const auto raw = [&] { return s.mid(start, i - start); };
        switch (letter) {
        case 'G':
            block.g.append(v);
            continue;
        case 'M': {
            const int code = int(v);
            if (code != v || !((code >= 0 && code <= 9) || code == 30))
                unknown(raw());
            block.end = block.end || (code == v && (code == 2 || code == 30));
            continue;
        }
        case 'A':
        case 'B':
        case 'C':
        case 'E':
        case 'V':
            unknown(raw());
            continue;
        case 'U':
        case 'W':
            if (!m_lathe) {
                unknown(raw());
                continue;
            }
            break;
        default:
            break;
        }
        block.value[letter - 'A'] = v;
        block.has |= bit(letter);
        if (!hasPoint)
            block.whole |= bit(letter);
    }
    return block.has != 0 || !block.g.isEmpty() || block.blocked;
}

void ToolpathInterpreter::run(Block &block)
{
    const quint32 lathePositions = bit('X') | bit('Z') | bit('U') | bit('W');
    for (const double g : std::as_const(block.g)) {
        const int code = int(g);
        const auto word = [g] { return QStringLiteral("G") + QString::number(g, 'g', 12); };
        if (code != g) {
            // Arc centres absolute (G90.1) or from the start (G91.1).
            if (g == 90.1 || g == 91.1) {
                m_absoluteCentres = g == 90.1;
                continue;
            }
            unknown(word());
            block.blocked = true;
            continue;
        }
        switch (code) {
        case 0:
        case 1:
        case 2:
        case 3:
            m_motion = code;
            m_cycle = 0;
            break;
        case 4:
            block.dwell = true;
            break;
        case 17:
        case 18:
        case 19:
            m_plane = code;
            break;
        case 20:
        case 21:
            m_unit = code == 20 ? 25.4 : 1;
            break;
        case 90:
        case 91:
            m_incremental = code == 91;
            break;
        case 80:
            m_cycle = 0;
            break;
        case 98:
        case 99:
            m_returnToR = !m_lathe && code == 99;
            break;
        case 73:
        case 74:
        case 76:
            if (m_lathe) {
                unknown(word());
                block.blocked = true;
                break;
            }
            [[fallthrough]];
        case 81:
        case 82:
        case 83:
        case 84:
        case 85:
        case 86:
        case 87:
        case 88:
        case 89:
            if (m_cycle == 0)
                m_initialLevel = coord(m_at, m_lathe ? 2 : planeAxes(m_plane)[2]);
            m_cycle = code;
            break;
        case 9:
        case 40:
        case 41:
        case 42:
        case 43:
        case 44:
        case 49:
        case 54:
        case 55:
        case 56:
        case 57:
        case 58:
        case 59:
        case 61:
        case 64:
        case 94:
        case 95:
        case 96:
        case 97:
            break;
        case 50: // on a lathe also the spindle limit, with S alone
            if (!m_lathe || block.hasAny(lathePositions)) {
                unknown(word());
                block.blocked = true;
            }
            break;
        default:
            unknown(word());
            block.blocked = true;
            // Threading and the like stay in force: later moves go somewhere unknown.
            if (code == 5 || code == 12 || code == 13 || (code >= 32 && code <= 38))
                m_motion = -1;
            break;
        }
    }
    if (block.blocked || block.dwell)
        return;
    if (m_thousandths) {
        // K of a drilling cycle is its count of repeats, not a length.
        const quint32 lengths = bit('X') | bit('Y') | bit('Z') | bit('U') | bit('W') | bit('I') |
                                bit('J') | bit('R') | bit('Q') | (m_cycle == 0 ? bit('K') : 0);
        const double increment = m_unit == 1 ? 0.001 : 0.0001;
        for (int letter = 0; letter < 26; ++letter)
            if (block.whole & lengths & (1u << letter))
                block.value[letter] *= increment;
    }
    const quint32 axes = bit('X') | bit('Y') | bit('Z') | bit('U') | bit('W');
    if (m_cycle != 0) {
        if (block.hasAny(axes))
            drill(block);
        return;
    }
    const bool arcMode = m_motion == 2 || m_motion == 3;
    if (block.hasAny(axes) || (arcMode && block.hasAny(bit('I') | bit('J') | bit('K'))))
        move(block, m_motion);
}

// Where the axis words of the block send the tool (the axes it does not name stay).
ToolpathPoint ToolpathInterpreter::target(const Block &block) const
{
    ToolpathPoint p = m_at;
    const double diameter = m_lathe ? 0.5 : 1.0;
    const auto axis = [&](double &c, char letter, double factor) {
        if (block.has & bit(letter))
            c = (m_incremental ? c : 0) + block.get(letter) * m_unit * factor;
    };
    axis(p.x, 'X', diameter);
    axis(p.y, 'Y', 1);
    axis(p.z, 'Z', 1);
    if (m_lathe) {
        if (block.has & bit('U'))
            p.x += block.get('U') * m_unit * diameter;
        if (block.has & bit('W'))
            p.z += block.get('W') * m_unit;
    }
    return p;
}

void ToolpathInterpreter::addSegment(ToolpathSegment::Kind kind,
                                     std::initializer_list<ToolpathPoint> points)
{
    ToolpathSegment segment;
    segment.kind = kind;
    segment.line = m_line;
    segment.first = qint32(m_path.points.size());
    segment.count = qint32(points.size());
    m_path.points.append(points);
    m_path.segments.append(segment);
}

void ToolpathInterpreter::move(Block &block, int motion)
{
    const ToolpathPoint end = target(block);
    if (motion == 2 || motion == 3) {
        arc(block, end, motion == 2);
        return;
    }
    if (motion >= 0 && end != m_at) {
        if (!room(block, 1))
            return;
        addSegment(motion == 0 ? ToolpathSegment::Rapid : ToolpathSegment::Feed, {m_at, end});
    }
    m_at = end;
}

void ToolpathInterpreter::arc(const Block &block, const ToolpathPoint &end, bool clockwise)
{
    const auto [a, b, c] = planeAxes(m_plane);
    const ToolpathPoint start = m_at;
    const double sa = coord(start, a), sb = coord(start, b);
    const double ea = coord(end, a), eb = coord(end, b);
    ToolpathPoint centre = start;
    if (block.has & bit('R')) {
        const double r = block.get('R') * m_unit;
        const double da = ea - sa, db = eb - sb;
        const double chord = std::hypot(da, db);
        const double h2 = r * r - chord * chord / 4;
        if (chord < 1e-9 || h2 < -kRadiusSlack * std::abs(r)) {
            unknown(QStringLiteral("R") + QString::number(block.get('R')));
            return;
        }
        // The centre lies left of the chord for a counter-clockwise arc up to a half turn.
        const double h = std::sqrt(std::max(0.0, h2)) * (clockwise ? -1 : 1) * (r < 0 ? -1 : 1);
        coord(centre, a) = (sa + ea) / 2 - h * db / chord;
        coord(centre, b) = (sb + eb) / 2 + h * da / chord;
    } else if (!(block.has & (bit("IJK"[a]) | bit("IJK"[b])))) {
        // No centre: the control stops with an alarm.
        unknown(clockwise ? QStringLiteral("G2") : QStringLiteral("G3"));
        return;
    } else {
        const char offsets[3] = {'I', 'J', 'K'};
        for (const int axis : {a, b})
            coord(centre, axis) =
                (m_absoluteCentres ? 0 : coord(start, axis)) + block.get(offsets[axis]) * m_unit;
    }
    if (!room(block, 1))
        return;
    m_at = end;
    const double ca = coord(centre, a), cb = coord(centre, b);
    const double ts = std::atan2(sb - cb, sa - ca), te = std::atan2(eb - cb, ea - ca);
    double sweep = clockwise ? ts - te : te - ts;
    if (std::hypot(ea - sa, eb - sb) < 1e-9)
        sweep = 2 * kPi; // end on the start: the full circle
    while (sweep <= 1e-12)
        sweep += 2 * kPi;
    addSegment(ToolpathSegment::Arc, {start, end});
    ToolpathSegment &segment = m_path.segments.last();
    segment.plane = quint8(m_plane);
    segment.centre = centre;
    segment.turn = clockwise ? -sweep : sweep;
}

namespace {

// An arc's centre, radii and starting angle in its plane's axes.
struct ArcFrame {
    std::array<int, 3> axes;
    ToolpathPoint start, end;
    double ca, cb, rs, re, ts;

    ArcFrame(const Toolpath &path, const ToolpathSegment &arc)
        : axes(planeAxes(arc.plane)), start(path.points[arc.first]),
          end(path.points[arc.first + 1]), ca(coord(arc.centre, axes[0])),
          cb(coord(arc.centre, axes[1]))
    {
        const double sa = coord(start, axes[0]) - ca, sb = coord(start, axes[1]) - cb;
        rs = std::hypot(sa, sb);
        re = std::hypot(coord(end, axes[0]) - ca, coord(end, axes[1]) - cb);
        ts = std::atan2(sb, sa);
    }
    // The radius goes from the start's to the end's, should the two differ.
    ToolpathPoint at(double t, double turn) const
    {
        const double angle = ts + turn * t;
        const double r = rs + (re - rs) * t;
        ToolpathPoint p = start;
        coord(p, axes[0]) = ca + r * std::cos(angle);
        coord(p, axes[1]) = cb + r * std::sin(angle);
        coord(p, axes[2]) += (coord(end, axes[2]) - coord(start, axes[2])) * t;
        return p;
    }
};

} // namespace

ToolpathPoint arcPoint(const Toolpath &path, const ToolpathSegment &arc, double t)
{
    return ArcFrame(path, arc).at(t, arc.turn);
}

void arcPoints(const Toolpath &path, const ToolpathSegment &arc, int pieces, ToolpathPoint *out)
{
    const ArcFrame frame(path, arc);
    out[0] = frame.start;
    for (int i = 1; i < pieces; ++i)
        out[i] = frame.at(double(i) / pieces, arc.turn);
    out[pieces] = frame.end;
}

double arcRadius(const Toolpath &path, const ToolpathSegment &arc)
{
    const ArcFrame frame(path, arc);
    return std::max(frame.rs, frame.re);
}

int arcPieces(double turn, double step, int most)
{
    const double pieces = std::ceil(std::abs(turn) / step);
    if (!(pieces >= 1))
        return 1;
    return pieces < most ? int(pieces) : most;
}

// A drilling cycle's holes: to the hole at the current level, a hole mark from the R level
// to the bottom, then back to the R level (G99) or the level the cycle started at (G98).
void ToolpathInterpreter::drill(Block &block)
{
    const auto [a, b, c] = m_lathe ? std::array<int, 3>{0, 1, 2} : planeAxes(m_plane);
    const char depthLetter = "XYZ"[c];
    const char repeat = (block.has & bit('L')) ? 'L' : (block.has & bit('K')) ? 'K' : 0;
    const double repeats = repeat ? block.get(repeat) : 1;
    if (repeats != std::floor(repeats) || repeats < 0 || repeats > kMaxRepeats) {
        unknown(QLatin1Char(repeat) + QString::number(repeats, 'g', 12));
        return;
    }
    const int count = int(repeats);
    if (block.has & bit('R'))
        m_rWord = block.get('R') * m_unit;
    if (block.has & bit(depthLetter))
        m_depthWord = block.get(depthLetter) * m_unit;
    const double rLevel = (m_incremental ? m_initialLevel : 0) + m_rWord;
    const double depth = (m_incremental ? rLevel : 0) + m_depthWord;
    if (!room(block, 2 * qsizetype(count)))
        return;
    Block position = block;
    position.has &= ~bit(depthLetter);
    const ToolpathPoint first = target(position);
    const double stepA = coord(first, a) - coord(m_at, a);
    const double stepB = coord(first, b) - coord(m_at, b);
    for (int i = 0; i < count; ++i) {
        ToolpathPoint over = m_at;
        if (i == 0 || m_incremental) {
            coord(over, a) = i == 0 ? coord(first, a) : coord(m_at, a) + stepA;
            coord(over, b) = i == 0 ? coord(first, b) : coord(m_at, b) + stepB;
        }
        if (over != m_at)
            addSegment(ToolpathSegment::Rapid, {m_at, over});
        ToolpathPoint top = over, bottom = over;
        coord(top, c) = rLevel;
        coord(bottom, c) = depth;
        addSegment(ToolpathSegment::Hole, {top, bottom});
        m_at = over;
        coord(m_at, c) = m_returnToR ? rLevel : m_initialLevel;
    }
}

} // namespace kordavel
