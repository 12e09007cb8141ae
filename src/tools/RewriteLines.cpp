// SPDX-License-Identifier: GPL-3.0-or-later
#include "RewriteLines.h"

#include "RtfPieces.h"

#include "common/CodePage.h"

#include <limits>

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

// Where the digits of a block number at the start of the text begin (after the symbol, and
// after the minus sign of a negative number that Numbering wrote); 0 when there is none.
qsizetype numberDigits(QByteArrayView text, QByteArrayView symbol)
{
    if (!text.startsWith(symbol))
        return 0;
    qsizetype at = symbol.size();
    if (at + 1 < text.size() && text[at] == '-')
        ++at;
    return at < text.size() && isDigit(text[at]) ? at : 0;
}

// Removes the block number at the start of the block (after format words and a block-skip
// "/"): the symbol, its digits, and the blanks and TABs after them. With a numberer, the
// block is trimmed first and numbered anew: a block that had a number always gets one, in
// the old one's place, followed by the TAB that followed the old one or else by one blank.
// False when the new number would leave the 32-bit range.
bool rewriteBlock(QByteArray &content, bool afterWord, QByteArrayView symbol, Numberer *numberer)
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
    const qsizetype digits = numberDigits(p.rest(), symbol);
    if (more && digits > 0) {
        hadNumber = true;
        qsizetype end = p.at + digits;
        while (end < content.size() && isDigit(content[end]))
            ++end;
        p.end = end;
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
            numberer->next += numberer->step;
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
                        qint32 step, bool numberEmpty)
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

    // A dropped row takes its paragraph mark along; its formatting words stay in force for
    // the text after it. They go in front of the next line written. When the first row
    // goes, whose mark is the \par of the next line, that mark goes instead and the
    // opening words of the first row stand in its place (but for the mark of a final line
    // end, which stays).
    QByteArray carried;
    QByteArray out;
    out.reserve(rtf.size() + rtf.size() / 8 + 64);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        // 2: lines that carry no program text pass unchanged.
        if (!carriesText(line) || numberer.stopped) {
            out += line.whole;
            out += "\r\n";
            continue;
        }
        const bool afterWord = !line.prefix.endsWith(' ');
        QByteArray content = line.content.toByteArray();
        if (i != finalEnd) {
            if (options & rwBadSymbols) { // 4
                content = removeEscapedCharacters(content);
                content = trimBlanks(content).toByteArray();
            }
            const bool renumber = options & rwRenumber;
            if ((renumber || (options & rwNumbering)) && // 5, 6
                !rewriteBlock(content, afterWord, sym, renumber ? &numberer : nullptr)) {
                numberer.stopped = true;
                out += line.whole;
                out += "\r\n";
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
        out += content;
        out += "\r\n";
    }
    return out;
}

} // namespace kordavel
