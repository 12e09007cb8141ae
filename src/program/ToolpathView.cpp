// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolpathView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVarLengthArray>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kordavel {

namespace {

constexpr int kMargin = 16;       // pixels around a fitted drawing
constexpr double kPickRadius = 6; // pixels a click may miss a segment by
constexpr double kHoleRadius = 4;
constexpr qsizetype kSmoothPoints = 20000;
const double kCos30 = std::sqrt(3.0) / 2;
constexpr double kBoxStep = 3.14159265358979 / 8;

double distanceToPiece(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t =
        length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

// Polylines of one colour and pen, gathered for few calls to the painter: a segment that
// starts where the last one ended goes on the same polyline.
struct Batch {
    QList<QPointF> points;
    QList<qsizetype> starts; // where each polyline begins in points
    bool open = false;       // the next segment may continue the last polyline

    // Adds a segment; points less than a pixel from the last one drawn are left out, so a
    // long run of tiny moves costs what the pixels it covers cost.
    void add(const QPointF *pixels, qsizetype count)
    {
        QPointF at = pixels[0];
        const bool joins =
            open && std::abs(at.x() - points.last().x()) + std::abs(at.y() - points.last().y()) < 1;
        if (joins) {
            at = points.last();
        } else {
            starts.append(points.size());
            points.append(at);
        }
        for (qsizetype i = 1; i < count; ++i) {
            const QPointF q = pixels[i];
            if (std::abs(q.x() - at.x()) + std::abs(q.y() - at.y()) >= 1) {
                points.append(q);
                at = q;
            }
        }
        open = true;
    }
    void draw(QPainter &painter, qsizetype &pieces) const
    {
        for (qsizetype r = 0; r < starts.size(); ++r) {
            const qsizetype end = r + 1 < starts.size() ? starts[r + 1] : points.size();
            if (end - starts[r] > 1)
                painter.drawPolyline(points.constData() + starts[r], int(end - starts[r]));
            pieces += end - starts[r] - 1;
        }
    }
};

} // namespace

ToolpathView::ToolpathView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ToolpathView"));
    setMinimumSize(120, 120);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

void ToolpathView::setPath(Toolpath path)
{
    m_path = std::move(path);
    project();
    if (m_fitted)
        fit();
    update();
}

void ToolpathView::setView(View view)
{
    m_view = view;
    project();
    fit();
}

void ToolpathView::setMarkedLine(int line)
{
    if (line != m_marked) {
        m_marked = line;
        update();
    }
}

void ToolpathView::setSentLines(int first, int end)
{
    if (first != m_sentFirst || end != m_sentEnd) {
        m_sentFirst = first;
        m_sentEnd = end;
        redraw();
    }
}

QPointF ToolpathView::projected(const ToolpathPoint &p) const
{
    switch (m_view) {
    case ViewXZ:
        return {p.x, p.z};
    case ViewYZ:
        return {p.y, p.z};
    case ViewIsometric:
        return {(p.x - p.y) * kCos30, (p.x + p.y) * 0.5 + p.z};
    case ViewLathe:
        return {p.z, p.x};
    default:
        return {p.x, p.y};
    }
}

void ToolpathView::project()
{
    m_flat.resize(m_path.points.size());
    for (qsizetype i = 0; i < m_path.points.size(); ++i)
        m_flat[i] = projected(m_path.points[i]);
    m_boxes.resize(m_path.segments.size());
    double left = 0, right = 0, bottom = 0, top = 0;
    QVarLengthArray<QPointF, 64> points;
    for (qsizetype s = 0; s < m_path.segments.size(); ++s) {
        const ToolpathSegment &segment = m_path.segments[s];
        double slack = 0;
        if (segment.kind == ToolpathSegment::Arc) {
            // Sixteen pieces a turn, widened by how far such a piece falls inside the arc.
            const int pieces = std::max(2, arcPieces(segment.turn, kBoxStep, 64));
            QVarLengthArray<ToolpathPoint, 64> arc(pieces + 1);
            arcPoints(m_path, segment, pieces, arc.data());
            points.resize(pieces + 1);
            for (int i = 0; i <= pieces; ++i)
                points[i] = projected(arc[i]);
            slack = 1.5 * arcRadius(m_path, segment) * (1 - std::cos(kBoxStep / 2));
        } else {
            points = {m_flat[segment.first], m_flat[segment.first + 1]};
        }
        double x0 = points[0].x(), x1 = x0, y0 = points[0].y(), y1 = y0;
        for (const QPointF &p : std::as_const(points)) {
            x0 = std::min(x0, p.x());
            x1 = std::max(x1, p.x());
            y0 = std::min(y0, p.y());
            y1 = std::max(y1, p.y());
        }
        m_boxes[s] = QRectF(QPointF(x0 - slack, y0 - slack), QPointF(x1 + slack, y1 + slack));
        left = s ? std::min(left, x0) : x0;
        right = s ? std::max(right, x1) : x1;
        bottom = s ? std::min(bottom, y0) : y0;
        top = s ? std::max(top, y1) : y1;
    }
    m_bounds = QRectF(QPointF(left, bottom), QPointF(right, top));
    redraw();
}

void ToolpathView::redraw()
{
    m_cache = QImage();
    update();
}

// A segment as the view shows it: an arc in pieces that stay within a third of a pixel of
// the arc at the present zoom.
void ToolpathView::polyline(const ToolpathSegment &segment, QVarLengthArray<QPointF, 64> &out) const
{
    if (segment.kind != ToolpathSegment::Arc) {
        out = {m_flat[segment.first], m_flat[segment.first + 1]};
        return;
    }
    const double radius = arcRadius(m_path, segment) * m_scale;
    const double step = std::sqrt(2.8 / std::max(radius, 1e-9));
    const int pieces = arcPieces(segment.turn, step, 2048);
    QVarLengthArray<ToolpathPoint, 64> arc(pieces + 1);
    arcPoints(m_path, segment, pieces, arc.data());
    out.resize(pieces + 1);
    for (int i = 0; i <= pieces; ++i)
        out[i] = projected(arc[i]);
}

void ToolpathView::fit()
{
    m_fitted = true;
    const double w = std::max(1.0, double(width() - 2 * kMargin));
    const double h = std::max(1.0, double(height() - 2 * kMargin));
    const double bw = std::max(m_bounds.width(), 1e-3);
    const double bh = std::max(m_bounds.height(), 1e-3);
    m_scale = std::min(w / bw, h / bh);
    if (m_bounds.width() < 1e-3 && m_bounds.height() < 1e-3)
        m_scale = 1;
    const QPointF centre = m_bounds.center();
    m_offset = QPointF(width() / 2.0 - centre.x() * m_scale, height() / 2.0 + centre.y() * m_scale);
    redraw();
}

QPointF ToolpathView::toScreen(const ToolpathPoint &point) const
{
    return screen(projected(point));
}

int ToolpathView::lineAt(QPointF pixel) const
{
    const QPointF at = world(pixel);
    const double reach = kPickRadius / m_scale;
    const QRectF near(at - QPointF(reach, reach), at + QPointF(reach, reach));
    double best = reach;
    int line = -1;
    QVarLengthArray<QPointF, 64> points;
    for (qsizetype s = 0; s < m_path.segments.size(); ++s) {
        const QRectF &box = m_boxes[s];
        if (box.left() > near.right() || box.right() < near.left() || box.top() > near.bottom() ||
            box.bottom() < near.top())
            continue;
        const ToolpathSegment &segment = m_path.segments[s];
        polyline(segment, points);
        const QPointF *p = points.constData();
        double d = segment.kind == ToolpathSegment::Hole
                       ? std::max(0.0, std::hypot(at.x() - p[0].x(), at.y() - p[0].y()) -
                                           kHoleRadius / m_scale)
                       : reach;
        for (qsizetype i = 1; i < points.size(); ++i)
            d = std::min(d, distanceToPiece(at, p[i - 1], p[i]));
        if (d <= best) {
            best = d;
            line = segment.line;
        }
    }
    return line;
}

// The drawing without the mark is kept as an image until the path, the view, the zoom or
// the sent blocks change: moving the caret draws only the marked block anew.
void ToolpathView::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    if (m_cache.isNull()) {
        m_cache = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        m_cache.setDevicePixelRatio(ratio);
        QPainter painter(&m_cache);
        painter.fillRect(rect(), palette().color(QPalette::Base));
        // The program's zero.
        const QPointF zero = toScreen({});
        painter.setPen(QPen(palette().color(QPalette::Mid), 1));
        painter.drawLine(zero - QPointF(8, 0), zero + QPointF(8, 0));
        painter.drawLine(zero - QPointF(0, 8), zero + QPointF(0, 8));
        m_drawn = 0;
        draw(painter, 0, m_path.segments.size(), -1);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_cache);
    const auto byLine = [](const ToolpathSegment &s, int line) { return s.line < line; };
    const auto first =
        std::lower_bound(m_path.segments.cbegin(), m_path.segments.cend(), m_marked, byLine);
    qsizetype end = first - m_path.segments.cbegin();
    while (end < m_path.segments.size() && m_path.segments[end].line == m_marked)
        ++end;
    qsizetype ignored = 0;
    std::swap(ignored, m_drawn);
    draw(painter, first - m_path.segments.cbegin(), end, m_marked);
    std::swap(ignored, m_drawn);
}

// Draws the segments from..to, those of the line marked with the mark.
void ToolpathView::draw(QPainter &painter, qsizetype from, qsizetype to, int marked)
{
    enum { Rapid, Feed, Hole, SentRapid, SentFeed, Marked, Batches };
    Batch batches[Batches];
    QVarLengthArray<QPointF, 256> holes[3]; // drawn, sent, marked
    const QRectF shown(world(QPointF(-kHoleRadius, height() + kHoleRadius)),
                       world(QPointF(width() + kHoleRadius, -kHoleRadius)));
    QVarLengthArray<QPointF, 64> pixels;
    for (qsizetype s = from; s < to; ++s) {
        const QRectF &box = m_boxes[s];
        const ToolpathSegment &segment = m_path.segments[s];
        const bool sent = segment.line >= m_sentFirst && segment.line < m_sentEnd;
        const bool isMarked = segment.line == marked;
        const bool rapid = segment.kind == ToolpathSegment::Rapid;
        const bool hole = segment.kind == ToolpathSegment::Hole;
        Batch &batch = batches[isMarked ? Marked
                               : rapid  ? (sent ? SentRapid : Rapid)
                                        : (sent   ? SentFeed
                                           : hole ? Hole
                                                  : Feed)];
        if (box.left() > shown.right() || box.right() < shown.left() ||
            box.top() > shown.bottom() || box.bottom() < shown.top()) {
            batch.open = false;
            continue;
        }
        polyline(segment, pixels);
        for (QPointF &p : pixels)
            p = screen(p);
        if (segment.kind == ToolpathSegment::Hole)
            holes[isMarked ? 2 : sent ? 1 : 0].append(pixels[0]);
        batch.add(pixels.constData(), pixels.size());
    }

    const QColor rapidColour(224, 112, 0), feedColour(25, 90, 210), sentColour(0, 150, 70),
        holeColour(170, 0, 170), markedColour(230, 20, 20);
    // One-pixel pens draw much faster than wider ones: only the mark is wider.
    QPen pens[Batches] = {
        QPen(rapidColour, 1, Qt::DashLine), QPen(feedColour, 1), QPen(holeColour, 1),
        QPen(sentColour, 1, Qt::DashLine),  QPen(sentColour, 1), QPen(markedColour, 3)};
    for (int b = 0; b < Marked; ++b)
        pens[b].setCosmetic(true);
    // Smooth lines cost: a frame of many pieces is drawn without.
    qsizetype points = 0;
    for (const Batch &batch : batches)
        points += batch.points.size();
    painter.setRenderHint(QPainter::Antialiasing, points < kSmoothPoints);
    for (int b = 0; b < Batches; ++b) {
        painter.setPen(pens[b]);
        batches[b].draw(painter, m_drawn);
    }
    // The marked block's end, seen also where its move is a point in this view.
    if (!batches[Marked].points.isEmpty()) {
        painter.setBrush(markedColour);
        painter.drawEllipse(batches[Marked].points.last(), 2.5, 2.5);
    }
    painter.setBrush(Qt::NoBrush);
    const QColor holeColours[3] = {holeColour, sentColour, markedColour};
    for (int h = 0; h < 3; ++h) {
        painter.setPen(QPen(holeColours[h], h == 2 ? 2.5 : 1.5));
        QPointF last(-1e9, -1e9);
        for (const QPointF &c : std::as_const(holes[h])) {
            if (std::abs(c.x() - last.x()) + std::abs(c.y() - last.y()) < 1)
                continue;
            painter.drawEllipse(c, kHoleRadius, kHoleRadius);
            last = c;
            ++m_drawn;
        }
    }
}

void ToolpathView::wheelEvent(QWheelEvent *event)
{
    const double factor = std::pow(1.2, event->angleDelta().y() / 120.0);
    const QPointF at = event->position();
    const QPointF fixed = world(at);
    m_scale = std::clamp(m_scale * factor, 1e-6, 1e7);
    m_offset = QPointF(at.x() - fixed.x() * m_scale, at.y() + fixed.y() * m_scale);
    m_fitted = false;
    redraw();
    event->accept();
}

void ToolpathView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_dragging = false;
    m_pressAt = event->position().toPoint();
    m_pressOffset = m_offset;
}

void ToolpathView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed)
        return;
    const QPoint delta = event->position().toPoint() - m_pressAt;
    if (!m_dragging && delta.manhattanLength() < 4)
        return;
    m_dragging = true;
    m_fitted = false;
    m_offset = m_pressOffset + QPointF(delta);
    redraw();
}

void ToolpathView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (m_dragging)
        return;
    const int line = lineAt(event->position());
    if (line >= 0)
        emit lineClicked(line);
}

void ToolpathView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        redraw();
}

void ToolpathView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_fitted)
        fit();
    redraw();
}

} // namespace kordavel
