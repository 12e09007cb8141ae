// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace kordavel {

enum class LineEnd { CrLf, Lf, Cr };

struct PlainTextContent {
    QString text; // lines separated by '\n'
    LineEnd lineEnd = LineEnd::CrLf;
    QList<LineEnd> lineEnds; // each line's own, in order
};

// One byte is one character (Windows-1252); CR LF, LF and a lone CR each end a line.
// The line end of the file is the first one found in it (CR LF when there is none).
PlainTextContent decodePlainText(QByteArrayView bytes);

// The inverse: the n-th '\n' becomes lineEnds[n], or lineEnd beyond the list; characters
// without a Windows-1252 byte become '?'.
QByteArray encodePlainText(QStringView text, LineEnd lineEnd, const QList<LineEnd> &lineEnds = {});

} // namespace kordavel
