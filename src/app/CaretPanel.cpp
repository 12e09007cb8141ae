// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaretPanel.h"

#include "editor/ProgramView.h"
#include "editor/RichTextBox.h"
#include "i18n/Language.h"

#include <QLabel>
#include <QStatusBar>

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

void CaretPanel::follow(ProgramText *editor)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_editor = editor;
    m_editorWidget = editor ? editor->widget() : nullptr;
    // The caret moves (a send moves it too), the text changes, or a file is opened in.
    const auto refreshing = [this] { refresh(); };
    if (RichTextBox *box = richText(editor)) {
        m_connections << connect(box, &QTextEdit::cursorPositionChanged, this, refreshing)
                      << connect(box, &QTextEdit::textChanged, this, refreshing);
    } else if (ProgramView *view = programView(editor)) {
        m_connections << connect(view, &ProgramView::SelChange, this, refreshing)
                      << connect(view, &ProgramView::Change, this, refreshing);
    }
    if (editor)
        m_connections << connectText(editor, &RichTextBox::fileOpened, &ProgramView::fileOpened,
                                     this, refreshing);
    refresh();
}

void CaretPanel::refresh()
{
    if (!m_editorWidget) {
        label->clear();
        return;
    }
    const int line = m_editor->caretLineNumber();
    const int column = m_editor->caretPosition() - m_editor->lineStartPosition(line);
    label->setText(caretText(line + 1, column + 1, m_editor->lineCount()));
}

} // namespace kordavel
