// SPDX-License-Identifier: GPL-3.0-or-later
#include "SymbolBox.h"

#include "common/MessageBox.h"

#include <QKeyEvent>

namespace kordavel {

SymbolBox::SymbolBox(QWidget *parent) : QLineEdit(parent)
{
    setMaxLength(1);
    // Pasting from the menu would pass by the key filter.
    setContextMenuPolicy(Qt::NoContextMenu);
}

void SymbolBox::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        QLineEdit::keyPressEvent(event);
        return;
    case Qt::Key_Backspace:
        event->accept();
        Beep();
        return;
    default:
        break;
    }
    const QString text = event->text();
    const bool control = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (text.isEmpty() && !control) {
        QLineEdit::keyPressEvent(event); // Delete, arrows, Home, End
        return;
    }
    const QChar ch = text.isEmpty() ? QChar() : text.front();
    if (!control && ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) {
        QKeyEvent capital(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                          QString(ch.toUpper()), event->isAutoRepeat(), event->count());
        QLineEdit::keyPressEvent(&capital);
        event->setAccepted(capital.isAccepted());
        return;
    }
    if (!control && ch >= QLatin1Char('A') && ch <= QLatin1Char('Z')) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    Beep();
}

} // namespace kordavel
