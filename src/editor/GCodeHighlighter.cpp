// SPDX-License-Identifier: GPL-3.0-or-later
#include "GCodeHighlighter.h"

#include <QTextBlock>

#include <algorithm>

namespace kordavel {

namespace {

// Per category: the colour on a light background, then on a dark one.
struct Pair {
    QRgb light;
    QRgb dark;
};
constexpr Pair kColours[kGCodeCategories] = {
    {0x0030C0, 0x82AAFF}, // Code
    {0x006A6A, 0x5FD7D7}, // Axis
    {0xA84E00, 0xFFB46B}, // FeedSpeed
    {0x9B009B, 0xF08CF0}, // Tool
    {0x767676, 0x9E9E9E}, // Number
    {0x2E7D32, 0x8FD18F}, // Comment
    {0xC00000, 0xFF7373}, // Percent
    {0xC8006E, 0xFF6FB5}, // BlockDelete
    {0x6A3DB8, 0xC3A6FF}, // Macro
};

// The parts of the block, as offsets within it, whose characters carry a colour of their own.
QList<std::pair<int, int>> ownColours(const QTextBlock &block)
{
    QList<std::pair<int, int>> out;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.charFormat().foreground().style() == Qt::NoBrush)
            continue;
        const int from = fragment.position() - block.position();
        if (!out.isEmpty() && out.last().second == from)
            out.last().second = from + fragment.length();
        else
            out.append({from, from + fragment.length()});
    }
    return out;
}

} // namespace

GCodeHighlighter::GCodeHighlighter()
{
    setBackground(Qt::white);
}

// Each piece also paints the background under it: Qt skips a piece without one that
// touches a piece drawn before it, as words written together do (G01X5).
void GCodeHighlighter::setBackground(const QColor &base)
{
    const bool on = base.lightness() < 128;
    m_dark = on;
    for (int i = 0; i < kGCodeCategories; ++i)
        m_formats[size_t(i)].setForeground(
            QColor::fromRgb(on ? kColours[i].dark : kColours[i].light));
    for (QTextCharFormat &format : m_formats)
        format.setBackground(base);
}

QList<QTextLayout::FormatRange> GCodeHighlighter::formatsFor(const QTextBlock &block) const
{
    QList<QTextLayout::FormatRange> ranges;
    if (!m_enabled)
        return ranges;
    const QString text = block.text();
    const QList<std::pair<int, int>> own = ownColours(block);
    for (const GCodeWord &word : gcodeWords(text)) {
        const QTextCharFormat &format = m_formats[size_t(word.category)];
        int from = word.start;
        const int to = word.start + word.length;
        // The word, less the parts coloured by the user.
        for (const auto &[ownFrom, ownTo] : own) {
            if (ownTo <= from || ownFrom >= to)
                continue;
            if (ownFrom > from)
                ranges.append({from, ownFrom - from, format});
            from = std::max(from, ownTo);
        }
        if (from >= to)
            continue;
        // A word that follows one of its kind across blanks only joins it: fewer pieces to
        // draw.
        if (!ranges.isEmpty() && ranges.last().format == format) {
            const int end = ranges.last().start + ranges.last().length;
            if (end <= from && QStringView(text).mid(end, from - end).trimmed().isEmpty() &&
                std::none_of(own.begin(), own.end(),
                             [&](const auto &o) { return o.first < from && o.second > end; })) {
                ranges.last().length = to - ranges.last().start;
                continue;
            }
        }
        ranges.append({from, to - from, format});
    }
    return ranges;
}

} // namespace kordavel
