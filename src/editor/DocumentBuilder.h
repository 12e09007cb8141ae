// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PlainTextFile.h"
#include "RichText.h"

#include <QFont>

#include <atomic>
#include <functional>

class QTextDocument;

namespace kordavel {

// Shared between a document being built on another thread and the window waiting for it.
struct BuildProgress {
    std::atomic<int> permille{0};
    std::atomic<bool> cancelled{false};
    // Told each new permille on the building thread, once its piece is in.
    std::function<void(int)> advanced;
};

// A new document without parent holding the runs, with no undo history and unmodified.
// Needs no widget, so it may be built on any thread and then moved to the window's.
// Nothing when cancelled on the way.
QTextDocument *buildDocument(const RichText &content, const QFont &font,
                             BuildProgress *progress = nullptr);

// Marks the lines of a plain file that end otherwise than its first line with their own end.
void markLineEnds(QTextDocument &document, const QList<LineEnd> &lineEnds, LineEnd fileEnd);

} // namespace kordavel
