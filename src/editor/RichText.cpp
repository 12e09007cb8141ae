// SPDX-License-Identifier: GPL-3.0-or-later
#include "RichText.h"

namespace kordavel {

void RichText::append(const QString &text, const CharFormat &format)
{
    if (text.isEmpty())
        return;
    if (!runs.isEmpty() && runs.last().format == format)
        runs.last().text += text;
    else
        runs.append(TextRun{text, format});
}

QString RichText::plainText() const
{
    QString out;
    qsizetype size = 0;
    for (const TextRun &run : runs)
        size += run.text.size();
    out.reserve(size);
    for (const TextRun &run : runs)
        out += run.text;
    return out;
}

bool RichText::isEmpty() const
{
    for (const TextRun &run : runs)
        if (!run.text.isEmpty())
            return false;
    return true;
}

QString defaultFontName()
{
    return QStringLiteral("Courier New");
}

CharFormat defaultCharFormat()
{
    CharFormat format;
    format.fontName = defaultFontName();
    format.pointSize = 10.0;
    return format;
}

} // namespace kordavel
