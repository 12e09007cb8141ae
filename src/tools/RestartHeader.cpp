// SPDX-License-Identifier: GPL-3.0-or-later
#include "RestartHeader.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace kordavel {

namespace {

constexpr double kInch = 25.4;

struct Word {
    char letter = 0;
    double value = 0;
    QStringView text; // as written: digits, sign and point (in the program's text)
};

// One block: its words, its comment, whether it holds a row of its own kind.
struct Block {
    QVarLengthArray<Word, 12> words;
    QStringView comment;
    bool percent = false;
    bool hasG(double code) const
    {
        for (const Word &w : words)
            if (w.letter == 'G' && std::abs(w.value - code) < 1e-6)
                return true;
        return false;
    }
    const Word *find(char letter) const
    {
        for (const Word &w : words)
            if (w.letter == letter)
                return &w;
        return nullptr;
    }
};

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// The number at i: sign, digits, point, digits. Empty (i unchanged) without a digit.
QStringView readNumber(QStringView s, qsizetype &i)
{
    qsizetype k = i;
    while (k < s.size() && s[k] == QLatin1Char(' '))
        ++k;
    const qsizetype start = k;
    if (k < s.size() && (s[k] == QLatin1Char('-') || s[k] == QLatin1Char('+')))
        ++k;
    bool digits = false;
    bool point = false;
    for (; k < s.size(); ++k) {
        if (isDigit(s[k]))
            digits = true;
        else if (s[k] == QLatin1Char('.') && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return {};
    i = k;
    return s.sliced(start, k - start);
}

Block parse(QStringView line)
{
    Block block;
    qsizetype i = 0;
    while (i < line.size() && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
        ++i;
    if (i < line.size() && line[i] == QLatin1Char('%')) {
        block.percent = true;
        return block;
    }
    if (i < line.size() && line[i] == QLatin1Char(':')) { // a program number
        qsizetype k = i + 1;
        const QStringView digits = readNumber(line, k);
        if (!digits.isEmpty() && isDigit(digits.front()))
            block.words.append({'O', digits.toDouble(), digits});
        i = k;
    }
    while (i < line.size()) {
        const QChar c = line[i];
        if (c == QLatin1Char('(')) {
            const qsizetype close = line.indexOf(QLatin1Char(')'), i);
            const qsizetype end = close < 0 ? line.size() : close;
            if (block.comment.isEmpty())
                block.comment = line.sliced(i + 1, end - i - 1).trimmed();
            i = end + 1;
            continue;
        }
        if (c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('[')) { // an expression: no word of ours
            const qsizetype close = line.indexOf(QLatin1Char(']'), i);
            i = close < 0 ? line.size() : close + 1;
            continue;
        }
        const char16_t u = c.toUpper().unicode();
        if (u >= 'A' && u <= 'Z' && block.words.size() < 64) {
            qsizetype k = i + 1;
            const QStringView text = readNumber(line, k);
            if (!text.isEmpty()) {
                double value = 0;
                QVarLengthArray<char, 32> latin;
                for (const QChar ch : text)
                    if (ch != QLatin1Char('+'))
                        latin.append(char(ch.unicode()));
                std::from_chars(latin.cbegin(), latin.cend(), value);
                block.words.append({char(u), value, text});
                i = k;
                continue;
            }
        }
        ++i;
    }
    return block;
}

QString number(double v)
{
    if (std::abs(v) < 5e-5)
        return QStringLiteral("0.");
    QString text = QString::number(v, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

// The modal state of the program before a block, as far as a restart needs it.
struct State {
    QString program;
    QString units, plane, distance, offset, feedMode, spindleMode;
    QString speed, feed;
    int spindle = 0; // 3, 4 or 5 (0: never said)
    bool mist = false, flood = false;
    QString tool;        // the T word seen last
    QString active;      // the tool in the spindle (after M06; a lathe's T word)
    QString toolComment; // the comment on its line
    QString lengthComp;  // "G43 H2"
    QString cutterComp;  // "G41 D1"
    bool inch = false;
    bool unitsKnown = false;
    bool incremental = false;
    int motion = 0;
    int cycle = 0; // the drilling cycle's G code, 0 without
    bool returnToR = false;
    double initialZ = 0, rLevel = 0;
    std::array<double, 3> at{};
    std::array<bool, 3> known{};
    double clearance = 0;
    bool clearanceKnown = false;
};

bool isDrillCycle(double g, bool lathe)
{
    const int code = int(g);
    if (g != code)
        return false;
    if (code >= 81 && code <= 89)
        return true;
    return !lathe && (code == 73 || code == 74 || code == 76);
}

// A block whose axis words are no move to a point of the program's: data, dwells,
// reference returns, macro calls, a lathe's contour cycles.
bool movesNowhere(const Block &block, bool lathe)
{
    for (const double g : {4.0, 10.0, 50.0, 52.0, 65.0, 92.0})
        if (block.hasG(g))
            return true;
    if (lathe)
        for (int g = 70; g <= 76; ++g)
            if (block.hasG(g))
                return true;
    return false;
}

class Reader {
public:
    explicit Reader(bool lathe) : m_lathe(lathe) {}

    void read(const Block &block);
    State state;

private:
    void setUnits(bool inch);
    void move(const Block &block);
    bool m_lathe;
};

void Reader::setUnits(bool inch)
{
    if (state.unitsKnown && inch != state.inch) {
        const double factor = inch ? 1 / kInch : kInch;
        for (double &v : state.at)
            v *= factor;
        state.clearance *= factor;
        state.initialZ *= factor;
        state.rLevel *= factor;
    }
    state.inch = inch;
    state.unitsKnown = true;
    state.units = inch ? QStringLiteral("G20") : QStringLiteral("G21");
}

void Reader::read(const Block &block)
{
    State &s = state;
    if (block.percent)
        return;
    const Word *t = block.find('T');
    for (const Word &w : block.words) {
        switch (w.letter) {
        case 'O':
            if (&w == &block.words.front())
                s.program = QLatin1Char('O') + w.text.toString();
            break;
        case 'F':
            s.feed = w.text.toString();
            break;
        case 'S':
            s.speed = w.text.toString();
            break;
        case 'T':
            s.tool = w.text.toString();
            if (m_lathe) {
                s.active = w.text.toString();
                s.toolComment = block.comment.toString();
                s.clearanceKnown = false;
            }
            break;
        case 'M': {
            const int m = int(w.value);
            if (m == 3 || m == 4 || m == 5)
                s.spindle = m;
            else if (m == 6 && !s.tool.isEmpty()) {
                s.active = t ? t->text.toString() : s.tool;
                s.toolComment = block.comment.toString();
                s.clearanceKnown = false;
            } else if (m == 7)
                s.mist = true;
            else if (m == 8)
                s.flood = true;
            else if (m == 9)
                s.mist = s.flood = false;
            break;
        }
        case 'G': {
            const double g = w.value;
            const int code = int(g);
            // The code as written, made only for the codes kept.
            const auto text = [&w] { return QLatin1Char('G') + w.text.toString(); };
            if (g == code && code >= 0 && code <= 3) {
                s.motion = code;
                s.cycle = 0;
            } else if (code == 17 || code == 18 || code == 19) {
                s.plane = text();
            } else if (code == 20 || code == 21) {
                setUnits(code == 20);
            } else if (code == 90 || code == 91) {
                s.distance = text();
                s.incremental = code == 91;
            } else if (code >= 54 && code <= 59) {
                const Word *p = block.find('P');
                s.offset =
                    g == 54.1 && p ? text() + QStringLiteral(" P") + p->text.toString() : text();
            } else if (code == 93 || code == 94 || code == 95 ||
                       (m_lathe && (code == 98 || code == 99))) {
                s.feedMode = text();
            } else if (code == 98 || code == 99) {
                s.returnToR = code == 99;
            } else if (code == 96 || code == 97) {
                s.spindleMode = text();
            } else if (code == 43 || code == 44) {
                const Word *h = block.find('H');
                s.lengthComp = h ? text() + QStringLiteral(" H") + h->text.toString() : text();
            } else if (code == 49) {
                s.lengthComp.clear();
            } else if (code == 41 || code == 42) {
                const Word *d = block.find('D');
                s.cutterComp = d ? text() + QStringLiteral(" D") + d->text.toString() : text();
            } else if (code == 40) {
                s.cutterComp.clear();
            } else if (code == 80) {
                s.cycle = 0;
            } else if (isDrillCycle(g, m_lathe)) {
                if (s.cycle == 0)
                    s.initialZ = s.at[2];
                s.cycle = code;
            }
            break;
        }
        default:
            break;
        }
    }
    move(block);
}

void Reader::move(const Block &block)
{
    State &s = state;
    if (movesNowhere(block, m_lathe))
        return;
    const bool machine = block.hasG(53) || block.hasG(28) || block.hasG(30);
    const char axes[3] = {'X', 'Y', 'Z'};
    std::array<bool, 3> given{};
    for (int a = 0; a < 3; ++a) {
        const Word *w = block.find(axes[a]);
        const Word *inc = m_lathe && a == 0   ? block.find('U')
                          : m_lathe && a == 2 ? block.find('W')
                                              : nullptr;
        if (!w && !inc)
            continue;
        given[a] = true;
        if (machine) {
            s.known[a] = false;
            continue;
        }
        if (s.cycle != 0 && a == 2)
            continue; // a hole's depth: the tool comes back up
        if (w) {
            if (s.incremental && !s.known[a])
                continue; // an increment from where nobody knows stays unknown
            s.at[a] = (s.incremental ? s.at[a] : 0) + w->value;
            s.known[a] = true;
        } else if (s.known[a]) {
            s.at[a] += inc->value;
        }
    }
    if (machine)
        return;
    if (s.cycle != 0) {
        if (const Word *r = block.find('R'))
            s.rLevel = s.incremental ? s.initialZ + r->value : r->value;
        if (s.known[2])
            s.at[2] = s.returnToR ? s.rLevel : s.initialZ;
        return;
    }
    const int across = m_lathe ? 0 : 2;
    if (s.motion == 0 && given[across] && s.known[across]) {
        s.clearance = s.clearanceKnown ? std::max(s.clearance, s.at[across]) : s.at[across];
        s.clearanceKnown = true;
    }
}

void addIf(QStringList &parts, const QString &part)
{
    if (!part.isEmpty())
        parts.append(part);
}

QStringList header(const State &s, bool lathe)
{
    QStringList out{QStringLiteral("%")};
    addIf(out, s.program);
    QStringList modal;
    addIf(modal, s.units);
    addIf(modal, s.plane);
    addIf(modal, s.incremental ? QStringLiteral("G90") : s.distance);
    addIf(modal, s.offset);
    addIf(modal, s.feedMode);
    if (!modal.isEmpty())
        out.append(modal.join(QLatin1Char(' ')));

    const auto withComment = [&](QString line) {
        if (!s.toolComment.isEmpty())
            line += QStringLiteral(" (") + s.toolComment + QLatin1Char(')');
        return line;
    };
    if (!s.active.isEmpty()) {
        out.append(withComment(lathe ? QLatin1Char('T') + s.active
                                     : QLatin1Char('T') + s.active + QStringLiteral(" M06")));
        if (!lathe && s.tool != s.active)
            out.append(QLatin1Char('T') + s.tool); // the next tool, preselected
    }
    QStringList spindle;
    addIf(spindle, s.spindleMode);
    if (!s.speed.isEmpty())
        spindle.append(QLatin1Char('S') + s.speed);
    if (s.spindle == 3 || s.spindle == 4)
        spindle.append(QStringLiteral("M0") + QString::number(s.spindle));
    if (!spindle.isEmpty())
        out.append(spindle.join(QLatin1Char(' ')));
    if (s.flood)
        out.append(QStringLiteral("M08"));
    if (s.mist)
        out.append(QStringLiteral("M07"));
    if (!s.cutterComp.isEmpty())
        out.append(QStringLiteral("(%1 IN FORCE BEFORE THE RESTART)").arg(s.cutterComp));

    // The approach: clear along the axis across the work, over to the point, then in.
    const int across = lathe ? 0 : 2;
    const char acrossName = lathe ? 'X' : 'Z';
    bool feedSent = false;
    const bool clear = s.clearanceKnown || s.known[across];
    if (clear) {
        QString line = QStringLiteral("G00");
        if (!lathe && !s.lengthComp.isEmpty())
            line += QLatin1Char(' ') + s.lengthComp;
        line += QStringLiteral(" %1").arg(QLatin1Char(acrossName)) +
                number(s.clearanceKnown ? s.clearance : s.at[across]);
        out.append(line);
    }
    QStringList over;
    for (int a = 0; a < 3; ++a)
        if (a != across && s.known[a] && !(lathe && a == 1))
            over.append(QLatin1Char("XYZ"[a]) + number(s.at[a]));
    if (!over.isEmpty())
        out.append(QStringLiteral("G00 ") + over.join(QLatin1Char(' ')));
    if (s.known[across] && clear && (!s.clearanceKnown || s.at[across] != s.clearance)) {
        const bool feed = !s.feed.isEmpty();
        out.append((feed ? QStringLiteral("G01 ") : QStringLiteral("G00 ")) +
                   QLatin1Char(acrossName) + number(s.at[across]) +
                   (feed ? QStringLiteral(" F") + s.feed : QString()));
        feedSent = feed;
    }
    if (!feedSent && !s.feed.isEmpty())
        out.append(QLatin1Char('F') + s.feed);
    if (s.incremental)
        out.append(QStringLiteral("G91"));
    return out;
}

bool opensCycle(const Block &block, bool lathe)
{
    return std::any_of(block.words.begin(), block.words.end(), [&](const Word &w) {
        return w.letter == 'G' && isDrillCycle(w.value, lathe);
    });
}

// The block ends a drilling cycle: G80 or a motion code.
bool endsCycle(const Block &block)
{
    return std::any_of(block.words.begin(), block.words.end(), [](const Word &w) {
        return w.letter == 'G' && w.value == int(w.value) &&
               (int(w.value) == 80 || (int(w.value) >= 0 && int(w.value) <= 3));
    });
}

// The block of the row that starts at `from`; `end` becomes where that row ends.
Block blockAt(QStringView program, qsizetype from, qsizetype &end)
{
    end = program.indexOf(QLatin1Char('\n'), from);
    if (end < 0)
        end = program.size();
    return parse(program.sliced(from, end - from));
}

} // namespace

RestartPlan planRestart(QStringView program, qsizetype line, bool lathe)
{
    Reader reader(lathe);
    State beforeCycle;
    qsizetype cycleLine = -1;
    qsizetype from = 0;
    qsizetype row = 0;
    for (; row < line && from < program.size(); ++row) {
        qsizetype end = 0;
        const Block block = blockAt(program, from, end);
        if (opensCycle(block, lathe)) {
            beforeCycle = reader.state;
            cycleLine = row;
        }
        reader.read(block);
        from = end + 1;
    }
    RestartPlan plan;
    plan.line = row;
    State state = reader.state;
    // A hole of a drilling cycle restarts at the block that began the cycle.
    if (state.cycle != 0 && cycleLine >= 0) {
        qsizetype end = 0;
        const Block block = from < program.size() ? blockAt(program, from, end) : Block();
        if (!opensCycle(block, lathe) && !endsCycle(block)) {
            plan.line = cycleLine;
            state = beforeCycle;
        }
    }
    plan.header = header(state, lathe);
    return plan;
}

} // namespace kordavel
