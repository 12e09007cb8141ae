// SPDX-License-Identifier: GPL-3.0-or-later
#include "RewriteLines.h"

#include "RowRewriter.h"

#include "common/CodePage.h"
#include "i18n/Language.h"

#include <optional>

namespace kordavel {

namespace {

using namespace rows;

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

// Whether any row of the program refers to another: when none does, neither Clean nor
// Numbering has references to mind.
bool anyReference(const QList<Line> &lines, qsizetype finalEnd, QChar symbol)
{
    RowText<RtfForm> plain;
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
    explicit ReferenceFollower(QChar symbol) : m_rows(symbol) {}

    // A row whose content starts at `contentAt` in the output.
    void row(QByteArrayView content, qsizetype contentAt, std::optional<qint64> old,
             std::optional<qint64> now)
    {
        const qsizetype known = m_rows.refs().references().size();
        const RowText<RtfForm> *text = m_rows.row(content, old, now);
        if (!text)
            return;
        const QList<BlockReferences::Reference> &refs = m_rows.refs().references();
        for (qsizetype k = known; k < refs.size(); ++k)
            for (qsizetype d = 0; d < refs[k].size; ++d)
                m_digitAt.append(contentAt + text->at[refs[k].at + d]);
    }

    void finish(QByteArray &out, RewriteReport *report)
    {
        m_rows.resolve();
        QByteArray followed;
        bool edited = false;
        qsizetype copied = 0;
        qsizetype digit = 0;
        followReferences(m_rows.refs(), m_rows.numbers(), report,
                         [&](const BlockReferences::Reference &r, std::optional<qint64> now) {
                             const qsizetype first = digit;
                             digit += r.size;
                             if (!now)
                                 return;
                             if (!edited)
                                 followed.reserve(out.size() + out.size() / 64 + 16);
                             edited = true;
                             // The new number stands in the first digit's place; the other
                             // digits go, and any format word among them stays.
                             for (qsizetype d = first; d < digit; ++d) {
                                 followed +=
                                     QByteArrayView(out).sliced(copied, m_digitAt[d] - copied);
                                 if (d == first)
                                     followed += QByteArray::number(*now);
                                 copied = m_digitAt[d] + 1;
                             }
                             // A format word kept at the end of a line loses its delimiting
                             // blank there.
                             if (copied < out.size() && out[copied] == '\r')
                                 while (followed.endsWith(' '))
                                     followed.chop(1);
                         });
        if (edited) {
            followed += QByteArrayView(out).sliced(copied);
            out = std::move(followed);
        }
    }

private:
    NumberedRows<RtfForm> m_rows;
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
    const QList<Line> lines = linesOf(rtf);
    const qsizetype finalEnd = finalLineEnd(lines);
    const bool renumber = options & rwRenumber;
    const bool removeNumbers = !renumber && (options & rwNumbering);

    // Removing block numbers keeps those that references name: they are all read first.
    const bool references =
        (renumber || removeNumbers) && anyReference(lines, finalEnd, symbol.front());
    std::optional<NamedRows<RtfForm>> named;
    if (removeNumbers && references) {
        named.emplace(symbol.front(), sym, options & rwBadSymbols);
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (carriesText(lines[i]))
                named->row(i == finalEnd ? QByteArrayView() : lines[i].content);
    }
    std::optional<ReferenceFollower> follower;
    if (renumber && references)
        follower.emplace(symbol.front());
    RowRewriter<RtfForm> rewriter(options, sym, start, step, numberEmpty,
                                  named ? &named->resolved() : nullptr);

    // A dropped row takes its paragraph mark along; its formatting words stay in force for
    // the text after it. They go in front of the next line written. When the first row
    // goes, whose mark is the \par of the next line, that mark goes instead and the
    // opening words of the first row stand in its place (but for the mark of a final line
    // end, which stays).
    QByteArray carried;
    QByteArray out;
    out.reserve(rtf.size() + rtf.size() / 8 + 64);
    QByteArray content;
    std::optional<qint64> old;
    std::optional<qint64> now;
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
        const RowOutcome outcome = rewriter.rewrite(row, line.content, !line.prefix.endsWith(' '),
                                                    i == finalEnd, content, old, now);
        if (outcome == RowOutcome::AsItStands) {
            out += line.prefix;
            if (follower) {
                const std::optional<qint64> number =
                    headOf<RtfForm>(line.content, sym, smallLetter(symbol.front()), false).number;
                follower->row(line.content, out.size(), number, number);
            }
            out += line.content;
            out += "\r\n";
            continue;
        }
        const bool mark = opensWithParagraphMark(line.prefix);
        if (outcome == RowOutcome::Dropped) { // 7
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
    if (report) {
        report->numbered = rewriter.numbered();
        report->kept += rewriter.kept();
    }
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
