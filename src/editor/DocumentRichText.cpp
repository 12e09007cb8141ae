// SPDX-License-Identifier: GPL-3.0-or-later
#include "DocumentRichText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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

RichText documentRichText(const QTextDocument &document, int from, int to)
{
    RichText out;
    const QFont font = document.defaultFont();
    // Most fragments share a handful of formats: convert each format once.
    int lastIndex = -1;
    CharFormat lastFormat;
    const auto formatOf = [&](const QTextFragment &fragment) -> const CharFormat & {
        if (fragment.charFormatIndex() != lastIndex) {
            lastIndex = fragment.charFormatIndex();
            lastFormat = fromTextCharFormat(fragment.charFormat(), font);
        }
        return lastFormat;
    };
    from = std::max(from, 0);
    to = std::min(to, document.characterCount() - 1);
    // Positions are counted along the way: asking a block or a fragment for its position
    // walks the document's tree every time.
    QTextBlock block = document.findBlock(from);
    int blockPosition = block.isValid() ? block.position() : 0;
    while (block.isValid() && blockPosition <= to) {
        int position = blockPosition;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int length = fragment.length();
            const int start = std::max(position, from);
            const int end = std::min(position + length, to);
            if (start < end) {
                QString text = fragment.text();
                if (start != position || end != position + length)
                    text = text.mid(start - position, end - start);
                out.append(text, formatOf(fragment));
            }
            position += length;
        }
        const int separator = blockPosition + block.length() - 1;
        if (separator >= from && separator < to) {
            if (out.runs.isEmpty())
                out.append(QStringLiteral("\n"), fromTextCharFormat(block.charFormat(), font));
            else
                out.runs.last().text += QLatin1Char('\n');
        }
        blockPosition += block.length();
        block = block.next();
    }
    return out;
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
