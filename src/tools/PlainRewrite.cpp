// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlainRewrite.h"

#include "RowRewriter.h"

#include "common/CodePage.h"

#include <QVarLengthArray>

#include <algorithm>

namespace kordavel {

using namespace rows;

namespace {

QByteArrayView trimEnd(QByteArrayView text)
{
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    return text;
}

} // namespace

// What the first reading found of the references between blocks.
struct PlainRewrite::References {
    std::optional<NamedRows<PlainForm>> named; // Clean: which rows keep their numbers
    const BlockReferences *kept = nullptr;
    std::optional<NumberedRows<PlainForm>> numbered; // Numbering: every row's new number
    QList<qint64> followTo; // by reference: its new number, kNoNumber when it stays
    RewriteReport report;   // what became of the references
};

// One pass over the lines in order.
struct PlainRewrite::Pass {
    RowRewriter<PlainForm> rewriter;
    qint64 written = 0;      // lines kept so far
    qsizetype reference = 0; // the next reference to follow
};

PlainRewrite::PlainRewrite(quint8 options, const QString &symbol, qint32 start, qint32 step,
                           bool numberEmpty)
    : m_options(options), m_symbol(symbol), m_sym(plainSymbol(symbol)), m_start(start),
      m_step(step), m_numberEmpty(numberEmpty)
{
    if (m_sym.isEmpty() && (m_options & (rwNumbering | rwRenumber))) {
        // Without an address letter there are no block numbers to remove or to write.
        m_options &= quint8(~(rwNumbering | rwRenumber));
        m_unchanged = m_options == 0;
    }
}

PlainRewrite::~PlainRewrite() = default;

std::unique_ptr<PlainRewrite::Pass> PlainRewrite::newPass() const
{
    return std::make_unique<Pass>(Pass{
        RowRewriter<PlainForm>(m_options, m_sym, m_start, m_step, m_numberEmpty,
                               m_refs ? m_refs->kept : nullptr),
    });
}

bool PlainRewrite::prepare(const LineBuffer &buffer, bool whole)
{
    m_pass.reset();
    m_refs.reset();
    if (m_unchanged)
        return false;
    m_lines = buffer.lineCount();
    m_finalEnd = m_lines > 1 && trimEnd(buffer.lineBytes(m_lines - 1)).isEmpty() ? m_lines - 1 : -1;
    const bool renumber = m_options & rwRenumber;
    const bool removeNumbers = !renumber && (m_options & rwNumbering);
    bool references = false;
    if (renumber || removeNumbers) {
        const bool small = smallLetter(m_symbol.front());
        RowText<PlainForm> row;
        buffer.forEachLine([&](qint64 line, QByteArrayView content) {
            if (references || line == m_finalEnd || !mayRefer(content, small))
                return;
            row.read(trimEnd(content), false);
            references = !BlockReferences::referencesIn(row.text, small).isEmpty();
        });
    }
    if (references) {
        m_refs = std::make_unique<References>();
        if (removeNumbers) {
            // Removing block numbers keeps those that references name.
            NamedRows<PlainForm> &named =
                m_refs->named.emplace(m_symbol.front(), m_sym, m_options & rwBadSymbols);
            buffer.forEachLine([&](qint64 line, QByteArrayView content) {
                named.row(line == m_finalEnd ? QByteArrayView() : trimEnd(content));
            });
            m_refs->kept = &named.resolved();
        }
    }
    bool changed = false;
    QByteArray out;
    m_pass = newPass();
    if (renumber && references) {
        // Every row's new number, for the references that name it.
        m_refs->numbered.emplace(m_symbol.front());
        buffer.forEachLine([&](qint64 line, QByteArrayView in) {
            changed = !lineOut(*m_pass, line, in, out, Follow::Read) || changed || out != in;
        });
        NumberedRows<PlainForm> &numbered = *m_refs->numbered;
        numbered.resolve();
        m_refs->followTo.reserve(numbered.refs().references().size());
        followReferences(numbered.refs(), numbered.numbers(), &m_refs->report,
                         [&](const BlockReferences::Reference &, std::optional<qint64> now) {
                             m_refs->followTo.append(now ? *now : kNoNumber);
                             changed = changed || now;
                         });
    } else {
        buffer.forEachLine([&](qint64 line, QByteArrayView in) {
            if (!changed || whole)
                changed = !lineOut(*m_pass, line, in, out, Follow::No) || changed || out != in;
        });
    }
    return changed;
}

bool PlainRewrite::lineOut(Pass &pass, qint64 line, QByteArrayView in, QByteArray &out,
                           Follow follow)
{
    const QByteArrayView content = trimEnd(in);
    std::optional<qint64> old;
    std::optional<qint64> now;
    const RowOutcome outcome =
        pass.rewriter.rewrite(line, content, false, line == m_finalEnd, out, old, now);
    if (outcome == RowOutcome::AsItStands) {
        out = content.toByteArray();
        if (follow == Follow::Read) {
            const std::optional<qint64> number =
                headOf<PlainForm>(content, m_sym, smallLetter(m_symbol.front()), false).number;
            m_refs->numbered->row(content, number, number);
        }
    } else if (outcome == RowOutcome::Dropped) {
        if (follow == Follow::Read)
            m_refs->numbered->row({}, std::nullopt, std::nullopt);
        // The last row before a final line end stays when all the others went.
        if (line + 1 != m_finalEnd || pass.written > 0)
            return false;
        out.clear();
    } else if (follow == Follow::Read) {
        m_refs->numbered->row(out, old, now);
    }
    ++pass.written;
    if (follow != Follow::Write)
        return true;

    // The references of the row that name a renumbered block get its new number.
    struct Edit {
        qsizetype at;
        qsizetype size;
        qint64 number;
    };
    QVarLengthArray<Edit, 4> edits;
    const QList<BlockReferences::Reference> &refs = m_refs->numbered->refs().references();
    for (; pass.reference < refs.size() && refs[pass.reference].row == line; ++pass.reference) {
        const BlockReferences::Reference &r = refs[pass.reference];
        if (m_refs->followTo[pass.reference] != kNoNumber)
            edits.append({r.at, r.size, m_refs->followTo[pass.reference]});
    }
    if (edits.isEmpty())
        return true;
    std::sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) { return a.at < b.at; });
    QByteArray followed;
    qsizetype copied = 0;
    for (const Edit &e : edits) {
        followed += QByteArrayView(out).sliced(copied, e.at - copied);
        followed += QByteArray::number(e.number);
        copied = e.at + e.size;
    }
    followed += QByteArrayView(out).sliced(copied);
    out = std::move(followed);
    return true;
}

LineBuffer::LineRewrite PlainRewrite::lineRewrite()
{
    return [this](qint64 line, QByteArrayView in, QByteArray &out) {
        return rewriteLine(line, in, out);
    };
}

bool PlainRewrite::rewriteLine(qint64 line, QByteArrayView in, QByteArray &out)
{
    if (m_unchanged) {
        out = in.toByteArray();
        return true;
    }
    if (line == 0 || !m_pass)
        m_pass = newPass();
    return lineOut(*m_pass, line, in, out, m_refs && m_refs->numbered ? Follow::Write : Follow::No);
}

RewriteReport PlainRewrite::report() const
{
    RewriteReport report = m_refs ? m_refs->report : RewriteReport();
    if (m_pass) {
        report.numbered = m_pass->rewriter.numbered();
        report.kept = m_pass->rewriter.kept();
    }
    return report;
}

bool rewriteBuffer(LineBuffer &buffer, quint8 options, const QString &symbol, qint32 start,
                   qint32 step, bool numberEmpty, RewriteReport *report)
{
    PlainRewrite rewrite(options, symbol, start, step, numberEmpty);
    const bool changed = rewrite.prepare(buffer) && buffer.rewriteLines(rewrite.lineRewrite());
    if (report)
        *report = rewrite.report();
    return changed;
}

RewriteReport rewriteBufferReport(const LineBuffer &buffer, quint8 options, const QString &symbol,
                                  qint32 start, qint32 step, bool numberEmpty)
{
    PlainRewrite rewrite(options, symbol, start, step, numberEmpty);
    rewrite.prepare(buffer, true);
    return rewrite.report();
}

QByteArray plainSymbol(const QString &symbol)
{
    if (symbol.isEmpty())
        return {};
    const QChar ch = symbol.front();
    const int byte = ch.unicode() < 0x80 ? int(ch.unicode()) : encodeChar(ch);
    return QByteArray(1, byte < 0 ? '?' : char(byte));
}

} // namespace kordavel
