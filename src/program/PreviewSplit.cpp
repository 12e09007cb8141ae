// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreviewSplit.h"

#include <algorithm>
#include <cmath>

namespace kordavel {

PreviewSplit splitForPreview(int area, double share, int minPreview)
{
    PreviewSplit out;
    if (area <= kPreviewHandle) {
        out.text = std::max(0, area);
        return out;
    }
    out.handle = kPreviewHandle;
    const int room = area - kPreviewHandle;
    const double wanted = std::isfinite(share) ? std::clamp(share, 0.0, 1.0) * area : 0.0;
    const int most = room - kMinText;
    if (most < minPreview)
        out.preview = room / 2;
    else
        out.preview = std::clamp(int(std::lround(wanted)), minPreview, most);
    out.text = room - out.preview;
    return out;
}

} // namespace kordavel
