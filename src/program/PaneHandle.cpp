// SPDX-License-Identifier: GPL-3.0-or-later
#include "PaneHandle.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace kordavel {

PaneHandle::PaneHandle(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaneHandle"));
    setCursor(Qt::SplitHCursor);
}

void PaneHandle::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        emit dragged(mapToParent(event->position().toPoint()).x());
}

void PaneHandle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    style()->drawControl(QStyle::CE_Splitter, &option, &painter, this);
}

} // namespace kordavel
