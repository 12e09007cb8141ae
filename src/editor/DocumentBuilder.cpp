// SPDX-License-Identifier: GPL-3.0-or-later
#include "DocumentBuilder.h"

#include "DocumentRichText.h"
#include "LineEndData.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace kordavel {

namespace {

// Long runs go in by pieces, so progress shows and a cancel is seen. A piece never ends
// inside a CR LF pair or a surrogate pair, so the blocks come out as from one insertion.
constexpr qsizetype kPiece = 1 << 18;

qsizetype pieceEnd(QStringView text, qsizetype from)
{
    qsizetype end = std::min(text.size(), from + kPiece);
    while (end < text.size() &&
           (text[end - 1] == QLatin1Char('\r') || text[end - 1].isHighSurrogate()))
        ++end;
    return end;
}

} // namespace

QTextDocument *buildDocument(const RichText &content, const QFont &font, BuildProgress *progress)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(font);
    // A layout made now, with no page to lay out on, does no work while the text goes in,
    // and the editor that shows the document takes it over as it is: the hand-over to the
    // window then costs half as much.
    document->setPageSize(QSizeF(0, 0));
    document->documentLayout();
    document->setUndoRedoEnabled(false);
    qsizetype total = 0;
    for (const TextRun &run : content.runs)
        total += run.text.size();
    qsizetype done = 0;
    QTextCursor cursor(document.get());
    cursor.beginEditBlock();
    for (const TextRun &run : content.runs) {
        const QTextCharFormat format = toTextCharFormat(run.format);
        const QStringView text(run.text);
        for (qsizetype from = 0; from < text.size();) {
            if (progress && progress->cancelled)
                return nullptr;
            const qsizetype end = pieceEnd(text, from);
            cursor.insertText(text.sliced(from, end - from).toString(), format);
            done += end - from;
            from = end;
            if (progress) {
                progress->permille = int(done * 1000 / std::max<qsizetype>(total, 1));
                if (progress->advanced)
                    progress->advanced(progress->permille);
            }
        }
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(true);
    document->setModified(false);
    return document.release();
}

void markLineEnds(QTextDocument &document, const QList<LineEnd> &lineEnds, LineEnd fileEnd)
{
    QTextBlock block = document.firstBlock();
    for (const LineEnd end : lineEnds) {
        if (!block.isValid())
            break;
        if (end != fileEnd)
            block.setUserData(new LineEndData(end));
        block = block.next();
    }
}

} // namespace kordavel
