// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlainTextFile.h"

#include <QTextBlockUserData>

namespace kordavel {

// The line end of a block of a plain file where it differs from the file's own (its first
// one); a block without it, a new one included, ends as the file does.
class LineEndData : public QTextBlockUserData {
public:
    explicit LineEndData(LineEnd end) : lineEnd(end) {}
    const LineEnd lineEnd;
};

} // namespace kordavel
