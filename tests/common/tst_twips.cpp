// SPDX-License-Identifier: GPL-3.0-or-later
// Twips to pixels and back, and the saturation of lengths no screen holds. Forms whose texts
// in another language do not fit are checked on the real forms (checkCaptionsFit).
#include "common/Twips.h"

#include <QtTest>

#include <climits>
#include <limits>

using namespace kordavel;

class TstTwips : public QObject {
    Q_OBJECT
private slots:
    void conversions()
    {
        for (int px : {0, 1, 15, 96, 1000, 1919, -7})
            QCOMPARE(twipsToPixelsX(pixelsToTwipsX(px)), px);
        QCOMPARE(twipsToPixelsY(1440), twipsToPixelsX(1440)); // square dots on this screen
        QCOMPARE(twipsToPixelsX(1e30), INT_MAX / 4);
        QCOMPARE(twipsToPixelsY(-1e30), -(INT_MAX / 4));
        QCOMPARE(twipsToPixelsX(std::numeric_limits<double>::quiet_NaN()), 0);
    }
};

QTEST_MAIN(TstTwips)
#include "tst_twips.moc"
