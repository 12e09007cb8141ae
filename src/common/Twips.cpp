// SPDX-License-Identifier: GPL-3.0-or-later
#include "Twips.h"

#include <QCheckBox>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cmath>

namespace kordavel {

namespace {

double dpiX()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double dpiY()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

} // namespace

namespace {

// Far beyond any screen, but with room to add two of them in an int.
int toPixels(double twips, double dpi)
{
    constexpr double kLimit = INT_MAX / 4;
    const double pixels = std::round(twips * dpi / 1440.0);
    return std::isnan(pixels) ? 0 : int(std::clamp(pixels, -kLimit, kLimit));
}

} // namespace

int twipsToPixelsX(double twips)
{
    return toPixels(twips, dpiX());
}

int twipsToPixelsY(double twips)
{
    return toPixels(twips, dpiY());
}

double pixelsToTwipsX(int pixels)
{
    return pixels * 1440.0 / dpiX();
}

double pixelsToTwipsY(int pixels)
{
    return pixels * 1440.0 / dpiY();
}

namespace {

int contentRight(const QList<QWidget *> &children)
{
    int right = 0;
    for (const QWidget *child : children)
        if (!child->isHidden())
            right = std::max(right, child->x() + child->width());
    return right;
}

bool sameRows(const QWidget *a, const QWidget *b)
{
    return a->y() < b->y() + b->height() && b->y() < a->y() + a->height();
}

} // namespace

namespace {

// Labels too narrow for their caption widen; what stands to the right of one moves over.
void fitLabels(const QList<QWidget *> &children)
{
    const int gap = twipsToPixelsX(60);
    for (QWidget *child : children) {
        auto *label = qobject_cast<QLabel *>(child);
        if (!label || label->isHidden() || label->wordWrap())
            continue;
        const int wanted = label->sizeHint().width();
        if (wanted <= label->width())
            continue;
        const int oldRight = label->x() + label->width();
        int neighbour = INT_MAX;
        for (const QWidget *other : children)
            if (other != label && !other->isHidden() && other->x() >= oldRight &&
                sameRows(label, other))
                neighbour = std::min(neighbour, other->x());
        label->resize(wanted, label->height());
        if (neighbour == INT_MAX)
            continue;
        const int shift = label->x() + wanted + gap - neighbour;
        if (shift <= 0)
            continue;
        for (QWidget *other : children)
            if (other != label && other->x() >= oldRight)
                other->move(other->x() + shift, other->y());
    }
}

// Buttons and check boxes grow to their text, never over a neighbour on the right;
// buttons standing in one column keep one width.
void fitButtons(const QList<QWidget *> &children)
{
    QHash<int, int> columnWidth; // left edge of a column of buttons -> its width
    for (QWidget *child : children)
        if (qobject_cast<QPushButton *>(child) && !child->isHidden())
            columnWidth[child->x()] = std::max(
                {columnWidth.value(child->x()), child->width(), child->sizeHint().width()});
    const auto room = [&](const QWidget *w) {
        int limit = INT_MAX;
        for (const QWidget *other : children)
            if (other != w && !other->isHidden() && other->x() >= w->x() + w->width() &&
                sameRows(w, other))
                limit = std::min(limit, other->x() - w->x() - 2);
        return limit;
    };
    for (QWidget *child : children) {
        int wanted = child->width();
        if (qobject_cast<QPushButton *>(child))
            wanted = columnWidth.value(child->x(), wanted);
        else if (qobject_cast<QCheckBox *>(child) || qobject_cast<QRadioButton *>(child))
            wanted = std::max(wanted, child->sizeHint().width());
        wanted = std::max(child->width(), std::min(wanted, room(child)));
        if (wanted != child->width())
            child->resize(wanted, child->height());
    }
}

} // namespace

int fitTextsInTwipsContent(QWidget *container)
{
    const QList<QWidget *> children =
        container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    const int before = contentRight(children);
    fitLabels(children);
    fitButtons(children);
    return std::max(0, contentRight(children) - before);
}

void fitTextsInTwipsLayout(QWidget *form)
{
    fitTextsInTwipsContent(form);
    const int width = contentRight(form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) - 1 +
                      twipsToPixelsX(120);
    if (width <= form->width())
        return;
    if (form->minimumSize() == form->maximumSize())
        form->setFixedSize(width, form->height());
    else
        form->resize(width, form->height());
}

} // namespace kordavel

namespace kordavel {

void placeInTwips(QWidget *widget, double left, double top, double width, double height)
{
    widget->setGeometry(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
                        twipsToPixelsY(height));
}

} // namespace kordavel
