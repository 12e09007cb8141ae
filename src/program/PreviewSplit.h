// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kordavel {

// How a program window's text area shares its width with the preview beside it, in pixels:
// the text, the handle between the two, and the preview at the right.
struct PreviewSplit {
    int text = 0;
    int handle = 0;
    int preview = 0;
};

// The preview takes the share of the area (0 to 1) the user gave it, at least
// minPreview, and leaves the text at least kMinText; an area too narrow for both halves
// between them. No width is ever negative and the three fill the area.
PreviewSplit splitForPreview(int area, double share, int minPreview);

inline constexpr int kPreviewHandle = 6;
inline constexpr int kMinText = 160;

} // namespace kordavel
