// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlainTextFile.h"

#include "common/CodePage.h"

namespace kordavel {

PlainTextContent decodePlainText(QByteArrayView bytes)
{
    PlainTextContent out;
    bool lineEndSeen = false;
    out.text.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r') {
            const bool crlf = i + 1 < n && bytes[i + 1] == '\n';
            if (!lineEndSeen) {
                out.lineEnd = crlf ? LineEnd::CrLf : LineEnd::Cr;
                lineEndSeen = true;
            }
            if (crlf)
                ++i;
            out.lineEnds << (crlf ? LineEnd::CrLf : LineEnd::Cr);
            out.text += QLatin1Char('\n');
        } else if (byte == '\n') {
            if (!lineEndSeen) {
                out.lineEnd = LineEnd::Lf;
                lineEndSeen = true;
            }
            out.lineEnds << LineEnd::Lf;
            out.text += QLatin1Char('\n');
        } else {
            out.text += decodeByte(byte);
        }
    }
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
