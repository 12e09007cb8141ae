// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RichText.h"

#include <QTextBlock>
#include <QTextCharFormat>

#include <functional>

class QTextCursor;
class QTextDocument;

namespace kordavel {

// Conversions between a QTextDocument's formatted text and RichText.
QTextCharFormat toTextCharFormat(const CharFormat &format);
CharFormat fromTextCharFormat(const QTextCharFormat &format, const QFont &documentFont);

// The formatted text between two document positions (paragraph separators become '\n').
RichText documentRichText(const QTextDocument &document, int from, int to);
RichText documentRichText(const QTextDocument &document);

// The same, a number of blocks at a time, so a long program can be read between other work.
class DocumentReader {
public:
    DocumentReader(const QTextDocument &document, int from, int to);
    explicit DocumentReader(const QTextDocument &document);
    bool atEnd() const { return !m_block.isValid() || m_blockPosition > m_to; }
    // Reads up to `blocks` more blocks, calling `onBlock` with each.
    void read(int blocks);
    int blocksRead() const { return m_blocksRead; }
    RichText take() { return std::move(m_out); }
    std::function<void(const QTextBlock &)> onBlock;

private:
    const CharFormat &formatOf(const QTextFragment &fragment);

    RichText m_out;
    QFont m_font;
    int m_from = 0;
    int m_to = 0;
    QTextBlock m_block;
    int m_blockPosition = 0;
    int m_blocksRead = 0;
    int m_lastIndex = -1;
    CharFormat m_lastFormat;
};

// Inserts the runs at the cursor, replacing its selection, as one edit block.
void insertRichText(QTextCursor &cursor, const RichText &text);

} // namespace kordavel
