// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GCodeWords.h"

#include <QTextCharFormat>
#include <QTextLayout>

#include <array>

class QTextBlock;

namespace kordavel {

// Colours the G-code words of text blocks for display only. The colours live in the
// blocks' layouts as additional formats: the document's text, its character formats, its
// undo history and what is saved, printed or copied stay as they are. A colour the text
// has of its own (Format > Font) always shows instead.
class GCodeHighlighter {
public:
    GCodeHighlighter();

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    // Colours for a dark background (light text) or a light one.
    bool dark() const { return m_dark; }
    void setDark(bool on);

    // The formats the block should show: none while switched off.
    QList<QTextLayout::FormatRange> formatsFor(const QTextBlock &block) const;
    // Gives the block's layout those formats. True when they changed: the block must then
    // be laid out again (QTextDocument::markContentsDirty) before it is drawn.
    bool apply(const QTextBlock &block) const;

private:
    bool m_enabled = false;
    bool m_dark = false;
    std::array<QTextCharFormat, kGCodeCategories> m_formats;
};

} // namespace kordavel
