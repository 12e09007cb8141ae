// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tools/ToolpathInterpreter.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QVarLengthArray>
#include <QWidget>

class QPainter;

namespace kordavel {

// Draws a toolpath: rapid moves dashed, feed moves and arcs solid, holes as rings, the
// segments of one block marked, those already sent in a colour of their own. Wheel zooms
// about the pointer, a drag moves the drawing, a click names the block under the pointer.
// Only what the view shows is drawn, and points closer than a pixel are drawn as one.
class ToolpathView : public QWidget {
    Q_OBJECT
public:
    // The plane seen: XY, XZ, YZ, isometric, and the lathe's Z across, X (radius) up.
    enum View { ViewXY, ViewXZ, ViewYZ, ViewIsometric, ViewLathe };

    explicit ToolpathView(QWidget *parent = nullptr);

    // A new path is fitted, unless the user has zoomed or moved the drawing since the last
    // fit.
    void setPath(Toolpath path);
    const Toolpath &path() const { return m_path; }
    void setView(View view);
    View view() const { return m_view; }
    void fit();
    // The block whose segments are marked (-1: none).
    void setMarkedLine(int line);
    int markedLine() const { return m_marked; }
    // Segments of the lines from first to before end are drawn as sent (end -1: none).
    void setSentLines(int first, int end);
    QPair<int, int> sentLines() const { return {m_sentFirst, m_sentEnd}; }

    // Where a point of the program shows in the widget.
    QPointF toScreen(const ToolpathPoint &point) const;
    // The line of the segment nearest to a pixel, within a few pixels; -1 when none.
    int lineAt(QPointF pixel) const;
    // Line pieces the last frame drew.
    qsizetype drawnPieces() const { return m_drawn; }

signals:
    void lineClicked(int line);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPointF projected(const ToolpathPoint &p) const;
    void project();
    void polyline(const ToolpathSegment &segment, QVarLengthArray<QPointF, 64> &out) const;
    void draw(QPainter &painter, qsizetype from, qsizetype to, int marked);
    void redraw();
    QPointF screen(QPointF world) const
    {
        return {world.x() * m_scale + m_offset.x(), m_offset.y() - world.y() * m_scale};
    }
    QPointF world(QPointF pixel) const
    {
        return {(pixel.x() - m_offset.x()) / m_scale, (m_offset.y() - pixel.y()) / m_scale};
    }

    Toolpath m_path;
    QList<QPointF> m_flat; // the points as the view shows them
    QList<QRectF> m_boxes; // each segment's bounds in m_flat's units
    QRectF m_bounds;
    View m_view = ViewXY;
    double m_scale = 1;
    QPointF m_offset;
    bool m_fitted = true; // no zoom or drag since the last fit
    int m_marked = -1;
    int m_sentFirst = 0;
    int m_sentEnd = -1;
    QPoint m_pressAt;
    QPointF m_pressOffset;
    bool m_dragging = false;
    bool m_pressed = false;
    qsizetype m_drawn = 0;
    QImage m_cache; // the drawing without the mark; null: to draw anew
};

} // namespace kordavel
