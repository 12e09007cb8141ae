// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QTextDocument;

namespace kordavel {

// Lays out a long document shown in an editor in short steps. On its own the toolkit lays
// out what is not yet visible in steps that grow to 200,000 characters, which hold up the
// window a third of a second each on a program of millions of lines. This takes over the
// toolkit's layout timer and does a few milliseconds of layout at each of its ticks, then
// steps aside once the document is laid out to its end. It deletes itself then, or with the
// document.
class LayoutPacer : public QObject {
public:
    static void pace(QTextDocument *document);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit LayoutPacer(QTextDocument *document);
    bool laidOut(int position) const;
    QPointer<QTextDocument> m_document;
    int m_position = 0;
    int m_step = 2000;
};

} // namespace kordavel
