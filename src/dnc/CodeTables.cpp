// SPDX-License-Identifier: GPL-3.0-or-later
#include "CodeTables.h"

namespace kordavel {

namespace {

struct CodePair {
    unsigned char iso;
    unsigned char eia;
};

// EIA tape code of each ISO character. The tape parity is part of the codes: all have an
// odd number of holes except line feed (end of block, 0x00) and "(" (0x0A).
constexpr CodePair kPairs[] = {
    {'0', 0x20}, {'1', 0x01}, {'2', 0x02}, {'3', 0x13},  {'4', 0x04},  {'5', 0x15}, {'6', 0x16},
    {'7', 0x07}, {'8', 0x08}, {'9', 0x19}, {'\t', 0x3E}, {'\n', 0x00}, {' ', 0x10}, {'%', 0x0B},
    {'+', 0x70}, {'.', 0x6B}, {127, 0x7F}, {'A', 0x61},  {'B', 0x62},  {'C', 0x73}, {'D', 0x64},
    {'E', 0x75}, {'F', 0x76}, {'G', 0x67}, {'H', 0x68},  {'I', 0x79},  {'J', 0x51}, {'K', 0x52},
    {'L', 0x43}, {'M', 0x54}, {'(', 0x0A}, {',', 0x3B},  {'/', 0x31},  {'N', 0x45}, {'O', 0x46},
    {'P', 0x57}, {'Q', 0x58}, {'R', 0x49}, {'S', 0x32},  {'T', 0x23},  {'U', 0x34}, {'V', 0x25},
    {'W', 0x26}, {'X', 0x37}, {'Y', 0x38}, {'Z', 0x29},  {')', 0x4A},  {'-', 0x40}, {':', 0x2F},
};
static_assert(std::size(kPairs) == 49);

} // namespace

CodeTables InitCodeTables()
{
    CodeTables tables;
    tables.IsoToEia.fill(PassThrough);
    tables.EiaToIso.fill(PassThrough);
    for (const CodePair &pair : kPairs) {
        tables.IsoToEia[pair.iso] = pair.eia;
        tables.EiaToIso[pair.eia] = pair.iso;
    }
    return tables;
}

std::optional<QByteArray> convertCode(const QByteArray &text, bool toEia, const CodeTables &tables)
{
    const CodeTable &table = toEia ? tables.IsoToEia : tables.EiaToIso;
    QByteArray result(text.size(), Qt::Uninitialized);
    char *out = result.data();
    for (const char ch : text) {
        const auto code = static_cast<unsigned char>(ch);
        if (code == '\r')
            continue;
        if (code > 128)
            return std::nullopt;
        const qint16 replacement = table[code];
        *out++ = replacement == PassThrough ? ch : char(replacement);
    }
    result.truncate(out - result.constData());
    return result;
}

} // namespace kordavel
