// SPDX-License-Identifier: GPL-3.0-or-later
// The line rewriter's work on one row of a program, shared by its two forms of program text:
// the rich text of a document (RTF, a row a line after its paragraph words) and a plain
// program in a LineBuffer (Windows-1252 bytes, a row a line). Only the line rewriter and the
// plain rewrite include this header.
#pragma once

#include "BlockReferences.h"
#include "RewriteLines.h"
#include "RtfPieces.h"

#include "common/CodePage.h"

#include <QVarLengthArray>

#include <charconv>
#include <cstring>
#include <limits>
#include <optional>

namespace kordavel::rows {

inline QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && text.front() == ' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    return text;
}

inline bool smallLetter(QChar c)
{
    return c >= QLatin1Char('a') && c <= QLatin1Char('z');
}

// Whether a row may hold a reference (BlockReferences): a P word or a GOTO, in the case of
// the symbol. Most rows hold neither, and need not be read whole.
inline bool mayRefer(QByteArrayView content, bool small)
{
    return content.contains(small ? 'p' : 'P') || content.contains(small ? 't' : 'T');
}

// --- the two forms of program text ---------------------------------------------------------

// Rich text: format words among the characters, escapes for the others.
struct RtfForm {
    using Pieces = RtfPieces;
    // Builds a row's content into target.
    class Writer {
    public:
        Writer(bool afterWord, QByteArray &target, qsizetype) : m_out(afterWord), m_target(target)
        {}
        void add(QByteArrayView piece, Piece kind) { m_out.add(piece, kind); }
        void finish() { m_target = m_out.take(); }

    private:
        RtfPieceWriter m_out;
        QByteArray &m_target;
    };
    static constexpr bool kFormatWords = true;

    static bool holdsNoText(QByteArrayView content) { return kordavel::holdsNoText(content); }

    // An escaped character, as the reading of a block's head skips it.
    static bool isEscape(const Pieces &p)
    {
        const QByteArrayView piece = p.piece();
        return p.kind == Piece::Char && piece.size() > 2 && (piece[1] == '\'' || piece[1] == 'u');
    }

    // Removes every escaped character outside ASCII (\'xx and \uN with its stand-in). An
    // escaped backslash or brace is program text, so the apostrophe after "\\" is not an
    // escape.
    static QByteArray removeUnusable(QByteArrayView content)
    {
        if (!content.contains("\\'") && !content.contains("\\u"))
            return content.toByteArray();
        RtfPieceWriter out(false);
        RtfPieces p{content};
        qsizetype kept = 0; // where the pieces kept since the last removal begin
        Piece last = Piece::Char;
        while (p.next()) {
            const QByteArrayView piece = p.piece();
            if (p.kind == Piece::Char && (piece.startsWith("\\'") || piece.startsWith("\\u"))) {
                out.add(content.sliced(kept, p.at - kept), last);
                kept = p.end;
            }
            last = p.kind;
        }
        out.add(content.sliced(kept), last);
        return out.take();
    }

    // The program text of a row as BlockReferences reads it, and where in the content each of
    // its characters stands. Format words are not text; with `dropEscapes`, neither are the
    // escaped characters that Unusable Symbols removes.
    static void readText(QByteArrayView content, bool dropEscapes, QString &text,
                         QList<qsizetype> &at)
    {
        text.clear();
        at.clear();
        RtfPieces p{content};
        while (p.next()) {
            const QByteArrayView piece = p.piece();
            QChar c;
            if (p.kind == Piece::Format)
                continue;
            if (p.kind != Piece::Char) {
                c = QLatin1Char(p.kind == Piece::Tab ? '\t' : ' ');
            } else if (piece.size() == 1) {
                c = QLatin1Char(piece.front());
            } else if (piece.startsWith("\\'") || piece.startsWith("\\u")) {
                if (dropEscapes)
                    continue;
                c = piece[1] == '\'' ? hexChar(piece) : unicodeChar(piece);
            } else {
                c = QLatin1Char(piece[1]); // \\, \{, \} and the like
            }
            text += c;
            at.append(p.at);
        }
    }

    static QChar hexChar(QByteArrayView piece)
    {
        bool ok = false;
        const int byte = piece.size() == 4 ? piece.sliced(2).toInt(&ok, 16) : 0;
        return ok ? decodeByte(static_cast<unsigned char>(byte))
                  : QChar(QChar::ReplacementCharacter);
    }

    static QChar unicodeChar(QByteArrayView piece)
    {
        qsizetype end = 2;
        while (end < piece.size() && (isDigit(piece[end]) || piece[end] == '-'))
            ++end;
        return QChar(char16_t(piece.sliced(2, end - 2).toInt()));
    }
};

// Plain text: one byte a character, Windows-1252. The unusable characters are those that
// rich text holds escaped: the bytes from 0x80, DEL and the control characters but TAB.
struct PlainPieces {
    QByteArrayView text;
    qsizetype at = 0;
    qsizetype end = 0;
    Piece kind = Piece::Char;

    bool next()
    {
        at = end;
        if (at >= text.size())
            return false;
        end = at + 1;
        const char c = text[at];
        kind = c == ' ' ? Piece::Blank : c == '\t' ? Piece::Tab : Piece::Char;
        return true;
    }
    QByteArrayView piece() const { return text.sliced(at, end - at); }
    QByteArrayView rest() const { return text.sliced(at); }
};

// Writes a row's content straight into target, which keeps its capacity from row to row.
class PlainWriter {
public:
    PlainWriter(bool, QByteArray &target, qsizetype expected) : m_out(target)
    {
        m_out.resize(0);
        m_out.reserve(expected);
    }
    void add(QByteArrayView piece, Piece)
    {
        const qsizetype at = m_out.size();
        m_out.resize(at + piece.size());
        std::memcpy(m_out.data() + at, piece.data(), size_t(piece.size()));
    }
    void finish() {}

private:
    QByteArray &m_out;
};

struct PlainForm {
    using Pieces = PlainPieces;
    using Writer = PlainWriter;
    static constexpr bool kFormatWords = false;

    static bool unusable(char c)
    {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x7F || (b < 0x20 && b != '\t');
    }
    static bool holdsNoText(QByteArrayView content) { return content.isEmpty(); }
    static bool isEscape(const Pieces &p) { return unusable(p.text[p.at]); }

    static QByteArray removeUnusable(QByteArrayView content)
    {
        QByteArray out;
        out.reserve(content.size());
        for (const char c : content)
            if (!unusable(c))
                out += c;
        return out;
    }

    static void readText(QByteArrayView content, bool dropEscapes, QString &text,
                         QList<qsizetype> &at)
    {
        text.clear();
        at.clear();
        for (qsizetype i = 0; i < content.size(); ++i) {
            if (dropEscapes && unusable(content[i]))
                continue;
            text += decodeByte(static_cast<unsigned char>(content[i]));
            at.append(i);
        }
    }
};

// --- one row -------------------------------------------------------------------------------

inline bool fitsInt32(qint64 n)
{
    return n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max();
}

// Numbering's running block number.
struct Numberer {
    QByteArray symbol;
    qint64 next;
    qint64 step;
    bool numberEmpty;
    bool stopped = false;
    qint64 count = 0; // blocks numbered

    // Blocks that begin with a capital other than O get a number; with a small letter as the
    // symbol, so do blocks that begin with a small letter other than o.
    bool numbers(char c) const
    {
        if (c >= 'A' && c <= 'Z')
            return c != 'O';
        const char s = symbol.front();
        return s >= 'a' && s <= 'z' && c >= 'a' && c <= 'z' && c != 'o';
    }
};

// A block number at the piece p stands on: the symbol, then the digits (after the minus sign
// of a negative number that Numbering wrote), with any format words among them. If there is
// one, p is moved onto its last digit, `inside` takes the format words among and `value` its
// value (none for more than 18 digits).
template <class Form>
bool readNumber(typename Form::Pieces &p, QByteArrayView symbol, QByteArray &inside,
                std::optional<qint64> &value)
{
    if (p.piece() != symbol)
        return false;
    // Most numbers are plain digits, with no format word among them.
    const QByteArrayView text = p.text;
    qsizetype i = p.end;
    const bool dash = i + 1 < text.size() && text[i] == '-' && isDigit(text[i + 1]);
    const qsizetype from = dash ? i + 1 : i;
    qint64 plain = 0;
    for (i = from; i < text.size() && isDigit(text[i]); ++i)
        if (i - from < 18)
            plain = plain * 10 + (text[i] - '0');
    if (i > from && (!Form::kFormatWords || i == text.size() || text[i] != '\\')) {
        if (i - from <= 18)
            value = dash ? -plain : plain;
        p.at = i - 1;
        p.end = i;
        return true;
    }
    typename Form::Pieces q = p;
    QByteArray pending;
    qint64 number = 0;
    qsizetype digits = 0;
    bool minus = false;
    qsizetype last = -1;
    while (q.next()) {
        const QByteArrayView piece = q.piece();
        if (q.kind == Piece::Format) {
            pending += piece;
            continue;
        }
        const bool digit = piece.size() == 1 && isDigit(piece.front());
        if (!digit && (piece != "-" || minus || digits > 0))
            break;
        if (!pending.isEmpty()) {
            inside += pending;
            pending.clear();
        }
        if (digit) {
            if (++digits <= 18)
                number = number * 10 + (piece.front() - '0');
            last = q.at;
        } else {
            minus = true;
        }
    }
    if (digits == 0) {
        inside.clear();
        return false;
    }
    if (digits <= 18)
        value = minus ? -number : number;
    p.at = last;
    p.end = last + 1;
    return true;
}

// Removes the block number at the start of the block (after format words and a block-skip
// "/"): the symbol, its digits, and the blanks and TABs after them. With a numberer, the
// block is trimmed first and numbered anew: a block that had a number always gets one, in
// the old one's place, followed by the TAB that followed the old one or else by one blank.
// False when the new number would leave the 32-bit range. `old` and `now`, when given, are
// set to the block's number before and after.
// The content is written into result, which must not hold it.
template <class Form>
bool rewriteBlock(QByteArrayView content, QByteArray &result, bool afterWord, QByteArrayView symbol,
                  Numberer *numberer, std::optional<qint64> *old = nullptr,
                  std::optional<qint64> *now = nullptr)
{
    typename Form::Writer out(afterWord, result, content.size() + 16);
    typename Form::Pieces p{content};
    bool more = p.next();
    const auto copyFormatAndSpace = [&](bool dropSpace) {
        while (more && (p.kind == Piece::Format || (dropSpace && isSpace(p.kind)))) {
            if (p.kind == Piece::Format)
                out.add(p.piece(), p.kind);
            more = p.next();
        }
    };
    copyFormatAndSpace(numberer != nullptr);
    bool skipped = false;
    if (more && p.piece() == "/") {
        out.add(p.piece(), p.kind);
        more = p.next();
        skipped = true;
        copyFormatAndSpace(numberer != nullptr);
    }
    // The old number and what follows it up to the block's first word.
    bool hadNumber = false;
    QVarLengthArray<char, 32> separator;
    bool tabbed = false;
    QByteArray between;
    std::optional<qint64> value;
    if (more && readNumber<Form>(p, symbol, between, value)) {
        hadNumber = true;
        if (old)
            *old = value;
        more = p.next();
        while (more && (p.kind == Piece::Format || isSpace(p.kind))) {
            if (p.kind == Piece::Format)
                between += p.piece();
            else
                separator.append(p.piece().data(), p.piece().size());
            tabbed = tabbed || p.kind == Piece::Tab;
            more = p.next();
        }
    }
    const bool text = more;
    if (numberer) {
        const bool numbered = hadNumber || skipped || (text && numberer->numbers(p.text[p.at])) ||
                              (!text && numberer->numberEmpty);
        if (numbered) {
            if (!fitsInt32(numberer->next))
                return false;
            char digits[24];
            const auto written = std::to_chars(digits, digits + sizeof digits, numberer->next);
            out.add(numberer->symbol, Piece::Char);
            out.add(QByteArrayView(digits, written.ptr - digits), Piece::Char);
            if (now)
                *now = numberer->next;
            numberer->next += numberer->step;
            ++numberer->count;
            if (text && tabbed)
                out.add(QByteArrayView(separator.data(), separator.size()), Piece::Tab);
            else if (text)
                out.add(" ", Piece::Blank);
        }
    }
    typename Form::Pieces kept{between};
    while (kept.next())
        out.add(kept.piece(), kept.kind);
    if (more) // the rest as it stands
        out.add(p.rest(), p.kind);
    out.finish();
    while (numberer && result.endsWith(' '))
        result.chop(1);
    return true;
}

// What BlockReferences needs of a row that holds no reference, read as blockNumber and
// beginsProgram read the plain text: its number, and whether a program begins there (the
// number only when there is a symbol to read it by). With `dropEscapes`, the unusable
// characters count as gone.
struct RowHead {
    std::optional<qint64> number;
    bool programStart = false;
};

template <class Form>
RowHead headOf(QByteArrayView content, QByteArrayView symbol, bool small, bool dropEscapes)
{
    RowHead head;
    typename Form::Pieces p{content};
    bool more = p.next();
    const auto skip = [&] {
        while (more &&
               (p.kind == Piece::Format || isSpace(p.kind) || (dropEscapes && Form::isEscape(p))))
            more = p.next();
    };
    skip();
    if (!more)
        return head;
    const QByteArrayView first = p.piece();
    if (first == "%") {
        head.programStart = true;
    } else if (first == (small ? "o" : "O") || first == ":") {
        typename Form::Pieces q = p;
        bool next = q.next();
        while (next && q.kind == Piece::Format)
            next = q.next();
        head.programStart = next && q.end == q.at + 1 && isDigit(q.text[q.at]);
    }
    if (first == "/") {
        more = p.next();
        skip();
    }
    QByteArray inside;
    if (more && !symbol.isEmpty())
        readNumber<Form>(p, symbol, inside, head.number);
    return head;
}

// A row without a block number.
constexpr qint64 kNoNumber = std::numeric_limits<qint64>::min();

// The program text of a row as BlockReferences reads it, and where each character stands.
template <class Form> struct RowText {
    QString text;
    QList<qsizetype> at;

    void read(QByteArrayView content, bool dropEscapes)
    {
        Form::readText(content, dropEscapes, text, at);
    }
};

// Clean's and Numbering's reading of the rows that references name: with Clean's removal of
// block numbers, which rows keep theirs. Rows go in one by one, the final line end's empty
// row too (as an empty row).
template <class Form> class NamedRows {
public:
    NamedRows(QChar symbol, QByteArrayView sym, bool dropEscapes)
        : m_refs(symbol), m_sym(sym.toByteArray()), m_small(smallLetter(symbol)),
          m_dropEscapes(dropEscapes)
    {}
    void row(QByteArrayView content)
    {
        if (mayRefer(content, m_small)) {
            m_text.read(content, m_dropEscapes);
            m_refs.addRow(m_text.text);
        } else {
            const RowHead head = headOf<Form>(content, m_sym, m_small, m_dropEscapes);
            m_refs.addRow(head.number, head.programStart);
        }
    }
    const BlockReferences &resolved()
    {
        m_refs.resolve();
        return m_refs;
    }

private:
    BlockReferences m_refs;
    QByteArray m_sym;
    bool m_small;
    bool m_dropEscapes;
    RowText<Form> m_text;
};

// Numbering's reading of the rows as they are written: each row's number after the rewrite,
// and the references with the numbers they name. Rows go in one by one, a dropped row as an
// empty one (it still counts for the line numbers of those after it).
template <class Form> class NumberedRows {
public:
    explicit NumberedRows(QChar symbol) : m_refs(symbol), m_small(smallLetter(symbol)) {}

    // The row's text when it was read for references, else null.
    const RowText<Form> *row(QByteArrayView content, std::optional<qint64> old,
                             std::optional<qint64> now)
    {
        m_numbers.append(now ? *now : old ? *old : kNoNumber);
        if (!mayRefer(content, m_small)) {
            m_refs.addRow(old, headOf<Form>(content, {}, m_small, false).programStart);
            return nullptr;
        }
        m_text.read(content, false);
        m_refs.addRow(m_text.text, old);
        return &m_text;
    }
    const BlockReferences &refs() const { return m_refs; }
    const QList<qint64> &numbers() const { return m_numbers; }
    void resolve() { m_refs.resolve(); }

private:
    BlockReferences m_refs;
    bool m_small;
    RowText<Form> m_text;
    QList<qint64> m_numbers; // by row: its number after the rewrite
};

enum class RowOutcome {
    Written,    // the row's new content is out
    Dropped,    // an empty row that goes
    AsItStands, // Numbering stopped at the 32-bit edge: this row and those after stay
};

// Clean's and Numbering's steps on one row after another.
template <class Form> class RowRewriter {
public:
    // named: after Clean's first reading, the rows whose numbers references name.
    RowRewriter(quint8 options, const QByteArray &symbol, qint32 start, qint32 step,
                bool numberEmpty, const BlockReferences *named)
        : m_options(options), m_symbol(symbol), m_numberer{symbol, start, step, numberEmpty},
          m_named(named)
    {}

    // Rewrites a row's content (trimmed of trailing blanks) into out. afterWord: what stands
    // before the content ends in a control word. final: the empty row a final line end
    // leaves, which is written as it stands. old and now: the row's block number before and
    // after, when it had or got one.
    RowOutcome rewrite(qsizetype row, QByteArrayView content, bool afterWord, bool final,
                       QByteArray &out, std::optional<qint64> &old, std::optional<qint64> &now)
    {
        old.reset();
        now.reset();
        if (m_numberer.stopped)
            return RowOutcome::AsItStands;
        const bool renumber = m_options & rwRenumber;
        const bool removeNumbers = !renumber && (m_options & rwNumbering);
        if (final) {
            copy(content, out);
            return RowOutcome::Written;
        }
        QByteArrayView text = content;
        if (m_options & rwBadSymbols) { // 4
            m_cleaned = Form::removeUnusable(content);
            text = trimBlanks(m_cleaned);
        }
        const bool referred = m_named && m_named->isReferred(row);
        if (referred)
            ++m_kept;
        if (referred || !(renumber || removeNumbers)) {
            copy(text, out);
        } else if (!rewriteBlock<Form>(text, out, afterWord, m_symbol, // 5, 6
                                       renumber ? &m_numberer : nullptr, &old, &now)) {
            m_numberer.stopped = true;
            old.reset();
            now.reset();
            return RowOutcome::AsItStands;
        }
        if ((m_options & rwEmptyRows) && Form::holdsNoText(out)) // 7
            return RowOutcome::Dropped;
        return RowOutcome::Written;
    }

    qint64 numbered() const { return m_numberer.count; }
    qsizetype kept() const { return m_kept; }

private:
    // Into out, keeping its capacity.
    static void copy(QByteArrayView text, QByteArray &out)
    {
        out.resize(text.size());
        if (!text.isEmpty())
            std::memcpy(out.data(), text.data(), size_t(text.size()));
    }

    quint8 m_options;
    QByteArray m_symbol;
    QByteArray m_cleaned; // the content without its unusable characters
    Numberer m_numberer;
    const BlockReferences *m_named;
    qsizetype m_kept = 0;
};

// Walks Numbering's references once every row is in: reports those that name no block or
// several, and gives each one whose block has a new number to `follow(reference, number)`.
// numbers: by row, its number after the rewrite (kNoNumber for none).

template <class Follow>
void followReferences(const BlockReferences &refs, const QList<qint64> &numbers,
                      RewriteReport *report, Follow &&follow)
{
    for (const BlockReferences::Reference &r : refs.references()) {
        if (r.target < 0) {
            if (report) {
                QList<qsizetype> &lines =
                    r.target == BlockReferences::None ? report->nowhere : report->ambiguous;
                if (lines.isEmpty() || lines.back() != r.row + 1)
                    lines.append(r.row + 1);
            }
            follow(r, std::optional<qint64>());
            continue;
        }
        const qint64 now = numbers[r.target];
        if (now == r.number) {
            follow(r, std::optional<qint64>());
            continue;
        }
        if (report)
            ++report->followed;
        follow(r, std::optional<qint64>(now));
    }
}

} // namespace kordavel::rows
