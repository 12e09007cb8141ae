// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace kordavel {

enum class LineEnd { CrLf, Lf, Cr };

// How the characters of a plain file are stored: one byte each (Windows-1252), or UTF-8.
enum class TextEncoding { Windows1252, Utf8 };

struct PlainTextContent {
    QString text; // lines separated by '\n'
    LineEnd lineEnd = LineEnd::CrLf;
    QList<LineEnd> lineEnds; // each line's own, in order
    TextEncoding encoding = TextEncoding::Windows1252;
};

// UTF-8 for bytes that are valid UTF-8 and hold characters beyond ASCII (a byte order mark
// among them); Windows-1252 for every other file, pure ASCII included.
TextEncoding plainTextEncoding(QByteArrayView bytes);

// The characters of the bytes in their encoding (plainTextEncoding): in Windows-1252 one
// byte is one character; a UTF-8 file keeps its byte order mark as its first character.
// CR LF, LF and a lone CR each end a line. The line end of the file is the first one found
// in it (CR LF when there is none).
PlainTextContent decodePlainText(QByteArrayView bytes);

// The inverse: the n-th '\n' becomes lineEnds[n], or lineEnd beyond the list; in
// Windows-1252 characters without a byte become '?'.
QByteArray encodePlainText(QStringView text, LineEnd lineEnd, const QList<LineEnd> &lineEnds = {},
                           TextEncoding encoding = TextEncoding::Windows1252);

} // namespace kordavel
