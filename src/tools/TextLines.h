// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

#include <algorithm>

namespace kordavel {

// Hands the lines of text from position `from` on to addLine, at most maxLines of them
// (rows end at LF, which is not handed on); returns the position to go on from,
// text.size() at the end.
template <typename AddLine>
qsizetype addLinesOf(QStringView text, qsizetype from, qsizetype maxLines, AddLine &&addLine)
{
    for (qsizetype n = 0; n < maxLines && from < text.size(); ++n) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            end = text.size();
        addLine(text.mid(from, end - from));
        from = end + 1;
    }
    return std::min(from, text.size());
}

} // namespace kordavel
