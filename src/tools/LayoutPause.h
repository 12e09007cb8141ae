// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QSizeF>
#include <QTextDocument>

namespace kordavel {

// Holds back the layout of a document while a tool makes a large change to it. Without a
// page size the document's layout ignores changes; when the size comes back it lays the
// whole document out again step by step in the background, as it does for a program that
// has just been loaded, instead of laying out every changed line before the user can go on.
class LayoutPause {
public:
    explicit LayoutPause(QTextDocument *document)
        : m_document(document), m_pageSize(document->pageSize())
    {
        m_document->setPageSize(QSizeF());
    }
    ~LayoutPause()
    {
        if (m_document) // an editor may have let go of it meanwhile
            m_document->setPageSize(m_pageSize);
    }
    LayoutPause(const LayoutPause &) = delete;
    LayoutPause &operator=(const LayoutPause &) = delete;

private:
    QPointer<QTextDocument> m_document;
    QSizeF m_pageSize;
};

} // namespace kordavel
