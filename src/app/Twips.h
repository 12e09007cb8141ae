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

// Buttons and check boxes placed in twips that are too narrow for their text in the current
// language and font grow to the right, never over a neighbour; buttons standing in one
// column keep one width. The form grows with them.
void fitTextsInTwipsLayout(QWidget *form);

} // namespace kordavel
