// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RichText.h"

#include <QByteArrayView>

namespace kordavel {

// True when the bytes start with "{\rtf" (white space before it allowed).
bool looksLikeRtf(QByteArrayView data);

// Reads the RTF subset that program files use: font and colour tables, \f \fs \cf \b \i
// \ul \ulnone \strike \plain \pard \par \line \tab \'xx \uN \ucN. Destinations without
// program text are skipped, and so is hidden text (\v); of an \upr pair the Unicode part
// (\ud) is read. 8-bit text is decoded in the code page of \ansicpg or of the font's
// \fcharset. The paragraph mark that writers put after the last paragraph does not become
// an extra empty line. Never fails: it reads whatever it can.
RichText readRtf(QByteArrayView data);

} // namespace kordavel
