// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlainTextFile.h"

#include "common/CodePage.h"

namespace kordavel {

PlainTextContent decodePlainText(QByteArrayView bytes)
{
    PlainTextContent out;
    bool lineEndSeen = false;
    const qsizetype n = bytes.size();
    // Written straight into place: a CR LF pair makes one character, so the text is at
    // most as long as the bytes.
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
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r') {
            const bool crlf = i + 1 < n && bytes[i + 1] == '\n';
            if (crlf)
                ++i;
            endLine(crlf ? LineEnd::CrLf : LineEnd::Cr);
        } else if (byte == '\n') {
            endLine(LineEnd::Lf);
        } else {
            *text++ = byte < 0x80 ? QChar(byte) : decodeByte(byte);
        }
    }
    out.text.truncate(text - out.text.constData());
    return out;
}

QByteArray encodePlainText(QStringView text, LineEnd lineEnd, const QList<LineEnd> &lineEnds)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    qsizetype line = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype newline = text.indexOf(QLatin1Char('\n'), from);
        out += encodeText(text.mid(from, newline < 0 ? text.size() - from : newline - from));
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
