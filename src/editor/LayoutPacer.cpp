// SPDX-License-Identifier: GPL-3.0-or-later
#include "LayoutPacer.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace kordavel {

namespace {
constexpr qint64 kSliceNs = 15'000'000;
}

LayoutPacer::LayoutPacer(QTextDocument *document) : QObject(document), m_document(document)
{
    setObjectName(QStringLiteral("layoutPacer"));
}

void LayoutPacer::pace(QTextDocument *document)
{
    auto *pacer = new LayoutPacer(document);
    document->documentLayout()->installEventFilter(pacer);
}

bool LayoutPacer::laidOut(int position) const
{
    const QTextBlock block = m_document->findBlock(position);
    return block.isValid() && block.layout()->lineCount() > 0;
}

bool LayoutPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Timer || !m_document)
        return false;
    auto *layout = m_document->documentLayout();
    if (watched != layout)
        return false;
    const int end = m_document->characterCount() - 1;
    QElapsedTimer slice;
    slice.start();
    // A change of the whole document (its font, its page size) starts the layout over: go
    // on from where it is now, found by halving, rather than lay out all up to here at once.
    if (m_position > 0 && !laidOut(m_position - 1)) {
        int low = 0;
        int high = m_position - 1;
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (laidOut(middle))
                low = middle + 1;
            else
                high = middle;
        }
        m_position = low;
    }
    // Asking for a block's place lays the document out up to that block, in small pieces.
    while (m_position < end && slice.nsecsElapsed() < kSliceNs) {
        m_position = std::min(end, m_position + m_step);
        layout->blockBoundingRect(m_document->findBlock(m_position));
    }
    // The editor sizes its scroll bars to what is laid out so far on this signal.
    emit layout->documentSizeChanged(QSizeF());
    if (m_position >= end) {
        layout->removeEventFilter(this);
        deleteLater();
    }
    return true;
}

} // namespace kordavel
