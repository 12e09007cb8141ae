#pragma once

class QWidget;

namespace kordavel {

// Lengths in twips, 1440 to the inch, converted with the screen's logical dots per inch.
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
double pixelsToTwipsX(int pixels);
double pixelsToTwipsY(int pixels);
// Places a control by its left, top, width and height in twips.
void placeInTwips(QWidget *widget, double left, double top, double width, double height);

} // namespace kordavel
