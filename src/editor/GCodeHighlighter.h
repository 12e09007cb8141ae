// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GCodeWords.h"

#include <QTextCharFormat>
#include <QTextLayout>

#include <array>

class QTextBlock;

namespace kordavel {

// The colours of the G-code words of text blocks, for display only: the editor draws them
// over its text, whose characters, formats and history stay as they are. A colour the
// text has of its own (Format > Font) always shows instead.
class GCodeHighlighter {
public:
    GCodeHighlighter();

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    // The editor's background: light colours go on a dark one, dark colours on a light one.
    bool dark() const { return m_dark; }
    void setBackground(const QColor &base);

    // The colour of a category on the background set.
    QColor colour(GCodeCategory category) const
    {
        return m_formats[size_t(category)].foreground().color();
    }

    // The coloured ranges of the block, as offsets within it: none while switched off.
    QList<QTextLayout::FormatRange> formatsFor(const QTextBlock &block) const;

private:
    bool m_enabled = false;
    bool m_dark = false;
    std::array<QTextCharFormat, kGCodeCategories> m_formats;
};

} // namespace kordavel
