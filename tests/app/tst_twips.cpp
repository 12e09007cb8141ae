// Forms laid out in twips: texts of another language that do not fit make their buttons
// and check boxes wider, never over a neighbour, and the form grows with them.
#include "app/Twips.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kordavel;

class TstTwips : public QObject {
    Q_OBJECT
private slots:
    void conversionsRoundTrip();
    void textsThatDoNotFitGrow();
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

QTEST_MAIN(TstTwips)
#include "tst_twips.moc"
