// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QTextDocument;

namespace kordavel {

// The editor counts a line end as two characters, CR and LF, as program text on disk
// and on the wire does; the document counts one paragraph separator. These map between
// the two counts in logarithmic time, without copying the text.
int editorLength(const QTextDocument &document);
int toEditorPosition(const QTextDocument &document, int documentPosition);
// A position on the CR or the LF of a line end maps to the end of that line's text.
// Positions outside the text are clamped to it.
int toDocumentPosition(const QTextDocument &document, int editorPosition);

} // namespace kordavel
