// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyAscii.h"

#include <QKeyEvent>

namespace kordavel {

int keyAsciiOf(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    default:
        break;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return -1;
    const QList<uint> codes = event->text().toUcs4();
    if (codes.isEmpty() || codes.first() < 32)
        return -1;
    return int(codes.first());
}

} // namespace kordavel
