// SPDX-License-Identifier: GPL-3.0-or-later
// Twips to pixels and back, the saturation of lengths no screen holds, and forms whose texts
// in another language do not fit: labels, buttons and check boxes widen, never over a
// neighbour, a label's right-hand column moves over as a whole, and the form grows.
#include "common/Twips.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <climits>
#include <limits>

using namespace kordavel;

class TstTwips : public QObject {
    Q_OBJECT
private slots:
    void conversions();
    void textsThatDoNotFitGrow();
};

void TstTwips::conversions()
{
    for (int px : {0, 1, 15, 96, 1000, 1919, -7})
        QCOMPARE(twipsToPixelsX(pixelsToTwipsX(px)), px);
    QCOMPARE(twipsToPixelsY(1440), twipsToPixelsX(1440)); // square dots on this screen
    QCOMPARE(twipsToPixelsX(1e30), INT_MAX / 4);
    QCOMPARE(twipsToPixelsY(-1e30), -(INT_MAX / 4));
    QCOMPARE(twipsToPixelsX(std::numeric_limits<double>::quiet_NaN()), 0);
}

void TstTwips::textsThatDoNotFitGrow()
{
    QDialog form;
    form.setFixedSize(twipsToPixelsX(3000), twipsToPixelsY(2000));
    auto *label = new QLabel(QStringLiteral("A caption far longer than its place"), &form);
    auto *shortLabel = new QLabel(QStringLiteral("Two:"), &form);
    auto *first = new QLineEdit(&form);
    auto *second = new QLineEdit(&form);
    auto *button = new QPushButton(QStringLiteral("A much longer caption than fits"), &form);
    auto *ok = new QPushButton(QStringLiteral("OK"), &form);
    auto *check = new QCheckBox(QStringLiteral("A check box whose text is long"), &form);
    auto *box = new QLineEdit(&form);
    placeInTwips(label, 100, 100, 900, 300);
    placeInTwips(shortLabel, 100, 500, 900, 300);
    placeInTwips(first, 1100, 100, 600, 300);
    placeInTwips(second, 1100, 500, 600, 300);
    placeInTwips(button, 1800, 100, 900, 372);
    placeInTwips(ok, 1800, 600, 900, 372);
    placeInTwips(check, 100, 1400, 900, 300);
    placeInTwips(box, 1500, 1400, 600, 300);
    const int checkWidth = check->width();

    fitTextsInTwipsLayout(&form);
    QCOMPARE(label->width(), label->sizeHint().width());
    QVERIFY(label->geometry().right() < first->x());
    QVERIFY(first->x() - label->geometry().right() <= twipsToPixelsX(60) + 1); // no further
    QCOMPARE(second->x(), first->x());
    QCOMPARE(shortLabel->x(), twipsToPixelsX(100));
    QVERIFY(button->width() >= button->sizeHint().width());
    QCOMPARE(ok->width(), button->width()); // one column, one width
    QVERIFY(button->x() > first->geometry().right());
    QVERIFY(check->width() > checkWidth);
    QVERIFY(check->geometry().right() < box->x()); // not over its neighbour
    QVERIFY(form.width() > button->geometry().right());
    QCOMPARE(form.minimumSize(), form.maximumSize()); // still of fixed size
}

QTEST_MAIN(TstTwips)
#include "tst_twips.moc"
