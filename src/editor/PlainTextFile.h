#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kordavel {

enum class LineEnd { CrLf, Lf, Cr };

struct PlainTextContent {
    QString text; // lines separated by '\n'
    LineEnd lineEnd = LineEnd::CrLf;
};

// One byte is one character (Windows-1252); CR LF, LF and a lone CR each end a line.
// The line end of the file is the first one found in it (CR LF when there is none).
PlainTextContent decodePlainText(QByteArrayView bytes);

// The inverse: '\n' becomes the line end, characters without a Windows-1252 byte become '?'.
QByteArray encodePlainText(QStringView text, LineEnd lineEnd);

} // namespace kordavel
