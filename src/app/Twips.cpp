#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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

} // namespace kordavel

namespace kordavel {

void placeInTwips(QWidget *widget, double left, double top, double width, double height)
{
    widget->setGeometry(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
                        twipsToPixelsY(height));
}

} // namespace kordavel
