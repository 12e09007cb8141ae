// Forms laid out in twips: texts of another language that do not fit make their labels,
// buttons and check boxes wider, never over a neighbour, and the form grows with them.
#include "common/Twips.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kordavel;

class TstTwips : public QObject {
    Q_OBJECT
private slots:
    void conversionsRoundTrip();
    void textsThatDoNotFitGrow();
    void longLabelMovesItsColumnOver();
};

void TstTwips::conversionsRoundTrip()
{
    for (int px : {0, 1, 15, 96, 1000, 1919})
        QCOMPARE(twipsToPixelsX(pixelsToTwipsX(px)), px);
    QCOMPARE(twipsToPixelsY(1440), twipsToPixelsX(1440)); // square dots on this screen
}

void TstTwips::textsThatDoNotFitGrow()
{
    QDialog form;
    form.setFixedSize(twipsToPixelsX(3000), twipsToPixelsY(1500));
    auto *first = new QPushButton(QStringLiteral("A much longer caption than fits"), &form);
    auto *second = new QPushButton(QStringLiteral("OK"), &form);
    auto *check = new QCheckBox(QStringLiteral("A check box whose text is long"), &form);
    auto *box = new QLineEdit(&form);
    placeInTwips(first, 1800, 100, 900, 372);
    placeInTwips(second, 1800, 600, 900, 372);
    placeInTwips(check, 100, 1000, 900, 300);
    placeInTwips(box, 1500, 1000, 600, 300);
    const int checkWidth = check->width();

    fitTextsInTwipsLayout(&form);
    QVERIFY(first->width() >= first->sizeHint().width());
    QCOMPARE(second->width(), first->width()); // one column, one width
    QCOMPARE(first->x(), twipsToPixelsX(1800));
    QVERIFY(form.width() > first->geometry().right());
    QCOMPARE(form.minimumSize(), form.maximumSize()); // still of fixed size
    QVERIFY(check->width() > checkWidth);
    QVERIFY(check->geometry().right() < box->x()); // not over its neighbour
}

// A label too narrow for its caption widens; the column to its right moves over as a
// whole, as far as it must, and the form grows to hold it.
void TstTwips::longLabelMovesItsColumnOver()
{
    QDialog form;
    form.setFixedSize(twipsToPixelsX(3000), twipsToPixelsY(1500));
    auto *label = new QLabel(QStringLiteral("A caption far longer than its place"), &form);
    auto *shortLabel = new QLabel(QStringLiteral("Two:"), &form);
    auto *first = new QLineEdit(&form);
    auto *second = new QLineEdit(&form);
    placeInTwips(label, 100, 100, 900, 300);
    placeInTwips(shortLabel, 100, 600, 900, 300);
    placeInTwips(first, 1100, 100, 1200, 300);
    placeInTwips(second, 1100, 600, 1200, 300);

    fitTextsInTwipsLayout(&form);
    QCOMPARE(label->width(), label->sizeHint().width());
    QVERIFY(label->geometry().right() < first->x());
    QVERIFY(first->x() - label->geometry().right() <= twipsToPixelsX(60) + 1); // no further
    QCOMPARE(second->x(), first->x());
    QCOMPARE(shortLabel->x(), twipsToPixelsX(100));
    QVERIFY(form.width() > second->geometry().right());
}

QTEST_MAIN(TstTwips)
#include "tst_twips.moc"
