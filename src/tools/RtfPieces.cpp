// SPDX-License-Identifier: GPL-3.0-or-later
#include "RtfPieces.h"

#include <algorithm>

namespace kordavel {

qsizetype pieceEnd(QByteArrayView s, qsizetype i, Piece &kind)
{
    const qsizetype n = s.size();
    kind = s[i] == ' ' ? Piece::Blank : Piece::Char;
    if (s[i] != '\\' || i + 1 >= n)
        return i + 1;
    if (s[i + 1] == '\'') // cut short at the end, it goes as far as it reaches
        return std::min(i + 4, n);
    if (!isLetter(s[i + 1]))
        return i + 2;
    qsizetype j = i + 1;
    while (j < n && isLetter(s[j]))
        ++j;
    const QByteArrayView word = s.sliced(i + 1, j - i - 1);
    const bool unicode = word == "u" && j < n && (isDigit(s[j]) || s[j] == '-');
    if (j < n && s[j] == '-')
        ++j;
    while (j < n && isDigit(s[j]))
        ++j;
    if (j < n && s[j] == ' ')
        ++j;
    if (unicode) { // and the character that stands in for it
        Piece fallback;
        return j < n ? pieceEnd(s, j, fallback) : j;
    }
    kind = word == "tab" ? Piece::Tab : Piece::Format;
    return j;
}

bool RtfPieces::next()
{
    at = end;
    if (at >= text.size())
        return false;
    end = pieceEnd(text, at, kind);
    return true;
}

void RtfPieceWriter::add(QByteArrayView piece, Piece kind)
{
    if (piece.isEmpty())
        return;
    const char first = piece.front();
    if (m_open && first != '\\' && first != '{' && first != '}')
        m_out += ' ';
    m_out += piece;
    const char last = piece.back();
    m_open = kind != Piece::Char && kind != Piece::Blank && (isLetter(last) || isDigit(last));
}

bool holdsNoText(QByteArrayView text)
{
    RtfPieces p{text};
    while (p.next())
        if (p.kind != Piece::Format)
            return false;
    return true;
}

} // namespace kordavel
