// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockReferences.h"

#include <algorithm>

namespace kordavel {

namespace {

// A block number or a reference of more digits than this is no number of a block.
constexpr qsizetype kMaxDigits = 18;

bool digit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool letter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool space(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

qsizetype skipSpace(QStringView text, qsizetype i)
{
    while (i < text.size() && space(text[i]))
        ++i;
    return i;
}

qint64 valueOf(QStringView digits)
{
    qint64 value = 0;
    for (const QChar c : digits)
        value = value * 10 + (c.unicode() - '0');
    return value;
}

// One address word of a block: its letter and its number.
struct Word {
    char letter;    // as a capital
    qsizetype at;   // where its digits begin
    qsizetype size; // how many digits
    bool whole;     // digits alone: no sign, no decimal point, not too long
    qint64 value;   // of the digits, when whole
};

// The words and the GOTO targets of a block; letters of the other case are passed over.
struct BlockWords {
    QList<Word> words;
    QList<Word> gotos;

    bool has(char letter, qint64 value) const
    {
        return std::any_of(words.cbegin(), words.cend(), [&](const Word &w) {
            return w.letter == letter && w.whole && w.value == value;
        });
    }
    bool has(char letter) const
    {
        return std::any_of(words.cbegin(), words.cend(),
                           [&](const Word &w) { return w.letter == letter; });
    }
};

BlockWords wordsOf(QStringView text, bool small)
{
    BlockWords out;
    const auto ours = [small](QChar c) {
        return small ? c >= QLatin1Char('a') && c <= QLatin1Char('z')
                     : c >= QLatin1Char('A') && c <= QLatin1Char('Z');
    };
    const QLatin1StringView gotoWord(small ? "goto" : "GOTO");
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('(')) {
            while (i < n && text[i] != QLatin1Char(')'))
                ++i;
            ++i;
            continue;
        }
        if (c == QLatin1Char('[')) {
            int depth = 0;
            for (; i < n; ++i) {
                if (text[i] == QLatin1Char('['))
                    ++depth;
                else if (text[i] == QLatin1Char(']') && --depth == 0)
                    break;
            }
            ++i;
            continue;
        }
        if (!letter(c)) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n && letter(text[end]))
            ++end;
        const QStringView name = text.sliced(i, end - i);
        qsizetype at = skipSpace(text, end);
        i = end;
        if (name.size() > 1 && name != gotoWord)
            continue; // IF, LT, WHILE, DO, END and the like
        const bool sign = at < n && (text[at] == QLatin1Char('-') || text[at] == QLatin1Char('+'));
        const qsizetype from = sign ? at + 1 : at;
        qsizetype to = from;
        while (to < n && digit(text[to]))
            ++to;
        const bool point = to < n && text[to] == QLatin1Char('.');
        if (to == from && !point)
            continue; // no number: G#1, GOTO #10
        const qsizetype size = to - from;
        const bool whole = !sign && !point && size > 0 && size <= kMaxDigits;
        Word w{char(c.toUpper().unicode()), from, size, whole,
               whole ? valueOf(text.sliced(from, size)) : 0};
        if (name.size() > 1) {
            if (whole) // GOTO 5. names no block
                out.gotos.append(w);
        } else if (ours(c)) {
            out.words.append(w);
        }
        i = point ? to + 1 : to;
    }
    return out;
}

} // namespace

BlockReferences::BlockReferences(QChar symbol)
    : m_symbol(symbol), m_small(symbol >= QLatin1Char('a') && symbol <= QLatin1Char('z'))
{}

std::optional<qint64> BlockReferences::blockNumber(QStringView text, QChar symbol)
{
    qsizetype i = skipSpace(text, 0);
    if (i < text.size() && text[i] == QLatin1Char('/'))
        i = skipSpace(text, i + 1);
    if (i >= text.size() || text[i] != symbol)
        return std::nullopt;
    ++i;
    const bool minus = i + 1 < text.size() && text[i] == QLatin1Char('-');
    if (minus)
        ++i;
    qsizetype end = i;
    while (end < text.size() && digit(text[end]))
        ++end;
    if (end == i || end - i > kMaxDigits)
        return std::nullopt;
    const qint64 value = valueOf(text.sliced(i, end - i));
    return minus ? -value : value;
}

QList<BlockReferences::Reference> BlockReferences::referencesIn(QStringView text, bool smallLetters)
{
    // Most blocks hold neither a P nor the T of a GOTO.
    QList<Reference> out;
    const char16_t p = smallLetters ? 'p' : 'P';
    const char16_t t = smallLetters ? 't' : 'T';
    if (std::none_of(text.cbegin(), text.cend(),
                     [p, t](QChar c) { return c.unicode() == p || c.unicode() == t; }))
        return out;
    const BlockWords block = wordsOf(text, smallLetters);
    const auto add = [&out](const Word &w, Kind kind) {
        out.append(Reference{0, w.at, w.size, w.value, kind, None});
    };
    // A P that names a program, a dwell or data makes the block no reference.
    const bool otherP = block.has('G', 4) || block.has('G', 10) || block.has('G', 65) ||
                        block.has('G', 66) || block.has('M', 98);
    const bool cycle = block.has('G', 70) || block.has('G', 71) || block.has('G', 72) ||
                       (block.has('G', 73) && !block.has('Z') && !block.has('R'));
    const auto whole = [&block](char letter) {
        return std::any_of(block.words.cbegin(), block.words.cend(),
                           [&](const Word &w) { return w.letter == letter && w.whole; });
    };
    const bool contour = cycle && whole('P') && whole('Q');
    const bool call = block.has('M', 97);
    const bool back = block.has('M', 99);
    // Words and GOTO targets, merged in the order they stand.
    qsizetype g = 0;
    for (const Word &w : block.words) {
        while (g < block.gotos.size() && block.gotos[g].at < w.at)
            add(block.gotos[g++], Kind::Goto);
        if (otherP || !w.whole)
            continue;
        if (contour && (w.letter == 'P' || w.letter == 'Q'))
            add(w, Kind::Contour);
        else if (w.letter == 'P' && (call || back) && !contour)
            add(w, call ? Kind::LocalCall : Kind::Return);
    }
    while (g < block.gotos.size())
        add(block.gotos[g++], Kind::Goto);
    return out;
}

void BlockReferences::addRow(QStringView text)
{
    addRow(text, blockNumber(text, m_symbol));
}

bool BlockReferences::beginsProgram(QStringView text, bool smallLetters)
{
    const qsizetype first = skipSpace(text, 0);
    if (first >= text.size())
        return false;
    const QChar c = text[first];
    const bool numberFollows = first + 1 < text.size() && digit(text[first + 1]);
    return c == QLatin1Char('%') ||
           ((c == QLatin1Char(smallLetters ? 'o' : 'O') || c == QLatin1Char(':')) && numberFollows);
}

void BlockReferences::addRow(QStringView text, std::optional<qint64> number)
{
    const qsizetype row = m_rows;
    addRow(number, beginsProgram(text, m_small));
    for (Reference r : referencesIn(text, m_small)) {
        r.row = row;
        m_references.append(r);
    }
}

void BlockReferences::addRow(std::optional<qint64> number, bool programStart)
{
    const qsizetype row = m_rows++;
    if (number)
        m_blocks.append({*number, row});
    if (programStart)
        m_programStarts.append(row);
}

void BlockReferences::resolve()
{
    // Only the blocks with a number that a reference names can be named.
    QList<qint64> named;
    for (const Reference &r : std::as_const(m_references))
        named.append(r.number);
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    m_blocks.removeIf([&named](const std::pair<qint64, qsizetype> &block) {
        return !std::binary_search(named.cbegin(), named.cend(), block.first);
    });
    std::sort(m_blocks.begin(), m_blocks.end());
    const auto programOf = [this](qsizetype row) {
        return std::upper_bound(m_programStarts.cbegin(), m_programStarts.cend(), row) -
               m_programStarts.cbegin();
    };
    m_referred.clear();
    for (Reference &r : m_references) {
        const auto [from, to] = std::equal_range(
            m_blocks.cbegin(), m_blocks.cend(), std::pair<qint64, qsizetype>{r.number, 0},
            [](const auto &a, const auto &b) { return a.first < b.first; });
        if (from == to) {
            r.target = None;
            continue;
        }
        r.target = to - from == 1 ? from->second : Ambiguous;
        if (r.target == Ambiguous && r.kind != Kind::Return) {
            const auto program = programOf(r.row);
            qsizetype own = None;
            for (auto it = from; it != to; ++it) {
                if (programOf(it->second) != program)
                    continue;
                own = own == None ? it->second : Ambiguous;
            }
            if (own >= 0)
                r.target = own;
        }
        if (r.target >= 0) {
            m_referred.append(r.target);
        } else {
            for (auto it = from; it != to; ++it)
                m_referred.append(it->second);
        }
    }
    std::sort(m_referred.begin(), m_referred.end());
    m_referred.erase(std::unique(m_referred.begin(), m_referred.end()), m_referred.end());
}

bool BlockReferences::isReferred(qsizetype row) const
{
    return std::binary_search(m_referred.cbegin(), m_referred.cend(), row);
}

} // namespace kordavel
