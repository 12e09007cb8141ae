#include "Twips.h"

#include <QCheckBox>
#include <QHash>
#include <QPushButton>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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

int twipsToPixelsX(double twips)
{
    return int(std::lround(twips * dpiX() / 1440.0));
}

int twipsToPixelsY(double twips)
{
    return int(std::lround(twips * dpiY() / 1440.0));
}

double pixelsToTwipsX(int pixels)
{
    return pixels * 1440.0 / dpiX();
}

double pixelsToTwipsY(int pixels)
{
    return pixels * 1440.0 / dpiY();
}

void fitTextsInTwipsLayout(QWidget *form)
{
    const QList<QWidget *> children = form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    QHash<int, int> columnWidth; // left edge of a column of buttons -> its width
    for (QWidget *child : children)
        if (qobject_cast<QPushButton *>(child) && !child->isHidden())
            columnWidth[child->x()] = std::max(
                {columnWidth.value(child->x()), child->width(), child->sizeHint().width()});
    // Never over a neighbour on the right.
    const auto room = [&](const QWidget *w) {
        int limit = INT_MAX;
        for (const QWidget *other : children)
            if (other != w && !other->isHidden() && other->x() >= w->x() + w->width() &&
                other->y() < w->y() + w->height() && w->y() < other->y() + other->height())
                limit = std::min(limit, other->x() - w->x() - 2);
        return limit;
    };
    QRect used;
    for (QWidget *child : children) {
        int wanted = child->width();
        if (qobject_cast<QPushButton *>(child))
            wanted = columnWidth.value(child->x(), wanted);
        else if (qobject_cast<QCheckBox *>(child))
            wanted = std::max(wanted, child->sizeHint().width());
        wanted = std::max(child->width(), std::min(wanted, room(child)));
        if (wanted != child->width())
            child->resize(wanted, child->height());
        if (!child->isHidden())
            used |= child->geometry();
    }
    const int width = used.right() + twipsToPixelsX(120);
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
