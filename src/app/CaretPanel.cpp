// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaretPanel.h"

#include "editor/RichTextBox.h"
#include "i18n/Language.h"

#include <QLabel>
#include <QStatusBar>
#include <QTextBlock>

namespace kordavel {

QString caretText(int line, int column, int lines)
{
    return GetString(QStringLiteral("Ln %1, Col %2 (%3 lines)"), 553)
        .arg(line)
        .arg(column)
        .arg(lines);
}

CaretPanel::CaretPanel(QStatusBar *bar) : QObject(bar)
{
    label = new QLabel(bar);
    label->setObjectName(QStringLiteral("caretPanel"));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setContentsMargins(4, 0, 4, 0);
    bar->addPermanentWidget(label);
}

void CaretPanel::follow(RichTextBox *editor)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_editor = editor;
    if (editor) {
        // The caret moves (a send moves it too), the text changes, or a file is opened in.
        m_connections << connect(editor, &QTextEdit::cursorPositionChanged, this,
                                 &CaretPanel::refresh)
                      << connect(editor, &QTextEdit::textChanged, this, &CaretPanel::refresh)
                      << connect(editor, &RichTextBox::fileOpened, this, &CaretPanel::refresh);
    }
    refresh();
}

void CaretPanel::refresh()
{
    if (!m_editor) {
        label->clear();
        return;
    }
    const QTextCursor cursor = m_editor->textCursor();
    label->setText(caretText(cursor.blockNumber() + 1, cursor.positionInBlock() + 1,
                             m_editor->document()->blockCount()));
}

} // namespace kordavel
