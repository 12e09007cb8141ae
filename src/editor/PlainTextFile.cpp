// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlainTextFile.h"

#include "common/CodePage.h"

#include <cstring>

namespace kordavel {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// The lines of n units of the source (bytes or characters), each unit its character by
// charOf; CR LF, LF and a lone CR end lines.
template <typename Unit, typename CharOf>
void splitLines(const Unit *units, qsizetype n, CharOf charOf, PlainTextContent &out)
{
    bool lineEndSeen = false;
    // Written straight into place: a CR LF pair makes one character, so the text is at
    // most as long as the source.
    out.text.resize(n);
    QChar *text = out.text.data();
    auto endLine = [&](LineEnd end) {
        if (!lineEndSeen) {
            out.lineEnd = end;
            lineEndSeen = true;
        }
        out.lineEnds << end;
        *text++ = QLatin1Char('\n');
    };
    for (qsizetype i = 0; i < n; ++i) {
        const auto unit = units[i];
        if (unit == Unit('\r')) {
            const bool crlf = i + 1 < n && units[i + 1] == Unit('\n');
            if (crlf)
                ++i;
            endLine(crlf ? LineEnd::CrLf : LineEnd::Cr);
        } else if (unit == Unit('\n')) {
            endLine(LineEnd::Lf);
        } else {
            *text++ = charOf(unit);
        }
    }
    out.text.truncate(text - out.text.constData());
}

} // namespace

TextEncoding plainTextEncoding(QByteArrayView bytes)
{
    // Most programs are ASCII: eight bytes at a time, until one above 127.
    const char *data = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    for (quint64 word = 0; i + 8 <= n; i += 8) {
        std::memcpy(&word, data + i, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (i < n && static_cast<unsigned char>(data[i]) < 0x80)
        ++i;
    return i < n && bytes.isValidUtf8() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

PlainTextContent decodePlainText(QByteArrayView bytes)
{
    PlainTextContent out;
    out.encoding = plainTextEncoding(bytes);
    if (out.encoding == TextEncoding::Windows1252) {
        splitLines(
            reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(),
            [](unsigned char byte) { return byte < 0x80 ? QChar(byte) : decodeByte(byte); }, out);
        return out;
    }
    // The decoder drops a byte order mark; the file keeps it.
    const bool mark = bytes.startsWith(kByteOrderMark);
    QString chars = QString::fromUtf8(mark ? bytes.sliced(3) : bytes);
    if (mark)
        chars.prepend(QChar(QChar::ByteOrderMark));
    splitLines(
        chars.utf16(), chars.size(), [](char16_t c) { return QChar(c); }, out);
    return out;
}

QByteArray encodePlainText(QStringView text, LineEnd lineEnd, const QList<LineEnd> &lineEnds,
                           TextEncoding encoding)
{
    const auto encode = [encoding](QStringView line) {
        return encoding == TextEncoding::Utf8 ? line.toUtf8() : encodeText(line);
    };
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    qsizetype line = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype newline = text.indexOf(QLatin1Char('\n'), from);
        out += encode(text.mid(from, newline < 0 ? text.size() - from : newline - from));
        if (newline < 0)
            return out;
        const LineEnd end = line < lineEnds.size() ? lineEnds[line] : lineEnd;
        ++line;
        if (end != LineEnd::Lf)
            out += '\r';
        if (end != LineEnd::Cr)
            out += '\n';
        from = newline + 1;
    }
}

} // namespace kordavel
