// SPDX-License-Identifier: GPL-3.0-or-later
#include "RewriteLines.h"

#include "BlockReferences.h"
#include "RtfPieces.h"

#include "common/CodePage.h"
#include "i18n/Language.h"

#include <limits>
#include <optional>

namespace kordavel {

namespace {

QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && text.front() == ' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    return text;
}

// Removes every escaped character outside ASCII (\'xx and \uN with its stand-in). An
// escaped backslash or brace is program text, so the apostrophe after "\\" is not an escape.
QByteArray removeEscapedCharacters(QByteArrayView content)
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

bool fitsInt32(qint64 n)
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
bool readNumber(RtfPieces &p, QByteArrayView symbol, QByteArray &inside,
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
    if (i > from && (i == text.size() || text[i] != '\\')) {
        if (i - from <= 18)
            value = dash ? -plain : plain;
        p.at = i - 1;
        p.end = i;
        return true;
    }
    RtfPieces q = p;
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
bool rewriteBlock(QByteArray &content, bool afterWord, QByteArrayView symbol, Numberer *numberer,
                  std::optional<qint64> *old = nullptr, std::optional<qint64> *now = nullptr)
{
    RtfPieceWriter out(afterWord);
    RtfPieces p{content};
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
    QByteArray separator;
    QByteArray between;
    std::optional<qint64> value;
    if (more && readNumber(p, symbol, between, value)) {
        hadNumber = true;
        if (old)
            *old = value;
        more = p.next();
        while (more && (p.kind == Piece::Format || isSpace(p.kind))) {
            (p.kind == Piece::Format ? between : separator) += p.piece();
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
            out.add(numberer->symbol + QByteArray::number(numberer->next), Piece::Char);
            if (now)
                *now = numberer->next;
            numberer->next += numberer->step;
            ++numberer->count;
            if (text && separator.contains("\\tab"))
                out.add(separator, Piece::Tab);
            else if (text)
                out.add(" ", Piece::Blank);
        }
    }
    RtfPieces kept{between};
    while (kept.next())
        out.add(kept.piece(), kept.kind);
    if (more) // the rest as it stands
        out.add(p.rest(), p.kind);
    content = out.take();
    while (numberer && content.endsWith(' '))
        content.chop(1);
    return true;
}

// The program text of a line's content as BlockReferences reads it, and where in the
// content each of its characters stands. Format words are not text; with `dropEscapes`,
// neither are the escaped characters that Unusable Symbols removes.
struct PlainText {
    QString text;
    QList<qsizetype> at;

    void read(QByteArrayView content, bool dropEscapes)
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

// True for a line that opens with the paragraph mark \par (not \pard).
bool opensWithParagraphMark(QByteArrayView prefix)
{
    if (!prefix.startsWith("\\par"))
        return false;
    const char after = prefix.size() > 4 ? prefix[4] : ' ';
    return !isLetter(after);
}

// One line of the rich text: the control words that open it and the program text after them.
struct Line {
    QByteArrayView whole;
    QByteArrayView prefix;
    QByteArrayView content;
};

// Step 1: the lines, without their line ends, trimmed of blanks; after a final line feed
// no further empty line.
QList<Line> linesOf(QByteArrayView rtf)
{
    QList<Line> lines;
    qsizetype pos = 0;
    while (pos < rtf.size()) {
        qsizetype end = rtf.indexOf('\n', pos);
        const qsizetype next = end < 0 ? rtf.size() : end + 1;
        if (end < 0)
            end = rtf.size();
        else if (end > pos && rtf[end - 1] == '\r')
            --end;
        Line line{trimBlanks(rtf.sliced(pos, end - pos)), {}, {}};
        const qsizetype blank = line.whole.indexOf(' ');
        line.prefix = blank < 0 ? line.whole : line.whole.first(blank + 1);
        line.content = blank < 0 ? QByteArrayView() : line.whole.sliced(blank + 1);
        lines.append(line);
        pos = next;
    }
    return lines;
}

bool carriesText(const Line &line)
{
    return !line.whole.isEmpty() && line.whole.front() == '\\';
}

// The empty paragraph that a final line end leaves before the document's closing "\par }":
// not a row of the program, so never dropped and never numbered. -1 when there is none.
qsizetype finalLineEnd(const QList<Line> &lines)
{
    qsizetype closing = lines.size() - 1;
    while (closing >= 0 && !carriesText(lines[closing]))
        --closing;
    if (closing < 1 || !lines[closing].content.startsWith('}'))
        return -1;
    const Line &last = lines[closing - 1];
    return carriesText(last) && opensWithParagraphMark(last.prefix) && holdsNoText(last.content)
               ? closing - 1
               : -1;
}

// Whether a line's content may hold a reference (BlockReferences): a P word or a GOTO, in
// the case of the symbol. Most rows hold neither, and need not be read whole.
bool mayRefer(QByteArrayView content, bool small)
{
    return content.contains(small ? 'p' : 'P') || content.contains(small ? 't' : 'T');
}

bool smallLetter(QChar c)
{
    return c >= QLatin1Char('a') && c <= QLatin1Char('z');
}

// What BlockReferences needs of a row that holds no reference, read from the rich text as
// blockNumber and beginsProgram read the plain text: its number, and whether a program
// begins there (the number only when there is a symbol to read it by). With `dropEscapes`,
// escaped characters count as gone.
struct RowHead {
    std::optional<qint64> number;
    bool programStart = false;
};

RowHead headOf(QByteArrayView content, QByteArrayView symbol, bool small, bool dropEscapes)
{
    RowHead head;
    RtfPieces p{content};
    bool more = p.next();
    const auto skip = [&] {
        while (more && (p.kind == Piece::Format || isSpace(p.kind) ||
                        (dropEscapes && p.kind == Piece::Char && p.piece().size() > 2 &&
                         (p.piece()[1] == '\'' || p.piece()[1] == 'u'))))
            more = p.next();
    };
    skip();
    if (!more)
        return head;
    const QByteArrayView first = p.piece();
    if (first == "%") {
        head.programStart = true;
    } else if (first == (small ? "o" : "O") || first == ":") {
        RtfPieces q = p;
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
        readNumber(p, symbol, inside, head.number);
    return head;
}

// Whether any row of the program refers to another: when none does, neither Clean nor
// Numbering has references to mind.
bool anyReference(const QList<Line> &lines, qsizetype finalEnd, QChar symbol)
{
    PlainText plain;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == finalEnd || !carriesText(lines[i]) ||
            !mayRefer(lines[i].content, smallLetter(symbol)))
            continue;
        plain.read(lines[i].content, false);
        if (!BlockReferences::referencesIn(plain.text, smallLetter(symbol)).isEmpty())
            return true;
    }
    return false;
}

// Numbering's references: the rows as they are written, each with its number before and
// after, and where the digits of every reference stand in the output; once every row is
// written, the references that name a renumbered block get its new number.
class ReferenceFollower {
public:
    explicit ReferenceFollower(QChar symbol) : m_refs(symbol), m_small(smallLetter(symbol)) {}

    // A row whose content starts at `contentAt` in the output.
    void row(QByteArrayView content, qsizetype contentAt, std::optional<qint64> old,
             std::optional<qint64> now)
    {
        m_numbers.append(now ? *now : old ? *old : kNoNumber);
        if (!mayRefer(content, m_small)) {
            m_refs.addRow(old, headOf(content, {}, m_small, false).programStart);
            return;
        }
        m_plain.read(content, false);
        const qsizetype known = m_refs.references().size();
        m_refs.addRow(m_plain.text, old);
        const QList<BlockReferences::Reference> &refs = m_refs.references();
        for (qsizetype k = known; k < refs.size(); ++k)
            for (qsizetype d = 0; d < refs[k].size; ++d)
                m_digitAt.append(contentAt + m_plain.at[refs[k].at + d]);
    }

    void finish(QByteArray &out, RewriteReport *report)
    {
        m_refs.resolve();
        QByteArray followed;
        bool edited = false;
        qsizetype copied = 0;
        qsizetype digit = 0;
        for (const BlockReferences::Reference &r : m_refs.references()) {
            const qsizetype first = digit;
            digit += r.size;
            if (r.target < 0) {
                if (report) {
                    QList<qsizetype> &lines =
                        r.target == BlockReferences::None ? report->nowhere : report->ambiguous;
                    if (lines.isEmpty() || lines.back() != r.row + 1)
                        lines.append(r.row + 1);
                }
                continue;
            }
            const qint64 now = m_numbers[r.target];
            if (now == r.number)
                continue;
            if (!edited)
                followed.reserve(out.size() + out.size() / 64 + 16);
            edited = true;
            // The new number stands in the first digit's place; the other digits go, and any
            // format word among them stays.
            for (qsizetype d = first; d < digit; ++d) {
                followed += QByteArrayView(out).sliced(copied, m_digitAt[d] - copied);
                if (d == first)
                    followed += QByteArray::number(now);
                copied = m_digitAt[d] + 1;
            }
            // A format word kept at the end of a line loses its delimiting blank there.
            if (copied < out.size() && out[copied] == '\r')
                while (followed.endsWith(' '))
                    followed.chop(1);
            if (report)
                ++report->followed;
        }
        if (edited) {
            followed += QByteArrayView(out).sliced(copied);
            out = std::move(followed);
        }
    }

private:
    static constexpr qint64 kNoNumber = std::numeric_limits<qint64>::min();
    BlockReferences m_refs;
    bool m_small;
    PlainText m_plain;
    QList<qint64> m_numbers;    // by row: its number after the rewrite
    QList<qsizetype> m_digitAt; // the digits of every reference, in order
};

} // namespace

QByteArray rtfSymbol(const QString &symbol)
{
    if (symbol.isEmpty())
        return {};
    const QChar ch = symbol.front();
    const char16_t c = ch.unicode();
    if (c == '\\' || c == '{' || c == '}')
        return QByteArray(1, '\\') + char(c);
    if (c >= 0x20 && c < 0x7F)
        return QByteArray(1, char(c));
    const int byte = c < 0x80 ? int(c) : encodeChar(ch);
    if (byte >= 0) {
        static const char hex[] = "0123456789abcdef";
        return QByteArray("\\'") + hex[(byte >> 4) & 0xF] + hex[byte & 0xF];
    }
    return "\\u" + QByteArray::number(c >= 0x8000 ? int(c) - 0x10000 : int(c)) + '?';
}

QByteArray RewriteLines(QByteArrayView rtf, quint8 options, const QString &symbol, qint32 start,
                        qint32 step, bool numberEmpty, RewriteReport *report)
{
    const QByteArray sym = rtfSymbol(symbol);
    if (sym.isEmpty() && (options & (rwNumbering | rwRenumber))) {
        // Without an address letter there are no block numbers to remove or to write.
        options &= quint8(~(rwNumbering | rwRenumber));
        if (options == 0)
            return rtf.toByteArray();
    }
    Numberer numberer{sym, start, step, numberEmpty};
    const QList<Line> lines = linesOf(rtf);
    const qsizetype finalEnd = finalLineEnd(lines);
    const bool renumber = options & rwRenumber;
    const bool removeNumbers = !renumber && (options & rwNumbering);

    // Removing block numbers keeps those that references name: they are all read first.
    const bool references =
        (renumber || removeNumbers) && anyReference(lines, finalEnd, symbol.front());
    std::optional<BlockReferences> named;
    if (removeNumbers && references) {
        const QChar letter = symbol.front();
        named.emplace(letter);
        PlainText plain;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (!carriesText(lines[i]))
                continue;
            const QByteArrayView content = i == finalEnd ? QByteArrayView() : lines[i].content;
            const bool dropEscapes = options & rwBadSymbols;
            if (mayRefer(content, smallLetter(letter))) {
                plain.read(content, dropEscapes);
                named->addRow(plain.text);
            } else {
                const RowHead head = headOf(content, sym, smallLetter(letter), dropEscapes);
                named->addRow(head.number, head.programStart);
            }
        }
        named->resolve();
    }
    std::optional<ReferenceFollower> follower;
    if (renumber && references)
        follower.emplace(symbol.front());

    // A dropped row takes its paragraph mark along; its formatting words stay in force for
    // the text after it. They go in front of the next line written. When the first row
    // goes, whose mark is the \par of the next line, that mark goes instead and the
    // opening words of the first row stand in its place (but for the mark of a final line
    // end, which stays).
    QByteArray carried;
    QByteArray out;
    out.reserve(rtf.size() + rtf.size() / 8 + 64);
    qsizetype row = -1; // of the program, counting the lines that carry its text
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        // 2: lines that carry no program text pass unchanged.
        if (!carriesText(line)) {
            out += line.whole;
            out += "\r\n";
            continue;
        }
        ++row;
        const auto asItStands = [&] {
            out += line.prefix;
            if (follower) {
                const std::optional<qint64> number =
                    headOf(line.content, sym, smallLetter(symbol.front()), false).number;
                follower->row(line.content, out.size(), number, number);
            }
            out += line.content;
            out += "\r\n";
        };
        if (numberer.stopped) {
            asItStands();
            continue;
        }
        const bool afterWord = !line.prefix.endsWith(' ');
        QByteArray content = line.content.toByteArray();
        std::optional<qint64> old;
        std::optional<qint64> now;
        if (i != finalEnd) {
            if (options & rwBadSymbols) { // 4
                content = removeEscapedCharacters(content);
                content = trimBlanks(content).toByteArray();
            }
            if (named && named->isReferred(row)) {
                if (report)
                    ++report->kept;
            } else if ((renumber || removeNumbers) && // 5, 6
                       !rewriteBlock(content, afterWord, sym, renumber ? &numberer : nullptr, &old,
                                     &now)) {
                numberer.stopped = true;
                asItStands();
                continue;
            }
        }
        const bool mark = opensWithParagraphMark(line.prefix);
        if ((options & rwEmptyRows) && i != finalEnd && holdsNoText(content)) { // 7
            const QByteArray words = trimBlanks(line.prefix.toByteArray() + content).toByteArray();
            if (!mark || carried.isEmpty())
                carried = words;
            else
                carried += words.sliced(4);
            if (follower) // a row still, for the line numbers of those after it
                follower->row({}, out.size(), std::nullopt, std::nullopt);
            continue;
        }
        if (!carried.isEmpty()) {
            if (mark && (i != finalEnd || opensWithParagraphMark(carried))) {
                out += carried;
                out += line.prefix.sliced(4);
            } else {
                if (!opensWithParagraphMark(carried))
                    out += carried + "\r\n";
                out += line.prefix;
            }
            carried.clear();
        } else {
            out += line.prefix; // 8, 9
        }
        if (follower)
            follower->row(content, out.size(), old, now);
        out += content;
        out += "\r\n";
    }
    if (follower)
        follower->finish(out, report);
    if (report)
        report->numbered = numberer.count;
    return out;
}

QString referencesSummary(const RewriteReport &report)
{
    const auto lines = [](const QList<qsizetype> &list) {
        constexpr qsizetype shown = 10;
        QStringList numbers;
        for (qsizetype k = 0; k < std::min(shown, list.size()); ++k)
            numbers << QString::number(list[k]);
        QString text = numbers.join(QStringLiteral(", "));
        if (list.size() > shown)
            text += QLatin1Char(' ') +
                    GetString(QStringLiteral("and %1 more"), 525).arg(list.size() - shown);
        return text;
    };
    QStringList parts;
    if (report.followed > 0)
        parts << GetString(QStringLiteral("References renumbered with their blocks: %1"), 526)
                     .arg(report.followed);
    if (!report.nowhere.isEmpty())
        parts << GetString(QStringLiteral("References to no block, left as they were: lines %1"),
                           522)
                     .arg(lines(report.nowhere));
    if (!report.ambiguous.isEmpty())
        parts << GetString(QStringLiteral("References to a number several blocks have, left as "
                                          "they were: lines %1"),
                           523)
                     .arg(lines(report.ambiguous));
    if (report.kept > 0)
        parts << GetString(QStringLiteral("Block numbers kept because other blocks refer to "
                                          "them: %1"),
                           524)
                     .arg(report.kept);
    return parts.join(QStringLiteral(". "));
}

} // namespace kordavel
