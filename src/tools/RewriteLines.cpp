#include "RewriteLines.h"

#include "common/CodePage.h"

#include <algorithm>
#include <limits>

namespace kordavel {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && text.front() == ' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    return text;
}

// Removes every escaped character (backslash, apostrophe, two hex digits) from the
// content; one cut short at the end goes as far as it reaches. An escaped backslash or
// brace is program text, so the apostrophe after "\\" is not an escape.
void removeEscapedCharacters(QByteArray &content)
{
    qsizetype i = 0;
    while (i + 1 < content.size()) {
        if (content[i] != '\\') {
            ++i;
            continue;
        }
        const char next = content[i + 1];
        if (next == '\'') {
            content.remove(i, std::min<qsizetype>(4, content.size() - i));
            continue;
        }
        i += (next == '\\' || next == '{' || next == '}') ? 2 : 1;
    }
}

// Removes the block number (the symbol followed by digits, then blanks) at the start of
// the content, after a block-skip "/" when there is one.
void removeBlockNumber(QByteArray &content, QByteArrayView symbol)
{
    if (content.isEmpty())
        return;
    const bool skipped = content[0] == '/';
    const qsizetype at = skipped ? 1 : 0;
    const qsizetype digit = at + symbol.size();
    if (digit >= content.size() || !QByteArrayView(content).sliced(at).startsWith(symbol) ||
        !isDigit(content[digit]))
        return;
    qsizetype end = digit + 1;
    while (end < content.size() && isDigit(content[end]))
        ++end;
    while (end < content.size() && content[end] == ' ')
        ++end;
    content.remove(at, end - at);
}

// True for a line that opens with the paragraph mark \par (not \pard).
bool opensWithParagraphMark(QByteArrayView prefix)
{
    if (!prefix.startsWith("\\par"))
        return false;
    const char after = prefix.size() > 4 ? prefix[4] : ' ';
    return !((after >= 'a' && after <= 'z') || (after >= 'A' && after <= 'Z'));
}

bool fitsInt32(qint64 n)
{
    return n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max();
}

struct Numberer {
    QByteArrayView symbol;
    qint64 next;
    qint64 step;
    bool numberEmpty;
    bool stopped = false;

    // Numbers the content anew; false when its number would leave the 32-bit range.
    bool renumber(QByteArray &content)
    {
        if (!content.isEmpty() && content[0] == '/')
            content = '/' + trimBlanks(QByteArrayView(content).sliced(1)).toByteArray();
        else
            content = trimBlanks(content).toByteArray();

        QByteArray head;
        qsizetype keep = 0;
        if (content.isEmpty()) {
            if (!numberEmpty)
                return true;
            head = ' ' + symbol.toByteArray();
        } else if (content[0] >= 'A' && content[0] <= 'Z' && content[0] != 'O') {
            head = symbol.toByteArray();
        } else if (content[0] == '/') {
            head = '/' + symbol.toByteArray();
            keep = 1;
        } else {
            return true;
        }
        if (!fitsInt32(next))
            return false;
        head += QByteArray::number(next);
        if (!content.isEmpty())
            head += ' ';
        head += QByteArrayView(content).sliced(keep);
        content = head;
        next += step;
        return true;
    }
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

    // A dropped row takes its paragraph mark along; its formatting words stay in force for
    // the text after it. They go in front of the next line written. When the first row
    // goes, whose mark is the \par of the next line, that mark goes instead and the
    // opening words of the first row stand in its place.
    QByteArray carried;
    QByteArray out;
    out.reserve(rtf.size() + rtf.size() / 8 + 64);
    qsizetype pos = 0;
    while (pos < rtf.size()) {
        // 1: one line, without its line end, trimmed of blanks.
        qsizetype end = rtf.indexOf('\n', pos);
        const qsizetype next = end < 0 ? rtf.size() : end + 1;
        if (end < 0)
            end = rtf.size();
        else if (end > pos && rtf[end - 1] == '\r')
            --end;
        const QByteArrayView line = trimBlanks(rtf.sliced(pos, end - pos));
        pos = next;

        // 2: lines that carry no program text pass unchanged.
        if (line.isEmpty() || line.front() != '\\' || numberer.stopped) {
            out += line;
            out += "\r\n";
            continue;
        }
        // 3: the control words that open the line, and the program text after them.
        const qsizetype blank = line.indexOf(' ');
        const QByteArrayView prefix = blank < 0 ? line : line.first(blank + 1);
        QByteArray content = blank < 0 ? QByteArray() : line.sliced(blank + 1).toByteArray();

        if (options & rwBadSymbols) { // 4
            removeEscapedCharacters(content);
            content = trimBlanks(content).toByteArray();
        }
        if (options & (rwNumbering | rwRenumber)) // 5
            removeBlockNumber(content, sym);
        if ((options & rwRenumber) && !numberer.renumber(content)) { // 6
            numberer.stopped = true;
            out += line;
            out += "\r\n";
            continue;
        }
        const bool mark = opensWithParagraphMark(prefix);
        if ((options & rwEmptyRows) && content.isEmpty()) { // 7
            const QByteArrayView words = trimBlanks(prefix);
            if (!mark)
                carried = words.toByteArray();
            else if (carried.isEmpty())
                carried = words.toByteArray();
            else
                carried += words.sliced(4);
            continue;
        }
        if (!carried.isEmpty()) {
            if (mark) {
                out += carried;
                out += prefix.sliced(4);
            } else {
                if (!opensWithParagraphMark(carried))
                    out += carried + "\r\n";
                out += prefix;
            }
            carried.clear();
        } else {
            out += prefix; // 8, 9
        }
        out += content;
        out += "\r\n";
    }
    return out;
}

} // namespace kordavel
