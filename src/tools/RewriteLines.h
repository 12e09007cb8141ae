// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace kordavel {

// What the line rewriter does to every line of program text (bits of the options).
enum RewriteOption : quint8 {
    rwBadSymbols = 1, // remove escaped non-ASCII characters
    rwNumbering = 2,  // remove the block number at the start of a block
    rwEmptyRows = 4,  // drop empty rows
    rwRenumber = 8,   // remove the block number, then number the block anew
};

// Rewrites the program's rich text (RTF as the editor control writes it, one paragraph a
// line, every later paragraph on a line beginning with \par) line by line and returns the
// new RTF. Lines that do not begin with a backslash (the header, a lone closing brace)
// pass through trimmed. The empty last paragraph that a final line end leaves is no row:
// it is neither dropped nor numbered, so the text ends with a line end exactly when it did.
// A block number is the symbol and its digits at the start of a block (after format words
// and a block-skip "/"); a TAB after it is taken like a blank. Only the first character of
// the symbol counts; an empty symbol removes and numbers nothing (asked for numbers alone,
// it returns the text as given). A dropped row's formatting words carry over to the next
// line.
//
// Numbering first drops the blanks and TABs in front of a block. A block that had a number
// gets the new one in its place (followed by the TAB that followed the old one, else by one
// blank), whatever it begins with; other blocks get one when they begin with "/" or with a
// capital other than O (with a small symbol letter, also a small letter other than o); rows
// that are empty get one only when `numberEmpty` is true. No block gets two numbers, and
// numbering numbered text again gives the same text. The running block number starts at
// `start` and grows by `step`; a block whose number would leave the 32-bit range, and every
// block after it, is left as it stands.
//
// References between blocks (BlockReferences: the P and Q of G70 to G73, M97 P, M99 P,
// GOTO n) follow their blocks: Numbering rewrites each one that names a block to the
// block's new number; one that names no block, or several, is left as it stands and
// reported. Removing block numbers keeps the numbers that references name. Programs whose
// blocks refer to none are read no further than before.
struct RewriteReport {
    qint64 numbered = 0;        // blocks Numbering gave a number
    qsizetype followed = 0;     // references Numbering rewrote to their block's new number
    QList<qsizetype> nowhere;   // Numbering: lines (from 1) of references to no block
    QList<qsizetype> ambiguous; // Numbering: lines of references to several blocks' number
    qsizetype kept = 0;         // block numbers not removed because references name them
};

QByteArray RewriteLines(QByteArrayView rtf, quint8 options, const QString &symbol, qint32 start,
                        qint32 step, bool numberEmpty, RewriteReport *report = nullptr);

// What a rewrite did with the references, for the status bar in the current language;
// empty when there were none.
QString referencesSummary(const RewriteReport &report);

// The symbol's first character as it stands in RTF program text (escaped where needed);
// empty for an empty symbol.
QByteArray rtfSymbol(const QString &symbol);

} // namespace kordavel
