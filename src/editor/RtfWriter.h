// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RichText.h"

#include <QByteArray>

namespace kordavel {

// Writes rich text as RTF in the line structure of the classic rich-edit control:
// header lines begin with "{", the first paragraph follows its formatting words on the
// third line, every later paragraph stands on a line of its own that begins with \par,
// an empty paragraph is "\par" alone, and the last line is "\par }". Lines end in CR LF.
// The program tools rewrite this text line by line, so the structure matters.
QByteArray writeRtf(const RichText &text);

} // namespace kordavel
