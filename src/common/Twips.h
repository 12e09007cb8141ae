// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kordavel {

// Lengths in twips, 1440 to the inch, converted with the screen's logical dots per inch.
// Pixels saturate at a quarter of the int range.
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
double pixelsToTwipsX(int pixels);
double pixelsToTwipsY(int pixels);
// Places a control by its left, top, width and height in twips.
void placeInTwips(QWidget *widget, double left, double top, double width, double height);

// Controls placed in twips that are too narrow for their text in the current language and
// font: a single-line label widens, and what stands to its right moves over as far as it
// must, keeping its column; buttons, check boxes and options grow to the right, never over
// a neighbour, and buttons standing in one column keep one width. Answers how far the
// right edge of the content moved; the container keeps its size.
int fitTextsInTwipsContent(QWidget *container);

// The same for a form, which then grows to hold its content.
void fitTextsInTwipsLayout(QWidget *form);

} // namespace kordavel
