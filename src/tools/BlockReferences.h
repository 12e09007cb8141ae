// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QList>
#include <QStringView>

#include <optional>

namespace kordavel {

// The references that the blocks of a program make to other blocks by block number:
// - P and Q of the lathe cycles G70, G71, G72 and G73 (the first and the last block of the
//   contour), when the block holds both as whole numbers; a G73 with a Z or an R word is a
//   mill's peck drilling (Q its peck, P its dwell) and refers to nothing;
// - P of M99 (the block to return to) and of M97 (the block a local subprogram starts at);
// - the number after GOTO of a custom macro, in IF [...] GOTO n as well.
// A P in any other block (G04 dwell, M98, G65 and G66 program numbers, G10 data) names no
// block, nor does GOTO #1 or GOTO [#1 + 10]. Comments in parentheses, what follows a ";" and
// expressions in brackets are not read. Words are read in the case of the block numbers'
// symbol: with a small letter (n), a lower-case program's g71 p90 q200, m99 p50 and goto 20.
//
// Which block a reference names: the one block with that number. When several blocks have
// it (a file of several programs, or a program numbered badly), a cycle's P and Q, M97 and
// GOTO name the one of them in the reference's own program (a program starts at a row that
// begins with its program number, O or ":" and a digit, or at a "%" row); M99 P of a
// subprogram returns into the program that called it, so it names a block of its own
// program no better than another. A reference that still names more than one block is
// ambiguous: it names none of them, and every one of them counts as referred to.
class BlockReferences {
public:
    enum class Kind : quint8 { Contour, Return, LocalCall, Goto };
    static constexpr qsizetype None = -1;      // no block has the number
    static constexpr qsizetype Ambiguous = -2; // several blocks have it

    struct Reference {
        qsizetype row = 0;  // the row that holds it
        qsizetype at = 0;   // where its digits begin in the row's text
        qsizetype size = 0; // how many digits
        qint64 number = 0;  // the block number it names
        Kind kind = Kind::Contour;
        qsizetype target = None; // after resolve(): the row it names, None or Ambiguous
    };

    // symbol: the address letter of block numbers (N, or n in a lower-case program).
    explicit BlockReferences(QChar symbol);

    // The next row of the program: one block as plain text. Its block number is read from
    // the text, or given (when the text no longer holds it).
    void addRow(QStringView text);
    void addRow(QStringView text, std::optional<qint64> number);
    // The next row, known to hold no reference: its number and whether a program begins
    // there (beginsProgram).
    void addRow(std::optional<qint64> number, bool programStart);
    // Finds the block each reference names, once every row is in.
    void resolve();

    qsizetype rows() const { return m_rows; }
    const QList<Reference> &references() const { return m_references; }
    // After resolve(): a reference names the row's block, or may (an ambiguous one).
    bool isReferred(qsizetype row) const;

    // The block number at the start of a block: after blanks, TABs and a block skip "/",
    // the symbol and its digits (a minus sign before them is taken along). Nothing for a
    // number of more than 18 digits.
    static std::optional<qint64> blockNumber(QStringView text, QChar symbol);
    // Whether a program begins at the block: a "%" row, or a program number (O, or o in a
    // lower-case reading, or ":" and a digit) at its start.
    static bool beginsProgram(QStringView text, bool smallLetters);
    // The references in one block, in the order they stand (row 0, no target).
    static QList<Reference> referencesIn(QStringView text, bool smallLetters);

private:
    QChar m_symbol;
    bool m_small;
    qsizetype m_rows = 0;
    QList<Reference> m_references;
    QList<std::pair<qint64, qsizetype>> m_blocks; // (number, row), sorted by resolve()
    QList<qsizetype> m_programStarts;             // rows where a program begins
    QList<qsizetype> m_referred;                  // rows referred to, sorted, once each
};

} // namespace kordavel
