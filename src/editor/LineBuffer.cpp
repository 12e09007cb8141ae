// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineBuffer.h"

#include "common/CodePage.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace kordavel {

namespace {

const std::array<unsigned char, 256> &sameBytes()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> out{};
        for (int b = 0; b < 256; ++b)
            out[size_t(b)] = static_cast<unsigned char>(b);
        return out;
    }();
    return table;
}

bool isWordByte(int b)
{
    if (b < 0)
        return false;
    return b == '_' || decodeByte(static_cast<unsigned char>(b)).isLetterOrNumber();
}

// The length of the line end that closes these bytes.
int endLength(QByteArrayView line)
{
    if (line.isEmpty())
        return 0;
    if (line.back() == '\n')
        return line.size() > 1 && line[line.size() - 2] == '\r' ? 2 : 1;
    return line.back() == '\r' ? 1 : 0;
}

} // namespace

LineBuffer::LineBuffer()
{
    setBytes({});
}

void LineBuffer::indexBytes(Store &store, qsizetype from)
{
    const char *data = store.bytes.constData();
    const char *first = data + from;
    const char *p = first;
    const char *end = data + store.bytes.size();
    while (p < end) {
        const auto *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *stop = lf ? lf : end;
        // Lone CRs before it; the CR right before an LF belongs to it.
        for (const char *q = p; q < stop;) {
            const auto *cr = static_cast<const char *>(std::memchr(q, '\r', size_t(stop - q)));
            if (!cr || cr + 1 == lf)
                break;
            addStart(store, quint32(cr + 1 - data), true);
            q = cr + 1;
        }
        if (!lf)
            break;
        // A CR indexed before (the end of an earlier append) was a line end of its own.
        addStart(store, quint32(lf + 1 - data), !(lf > first && lf[-1] == '\r'));
        p = lf + 1;
    }
}

void LineBuffer::addStart(Store &store, quint32 after, bool oneByte)
{
    store.starts.push_back(after);
    store.oneCount += oneByte;
    const size_t n = store.starts.size();
    if (store.oneCount == 0 || store.oneCount == n)
        return;
    if (!store.ones.empty()) {
        store.ones.push_back(store.ones.back() + oneByte);
        return;
    }
    // The first mix of both lengths: the counts from the start, by the same rule.
    store.ones.reserve(n + 1);
    store.ones.push_back(0);
    const char *data = store.bytes.constData();
    for (size_t k = 0; k < n; ++k) {
        const quint32 s = store.starts[k];
        const bool two = s >= 2 && data[s - 1] == '\n' && data[s - 2] == '\r' &&
                         !(k > 0 && store.starts[k - 1] == s - 1);
        store.ones.push_back(store.ones.back() + !two);
    }
}

quint32 LineBuffer::onesIn(const Store &store, quint32 first, quint32 last)
{
    if (store.oneCount == 0)
        return 0;
    if (store.oneCount == store.starts.size())
        return last - first;
    return store.ones[last] - store.ones[first];
}

qsizetype LineBuffer::pieceOfLineEnd(qint64 line) const
{
    return std::upper_bound(m_totalLines.begin(), m_totalLines.end(), line) - m_totalLines.begin() -
           1;
}

qint64 LineBuffer::onesBefore(qint64 line) const
{
    line = std::clamp<qint64>(line, 0, lineCount() - 1);
    if (line == 0)
        return 0;
    const qsizetype p = pieceOfLineEnd(line - 1);
    const Piece &piece = m_pieces[size_t(p)];
    const auto taken = quint32(line - m_totalLines[size_t(p)]);
    return m_totalOnes[size_t(p)] +
           onesIn(m_stores[piece.store], piece.firstBreak, piece.firstBreak + taken);
}

qint64 LineBuffer::positionOf(qint64 offset) const
{
    offset = clampOffset(offset);
    return offset + onesBefore(lineAt(offset));
}

qint64 LineBuffer::offsetOfPosition(qint64 position) const
{
    if (position <= 0 || m_pieces.empty())
        return 0;
    if (position >= positionCount())
        return size();
    // The last piece that starts at or before the position.
    qsizetype lo = 0;
    qsizetype hi = qsizetype(m_pieces.size()) - 1;
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (m_totalBytes[size_t(mid)] + m_totalOnes[size_t(mid)] <= position)
            lo = mid;
        else
            hi = mid - 1;
    }
    const Piece &piece = m_pieces[size_t(lo)];
    const Store &store = m_stores[piece.store];
    const qint64 inPiece = position - m_totalBytes[size_t(lo)] - m_totalOnes[size_t(lo)];
    // The breaks of the piece whose next line starts at or before the position.
    quint32 a = 0;
    quint32 b = piece.breaks;
    while (a < b) {
        const quint32 mid = (a + b) / 2;
        const qint64 after = qint64(store.starts[piece.firstBreak + mid] - piece.start) +
                             onesIn(store, piece.firstBreak, piece.firstBreak + mid + 1);
        if (after <= inPiece)
            a = mid + 1;
        else
            b = mid;
    }
    qint64 offset = inPiece - onesIn(store, piece.firstBreak, piece.firstBreak + a);
    // On the second character of a one-byte end: before that end.
    if (a < piece.breaks && offset >= qint64(store.starts[piece.firstBreak + a] - piece.start))
        offset = qint64(store.starts[piece.firstBreak + a] - piece.start) - 1;
    return clampOffset(m_totalBytes[size_t(lo)] + offset);
}

bool LineBuffer::setBytes(QByteArray bytes)
{
    if (bytes.size() > kMaxBytes)
        return false;
    for (Store &store : m_stores) {
        store.bytes.clear();
        store.starts.clear();
        store.starts.shrink_to_fit();
        store.oneCount = 0;
        store.ones.clear();
        store.ones.shrink_to_fit();
    }
    m_stores[0].bytes = std::move(bytes);
    indexBytes(m_stores[0], 0);
    m_pieces.clear();
    if (!m_stores[0].bytes.isEmpty())
        m_pieces.push_back(makePiece(0, 0, quint32(m_stores[0].bytes.size())));
    m_totalBytes.assign(1, 0);
    m_totalLines.assign(1, 0);
    m_totalOnes.assign(1, 0);
    recount(0);
    m_lineEnd = LineEnd::CrLf;
    if (!m_stores[0].starts.empty()) {
        const qsizetype after = m_stores[0].starts.front();
        const QByteArrayView head(m_stores[0].bytes.constData(), after);
        m_lineEnd = head.back() == '\r'    ? LineEnd::Cr
                    : endLength(head) == 2 ? LineEnd::CrLf
                                           : LineEnd::Lf;
    }
    m_steps.clear();
    m_done = 0;
    m_savedAt = 0;
    m_typingEnd = -1;
    return true;
}

FileCheck LineBuffer::load(const QString &path)
{
    RegularFile file;
    FileCheck check = file.open(path, kMaxBytes);
    if (!check.ok())
        return check;
    QByteArray bytes;
    try {
        bytes = QByteArray(qsizetype(file.size()), Qt::Uninitialized);
    } catch (const std::bad_alloc &) {
        check.problem = FileProblem::OutOfMemory;
        return check;
    }
    qint64 got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            check.problem = FileProblem::Unreadable;
            check.error = errno;
            return check;
        }
        if (n == 0)
            break; // it shrank meanwhile: what there is
        got += n;
    }
    bytes.truncate(qsizetype(got));
    check.size = got;
    setBytes(std::move(bytes));
    return check;
}

LineBuffer LineBuffer::textOnly() const
{
    LineBuffer copy;
    copy.m_stores[0] = m_stores[0];
    copy.m_stores[1] = m_stores[1];
    copy.m_pieces = m_pieces;
    copy.m_totalBytes = m_totalBytes;
    copy.m_totalLines = m_totalLines;
    copy.m_totalOnes = m_totalOnes;
    copy.m_lineEnd = m_lineEnd;
    return copy;
}

// After a rewrite a program is a piece a line: the pieces go out gathered in chunks, so
// that the device sees a few large writes instead of millions of small ones.
bool LineBuffer::save(QIODevice &device) const
{
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    QByteArray chunk;
    chunk.reserve(kChunk);
    const auto flush = [&] {
        const bool ok = device.write(chunk) == chunk.size();
        chunk.resize(0);
        return ok;
    };
    for (const Piece &piece : m_pieces) {
        const char *at = m_stores[piece.store].bytes.constData() + piece.start;
        if (piece.length >= kChunk) {
            if (!flush() || device.write(at, piece.length) != qint64(piece.length))
                return false;
            continue;
        }
        if (chunk.size() + qsizetype(piece.length) > kChunk && !flush())
            return false;
        chunk.append(at, qsizetype(piece.length));
    }
    return flush();
}

QByteArray LineBuffer::toBytes() const
{
    return bytes(0, size());
}

LineBuffer::Piece LineBuffer::makePiece(quint8 store, quint32 start, quint32 length) const
{
    const std::vector<quint32> &starts = m_stores[store].starts;
    const auto first = std::upper_bound(starts.begin(), starts.end(), start);
    const auto last = std::upper_bound(first, starts.end(), quint32(start + length));
    const auto firstBreak = quint32(first - starts.begin());
    const auto breaks = quint32(last - first);
    return {store,      start,  length,
            firstBreak, breaks, onesIn(m_stores[store], firstBreak, firstBreak + breaks)};
}

void LineBuffer::recount(qsizetype from)
{
    const size_t n = m_pieces.size();
    m_totalBytes.resize(n + 1);
    m_totalLines.resize(n + 1);
    m_totalOnes.resize(n + 1);
    for (size_t i = size_t(from); i < n; ++i) {
        m_totalBytes[i + 1] = m_totalBytes[i] + m_pieces[i].length;
        m_totalLines[i + 1] = m_totalLines[i] + m_pieces[i].breaks;
        m_totalOnes[i + 1] = m_totalOnes[i] + m_pieces[i].ones;
    }
}

qsizetype LineBuffer::pieceAt(qint64 offset) const
{
    return std::upper_bound(m_totalBytes.begin(), m_totalBytes.end(), offset) -
           m_totalBytes.begin() - 1;
}

qint64 LineBuffer::lineStart(qint64 line) const
{
    line = std::clamp<qint64>(line, 0, lineCount() - 1);
    if (line == 0)
        return 0;
    const qsizetype p = pieceOfLineEnd(line - 1);
    const Piece &piece = m_pieces[size_t(p)];
    const quint32 at = m_stores[piece.store]
                           .starts[size_t(piece.firstBreak + (line - m_totalLines[size_t(p)]) - 1)];
    return m_totalBytes[size_t(p)] + (at - piece.start);
}

qint64 LineBuffer::lineAt(qint64 offset) const
{
    if (m_pieces.empty())
        return 0;
    offset = std::clamp<qint64>(offset, 0, size());
    const qsizetype p = std::min<qsizetype>(pieceAt(offset), qsizetype(m_pieces.size()) - 1);
    const Piece &piece = m_pieces[size_t(p)];
    const quint32 *first = m_stores[piece.store].starts.data() + piece.firstBreak;
    const auto at = quint32(piece.start + (offset - m_totalBytes[size_t(p)]));
    return m_totalLines[size_t(p)] + (std::upper_bound(first, first + piece.breaks, at) - first);
}

int LineBuffer::lineEndLength(qint64 line) const
{
    if (line < 0 || line >= lineCount() - 1)
        return 0;
    const qint64 start = lineStart(line);
    const qint64 next = lineStart(line + 1);
    return endLength(bytes(std::max(start, next - 2), std::min<qint64>(2, next - start)));
}

qint64 LineBuffer::lineLength(qint64 line) const
{
    if (line < 0 || line >= lineCount())
        return 0;
    const qint64 next = line + 1 < lineCount() ? lineStart(line + 1) : size();
    return next - lineStart(line) - lineEndLength(line);
}

QByteArray LineBuffer::lineBytes(qint64 line) const
{
    return bytes(lineStart(line), lineLength(line));
}

QString LineBuffer::line(qint64 line) const
{
    return decodeBytes(lineBytes(line));
}

QByteArray LineBuffer::bytes(qint64 from, qint64 length) const
{
    from = std::clamp<qint64>(from, 0, size());
    length = std::clamp<qint64>(length, 0, size() - from);
    QByteArray out;
    out.reserve(qsizetype(length));
    for (qsizetype p = pieceAt(from); length > 0 && p < qsizetype(m_pieces.size()); ++p) {
        const Piece &piece = m_pieces[size_t(p)];
        const qint64 skip = from - m_totalBytes[size_t(p)];
        const qint64 take = std::min<qint64>(length, piece.length - skip);
        out.append(m_stores[piece.store].bytes.constData() + piece.start + skip, qsizetype(take));
        from += take;
        length -= take;
    }
    return out;
}

QString LineBuffer::text(qint64 from, qint64 length) const
{
    // Windows-1252, one byte one character; each line end as '\n'.
    QString text = decodeBytes(bytes(from, length));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

qint64 LineBuffer::offsetOf(qint64 line, qint64 column) const
{
    line = std::clamp<qint64>(line, 0, lineCount() - 1);
    return lineStart(line) + std::clamp<qint64>(column, 0, lineLength(line));
}

qint64 LineBuffer::clampOffset(qint64 offset) const
{
    offset = std::clamp<qint64>(offset, 0, size());
    const qint64 line = lineAt(offset);
    const qint64 contentEnd = lineStart(line) + lineLength(line);
    return offset > contentEnd && offset < contentEnd + lineEndLength(line) ? contentEnd : offset;
}

bool LineBuffer::append(QByteArrayView bytes)
{
    Store &added = m_stores[1];
    if (added.bytes.size() + bytes.size() > kMaxBytes)
        return false;
    const qsizetype from = added.bytes.size();
    added.bytes.append(bytes);
    indexBytes(added, from);
    return true;
}

QByteArray LineBuffer::encode(QStringView text, LineEnd lineEnd)
{
    QString lines = text.toString();
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return encodePlainText(lines, lineEnd);
}

bool LineBuffer::insert(qint64 offset, QByteArrayView bytes, bool typing)
{
    return replaceRange(offset, offset, bytes, typing);
}

bool LineBuffer::remove(qint64 offset, qint64 length)
{
    return replaceRange(offset, offset + std::max<qint64>(length, 0), {}, false);
}

bool LineBuffer::replace(qint64 offset, qint64 length, QByteArrayView bytes)
{
    return replaceRange(offset, offset + std::max<qint64>(length, 0), bytes, false);
}

bool LineBuffer::replaceRange(qint64 from, qint64 to, QByteArrayView bytes, bool typing)
{
    from = clampOffset(from);
    to = std::max(from, clampOffset(to));
    if (from == to && bytes.isEmpty())
        return false;
    const qint64 at = m_stores[1].bytes.size();
    if (!append(bytes))
        return false;
    edit(from, to - from, at, bytes.size(), typing);
    return true;
}

void LineBuffer::edit(qint64 offset, qint64 length, qint64 addedFrom, qint64 addedLength,
                      bool typing)
{
    const auto count = qsizetype(m_pieces.size());
    const qint64 end = offset + length;
    qsizetype from = pieceAt(offset);
    const qsizetype last = pieceAt(end);
    std::vector<Piece> with;
    if (from < count && offset > m_totalBytes[size_t(from)]) {
        const Piece &piece = m_pieces[size_t(from)];
        with.push_back(
            makePiece(piece.store, piece.start, quint32(offset - m_totalBytes[size_t(from)])));
    }
    if (addedLength > 0)
        with.push_back(makePiece(1, quint32(addedFrom), quint32(addedLength)));
    qsizetype to = last;
    if (last < count && end > m_totalBytes[size_t(last)]) {
        const Piece &piece = m_pieces[size_t(last)];
        const auto skip = quint32(end - m_totalBytes[size_t(last)]);
        with.push_back(makePiece(piece.store, piece.start + skip, piece.length - skip));
        to = last + 1;
    }
    // Pieces that meet in their store become one, so typing does not add a piece a key.
    const auto meets = [](const Piece &a, const Piece &b) {
        return a.store == b.store && a.start + a.length == b.start;
    };
    const auto join = [&](const Piece &a, const Piece &b) {
        return makePiece(a.store, a.start, a.length + b.length);
    };
    if (with.empty() && from > 0 && to < count &&
        meets(m_pieces[size_t(from - 1)], m_pieces[size_t(to)])) {
        with.push_back(join(m_pieces[size_t(from - 1)], m_pieces[size_t(to)]));
        --from;
        ++to;
    }
    if (!with.empty() && from > 0 && meets(m_pieces[size_t(from - 1)], with.front())) {
        with.front() = join(m_pieces[size_t(from - 1)], with.front());
        --from;
    }
    if (!with.empty() && to < count && meets(with.back(), m_pieces[size_t(to)])) {
        with.back() = join(with.back(), m_pieces[size_t(to)]);
        ++to;
    }
    Record record{from, {m_pieces.begin() + from, m_pieces.begin() + to}, with};
    apply(from, to - from, with);

    const qint64 caret = offset + addedLength;
    if (typing && length == 0 && m_typingEnd == offset && m_done == qsizetype(m_steps.size()) &&
        m_done > 0 && m_done != m_savedAt) {
        m_steps.back().records.push_back(std::move(record));
        m_steps.back().caretAfter = caret;
    } else {
        Step step{{}, offset + length, caret};
        step.records.push_back(std::move(record));
        pushStep(std::move(step));
    }
    m_typingEnd = typing ? caret : -1;
}

void LineBuffer::pushStep(Step step)
{
    if (m_savedAt > m_done)
        m_savedAt = -1; // the saved state can no longer be reached
    m_steps.resize(size_t(m_done));
    m_steps.push_back(std::move(step));
    m_done = qsizetype(m_steps.size());
}

void LineBuffer::apply(qsizetype at, qsizetype count, const std::vector<Piece> &with)
{
    const auto first = m_pieces.begin() + at;
    m_pieces.erase(first, first + count);
    m_pieces.insert(m_pieces.begin() + at, with.begin(), with.end());
    recount(at);
}

qint64 LineBuffer::undo()
{
    m_typingEnd = -1;
    if (!canUndo())
        return -1;
    const Step &step = m_steps[size_t(--m_done)];
    for (auto r = step.records.rbegin(); r != step.records.rend(); ++r)
        apply(r->at, qsizetype(r->after.size()), r->before);
    return step.caretBefore;
}

qint64 LineBuffer::redo()
{
    m_typingEnd = -1;
    if (!canRedo())
        return -1;
    const Step &step = m_steps[size_t(m_done++)];
    for (const Record &r : step.records)
        apply(r.at, qsizetype(r.before.size()), r.after);
    return step.caretAfter;
}

int LineBuffer::byteAt(qint64 offset) const
{
    if (offset < 0 || offset >= size())
        return -1;
    const qsizetype p = pieceAt(offset);
    const Piece &piece = m_pieces[size_t(p)];
    return static_cast<unsigned char>(
        m_stores[piece.store].bytes[qsizetype(piece.start + (offset - m_totalBytes[size_t(p)]))]);
}

bool LineBuffer::matchAt(qint64 offset, QByteArrayView needle, const unsigned char *fold) const
{
    for (qsizetype i = 0; i < needle.size(); ++i) {
        const int b = byteAt(offset + i);
        if (b < 0 || fold[b] != fold[static_cast<unsigned char>(needle[i])])
            return false;
    }
    return true;
}

qint64 LineBuffer::find(QByteArrayView needle, qint64 from, int flags) const
{
    const qsizetype n = needle.size();
    if (n == 0 || n > size() || needle.contains('\r') || needle.contains('\n'))
        return -1;
    const unsigned char *fold = (flags & MatchCase ? sameBytes() : upperBytes()).data();
    std::vector<unsigned char> want(static_cast<size_t>(n));
    for (qsizetype i = 0; i < n; ++i)
        want[size_t(i)] = fold[static_cast<unsigned char>(needle[i])];
    std::vector<unsigned char> firstForms;
    for (int b = 0; b < 256; ++b) {
        if (fold[b] == want.front())
            firstForms.push_back(static_cast<unsigned char>(b));
    }
    constexpr quint64 kOnes = 0x0101010101010101ULL;
    const quint64 formA = kOnes * firstForms.front();
    const quint64 formB = kOnes * firstForms.back();
    const bool skip = firstForms.size() <= 2;
    const auto hasZeroByte = [](quint64 v) { return ((v - kOnes) & ~v & (kOnes << 7)) != 0; };
    const auto accept = [&](qint64 at) {
        return !(flags & WholeWord) || (!isWordByte(byteAt(at - 1)) && !isWordByte(byteAt(at + n)));
    };

    from = std::clamp<qint64>(from, 0, size());
    for (qsizetype p = pieceAt(from); p < qsizetype(m_pieces.size()); ++p) {
        const Piece &piece = m_pieces[size_t(p)];
        const auto *text =
            reinterpret_cast<const unsigned char *>(m_stores[piece.store].bytes.constData()) +
            piece.start;
        const qint64 base = m_totalBytes[size_t(p)];
        qint64 pos = std::max<qint64>(0, from - base);
        // Matches that lie within the piece, found by their first byte: eight bytes at a
        // time are passed over when none of them is one of its (at most two) forms.
        const qint64 last = qint64(piece.length) - n;
        while (pos <= last) {
            if (skip && pos + 8 <= last + 1) {
                quint64 word;
                std::memcpy(&word, text + pos, 8);
                if (!hasZeroByte(word ^ formA) && !hasZeroByte(word ^ formB)) {
                    pos += 8;
                    continue;
                }
            }
            if (fold[text[pos]] == want.front() &&
                std::equal(text + pos + 1, text + pos + n, want.begin() + 1,
                           [&](unsigned char t, unsigned char w) { return fold[t] == w; }) &&
                accept(base + pos))
                return base + pos;
            ++pos;
        }
        // Then those that run on into the next pieces.
        for (qint64 at = std::max<qint64>(std::max<qint64>(0, from - base), piece.length - n + 1);
             at < piece.length; ++at) {
            if (matchAt(base + at, needle, fold) && accept(base + at))
                return base + at;
        }
    }
    return -1;
}

void LineBuffer::walkLines(
    const std::function<bool(qint64 line, QByteArrayView content, QByteArrayView end)> &visit) const
{
    QByteArray carry;
    qint64 line = 0;
    const auto give = [&](QByteArrayView whole) {
        const int endBytes = endLength(whole);
        return visit(line++, whole.first(whole.size() - endBytes), whole.last(endBytes));
    };
    for (const Piece &piece : m_pieces) {
        const std::vector<quint32> &starts = m_stores[piece.store].starts;
        quint32 pos = piece.start;
        for (quint32 k = 0; k < piece.breaks; ++k) {
            const quint32 next = starts[piece.firstBreak + k];
            // Looked up again for every line: visit may add to the store.
            const char *data = m_stores[piece.store].bytes.constData();
            bool more;
            if (carry.isEmpty()) {
                more = give(QByteArrayView(data + pos, next - pos));
            } else {
                carry.append(data + pos, qsizetype(next - pos));
                more = give(carry);
                carry.clear();
            }
            if (!more)
                return;
            pos = next;
        }
        carry.append(m_stores[piece.store].bytes.constData() + pos,
                     qsizetype(piece.start + piece.length - pos));
    }
    give(carry);
}

void LineBuffer::forEachLine(
    const std::function<void(qint64 line, QByteArrayView content)> &visit) const
{
    walkLines([&](qint64 line, QByteArrayView content, QByteArrayView) {
        visit(line, content);
        return true;
    });
}

bool LineBuffer::rewriteLines(const LineRewrite &rewrite)
{
    Store &added = m_stores[1];
    const qsizetype from = added.bytes.size();
    added.bytes.reserve(std::min<qsizetype>(kMaxBytes, from + size() + size() / 8));
    QByteArray out;
    bool fits = true;
    walkLines([&](qint64 line, QByteArrayView content, QByteArrayView end) {
        out.clear();
        if (!rewrite(line, content, out))
            return true;
        if (added.bytes.size() + out.size() + end.size() > kMaxBytes) {
            fits = false;
            return false;
        }
        out.append(end); // before the store moves: end lies in it
        added.bytes.append(out);
        return true;
    });
    if (!fits) {
        added.bytes.truncate(from);
        return false;
    }
    indexBytes(added, from);
    std::vector<Piece> with;
    if (added.bytes.size() > from)
        with.push_back(makePiece(1, quint32(from), quint32(added.bytes.size() - from)));
    Record record{0, m_pieces, with};
    apply(0, qsizetype(m_pieces.size()), with);
    Step step{{}, 0, 0};
    step.records.push_back(std::move(record));
    pushStep(std::move(step));
    m_typingEnd = -1;
    return true;
}

} // namespace kordavel
