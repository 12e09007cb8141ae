// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace kordavel {

// Character formatting of one run of program text, independent of any widget.
// A colour that is not set means the control's default ("auto") colour.
struct CharFormat {
    QString fontName;
    double pointSize = 10.0;
    std::optional<std::uint32_t> color; // 0xRRGGBB
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;

    bool operator==(const CharFormat &) const = default;
};

inline size_t qHash(const CharFormat &f, size_t seed = 0)
{
    return qHashMulti(seed, f.fontName, f.pointSize, f.color.value_or(0x1000000u), f.bold, f.italic,
                      f.underline, f.strike);
}

// One run of equally formatted text. A '\n' inside the text is a paragraph break.
struct TextRun {
    QString text;
    CharFormat format;

    bool operator==(const TextRun &) const = default;
};

// A whole (or partial) program as formatted runs.
class RichText {
public:
    QList<TextRun> runs;

    // Appends text, merging it into the last run when the formatting is the same.
    void append(const QString &text, const CharFormat &format);
    // The text without formatting, paragraphs separated by '\n'.
    QString plainText() const;
    bool isEmpty() const;
};

// The formatting a new program starts with.
CharFormat defaultCharFormat();
QString defaultFontName();

} // namespace kordavel
