// SPDX-License-Identifier: GPL-3.0-or-later
#include "LayoutPacer.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QEvent>
#include <QTextBlock>
#include <QTextDocument>

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
