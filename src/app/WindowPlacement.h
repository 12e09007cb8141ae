// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include <optional>

namespace kordavel {

// Where a new program window of `size` goes in an area: `step` right of and below the
// previous window, as the platform's MDI default cascades, or at the area's top left when
// there is none or it would not fit there whole. The size shrinks to the area's at most.
QRect cascadePlace(const QRect &area, const QSize &size, const std::optional<QPoint> &previous,
                   int step);

} // namespace kordavel
