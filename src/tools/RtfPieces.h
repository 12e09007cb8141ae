// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace kordavel {

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

inline bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The pieces of a line of program text as the rich text holds it, for the line rewriter.
enum class Piece {
    Char,   // one character, escaped ones (\'e9, \u916?, \\) included
    Blank,  // a blank
    Tab,    // \tab
    Format, // a control word that carries no text (\b0, \f1, \cf2)
};

// The end of the piece that starts at i, and its kind.
qsizetype pieceEnd(QByteArrayView s, qsizetype i, Piece &kind);

// Walks the pieces of a text.
struct RtfPieces {
    QByteArrayView text;
    qsizetype at = 0;
    qsizetype end = 0;
    Piece kind = Piece::Char;

    bool next();
    QByteArrayView piece() const { return text.sliced(at, end - at); }
    QByteArrayView rest() const { return text.sliced(at); }
};

// Builds program text piece by piece; a control word that ends without its delimiting
// blank gets one before a piece that would otherwise run into it.
class RtfPieceWriter {
public:
    // afterWord: what comes before ends in a control word.
    explicit RtfPieceWriter(bool afterWord) : m_open(afterWord) {}
    void add(QByteArrayView piece, Piece kind);
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
    bool m_open;
};

inline bool isSpace(Piece kind)
{
    return kind == Piece::Blank || kind == Piece::Tab;
}

// True when the text holds nothing but format words.
bool holdsNoText(QByteArrayView text);

} // namespace kordavel
