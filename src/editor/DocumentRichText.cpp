// SPDX-License-Identifier: GPL-3.0-or-later
#include "DocumentRichText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <limits>

namespace kordavel {

QTextCharFormat toTextCharFormat(const CharFormat &format)
{
    QTextCharFormat out;
    out.setFontFamilies(
        QStringList{format.fontName.isEmpty() ? defaultFontName() : format.fontName});
    out.setFontPointSize(format.pointSize);
    out.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    out.setFontItalic(format.italic);
    out.setFontUnderline(format.underline);
    out.setFontStrikeOut(format.strike);
    if (format.color)
        out.setForeground(QColor::fromRgb(QRgb(*format.color)));
    return out;
}

CharFormat fromTextCharFormat(const QTextCharFormat &format, const QFont &documentFont)
{
    CharFormat out;
    const QStringList families = format.fontFamilies().toStringList();
    out.fontName = families.isEmpty() ? documentFont.family() : families.first();
    out.pointSize = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                                                                   : documentFont.pointSizeF();
    if (out.pointSize <= 0)
        out.pointSize = defaultCharFormat().pointSize;
    out.bold = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() >= QFont::DemiBold
                                                           : documentFont.bold();
    out.italic = format.fontItalic();
    out.underline = format.fontUnderline();
    out.strike = format.fontStrikeOut();
    const QBrush brush = format.foreground();
    if (brush.style() != Qt::NoBrush)
        out.color = brush.color().rgb() & 0xFFFFFFu;
    return out;
}

DocumentReader::DocumentReader(const QTextDocument &document, int from, int to)
    : m_font(document.defaultFont()), m_from(std::max(from, 0)),
      m_to(std::min(to, document.characterCount() - 1))
{
    m_block = document.findBlock(m_from);
    m_blockPosition = m_block.isValid() ? m_block.position() : 0;
}

DocumentReader::DocumentReader(const QTextDocument &document)
    : DocumentReader(document, 0, document.characterCount() - 1)
{}

// Most fragments share a handful of formats: each format is converted once.
const CharFormat &DocumentReader::formatOf(const QTextFragment &fragment)
{
    if (fragment.charFormatIndex() != m_lastIndex) {
        m_lastIndex = fragment.charFormatIndex();
        m_lastFormat = fromTextCharFormat(fragment.charFormat(), m_font);
    }
    return m_lastFormat;
}

// Positions are counted along the way: asking a block or a fragment for its position walks
// the document's tree every time.
void DocumentReader::read(int blocks)
{
    for (; blocks > 0 && !atEnd(); --blocks) {
        int position = m_blockPosition;
        for (auto it = m_block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int length = fragment.length();
            const int start = std::max(position, m_from);
            const int end = std::min(position + length, m_to);
            if (start < end) {
                QString text = fragment.text();
                if (start != position || end != position + length)
                    text = text.mid(start - position, end - start);
                m_out.append(text, formatOf(fragment));
            }
            position += length;
        }
        const int separator = m_blockPosition + m_block.length() - 1;
        if (separator >= m_from && separator < m_to) {
            if (m_out.runs.isEmpty())
                m_out.append(QStringLiteral("\n"),
                             fromTextCharFormat(m_block.charFormat(), m_font));
            else
                m_out.runs.last().text += QLatin1Char('\n');
        }
        if (onBlock)
            onBlock(m_block);
        ++m_blocksRead;
        m_blockPosition += m_block.length();
        m_block = m_block.next();
    }
}

RichText documentRichText(const QTextDocument &document, int from, int to)
{
    DocumentReader reader(document, from, to);
    reader.read(std::numeric_limits<int>::max());
    return reader.take();
}

RichText documentRichText(const QTextDocument &document)
{
    return documentRichText(document, 0, document.characterCount() - 1);
}

void insertRichText(QTextCursor &cursor, const RichText &text)
{
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    for (const TextRun &run : text.runs)
        cursor.insertText(run.text, toTextCharFormat(run.format));
    cursor.endEditBlock();
}

} // namespace kordavel
