// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RichText.h"

#include <QTextCharFormat>

class QTextCursor;
class QTextDocument;

namespace kordavel {

// Conversions between a QTextDocument's formatted text and RichText.
QTextCharFormat toTextCharFormat(const CharFormat &format);
CharFormat fromTextCharFormat(const QTextCharFormat &format, const QFont &documentFont);

// The formatted text between two document positions (paragraph separators become '\n').
RichText documentRichText(const QTextDocument &document, int from, int to);
RichText documentRichText(const QTextDocument &document);

// Inserts the runs at the cursor, replacing its selection, as one edit block.
void insertRichText(QTextCursor &cursor, const RichText &text);

} // namespace kordavel
