// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextPositions.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace kordavel {

int editorLength(const QTextDocument &document)
{
    return document.characterCount() - 1 + document.blockCount() - 1;
}

int toEditorPosition(const QTextDocument &document, int documentPosition)
{
    const int position = std::clamp(documentPosition, 0, document.characterCount() - 1);
    return position + document.findBlock(position).blockNumber();
}

int toDocumentPosition(const QTextDocument &document, int editorPosition)
{
    if (editorPosition <= 0)
        return 0;
    if (editorPosition >= editorLength(document))
        return document.characterCount() - 1;
    // The last block whose editor start is at or before the position.
    int low = 0;
    int high = document.blockCount() - 1;
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        const QTextBlock block = document.findBlockByNumber(middle);
        if (block.position() + middle <= editorPosition)
            low = middle;
        else
            high = middle - 1;
    }
    const QTextBlock block = document.findBlockByNumber(low);
    const int offset = editorPosition - (block.position() + low);
    return block.position() + std::min(offset, block.length() - 1);
}

} // namespace kordavel
