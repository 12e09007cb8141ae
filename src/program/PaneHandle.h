// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace kordavel {

// The strip between two panes of a window: dragging it tells where in its parent the
// pointer is, so that the panes can be sized.
class PaneHandle : public QWidget {
    Q_OBJECT
public:
    explicit PaneHandle(QWidget *parent = nullptr);

signals:
    // The pointer is at x of the parent while the strip is dragged.
    void dragged(int x);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

} // namespace kordavel
