// Receiving a program that a simulated machine punches out, in ISO and EIA code, into a
// window that already holds text.
#include "E2eSession.h"

#include <QRadioButton>

using namespace kordavel;
using namespace kordavel::test;

class TstE2eReceive : public QObject {
    Q_OBJECT
private slots:
    void appendsToExistingText_data();
    void appendsToExistingText();
};

void TstE2eReceive::appendsToExistingText_data()
{
    QTest::addColumn<bool>("eia");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QByteArray>("punched");
    QTest::addColumn<QString>("expected");
    // Four bytes a chunk: two steps find a CR without its LF.
    QTest::newRow("ISO, line ends split between chunks")
        << false << 4 << QByteArray("N20\r\nN30 X1\r\nM30\r\n")
        << "N10 G00\r\nN20\r\nN30 X1\r\nM30\r\n";
    QTest::newRow("EIA") << true << 3 << QByteArray("N20 X1\nN30 M30\n")
                         << "N10 G00\r\nN20 X1\r\nN30 M30\r\n";
}

void TstE2eReceive::appendsToExistingText()
{
    QFETCH(bool, eia);
    QFETCH(int, chunk);
    QFETCH(QByteArray, punched);
    QFETCH(QString, expected);
    E2eSession s;
    frmProgram *p = s.program();
    p->picControl->controls->optFormat[eia ? 1 : 0]->setChecked(true);
    p->rtfText->setText(QStringLiteral("N10 G00\r\n"));
    p->rtfText->select(0, 3);
    p->rtfText->setSelBold(true);
    s.trigger("mnuCommunicationReceive");
    QCOMPARE(p->actAction, qint32(actReceive));
    QVERIFY(s.frame->buttonValue(QStringLiteral("Receive")));
    QCOMPARE(E2eSession::panel(p, 1), QStringLiteral("Receive"));
    QVERIFY(p->rtfText->locked());
    // A chunk every 250 ms, a step every 400 ms.
    s.machine1.punch(punched, eia, chunk, 250);
    QTRY_VERIFY_WITH_TIMEOUT(s.machine1.punchDone(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(p->rtfText->text(), expected, 5000);
    QCOMPARE(E2eSession::panel(p, 2), QString::number(expected.size()));
    QCOMPARE(p->rtfText->selStart(), int(expected.size()));
    // Receiving never ends by itself; the same command stops it.
    QCOMPARE(p->actAction, qint32(actReceive));
    s.trigger("mnuCommunicationReceive");
    QCOMPARE(p->actAction, qint32(actIdle));
    QVERIFY(!E2eSession::portOpen(p));
    QVERIFY(!s.frame->buttonValue(QStringLiteral("Receive")));
    QCOMPARE(p->rtfText->text(), expected);
    // The text was set anew: the old formatting is gone.
    p->rtfText->select(0, 3);
    QCOMPARE(p->rtfText->selBold(), RichTextBox::TriState::None);
    QVERIFY(p->isModified());
}

QTEST_MAIN(TstE2eReceive)
#include "tst_e2e_receive.moc"
