// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlacement.h"

namespace kordavel {

QRect cascadePlace(const QRect &area, const QSize &size, const std::optional<QPoint> &previous,
                   int step)
{
    QRect place(area.topLeft(), size.boundedTo(area.size()));
    if (previous) {
        const QRect next = place.translated(*previous + QPoint(step, step) - area.topLeft());
        if (area.contains(next))
            place = next;
    }
    return place;
}

} // namespace kordavel
