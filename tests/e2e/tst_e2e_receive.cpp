// SPDX-License-Identifier: GPL-3.0-or-later
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
    QTest::addColumn<QByteArray>("punched");
    QTest::addColumn<QString>("shown"); // the text ends so before the stop
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("eia");
    // Four bytes a chunk: two steps find a CR without its LF.
    QTest::newRow("ISO, line ends split between chunks")
        << QByteArray("N20\r\nN30 X1\r\nM30\r\n") << "M30\r\n"
        << "N10 G00\r\nN20\r\nN30 X1\r\nM30\r\n"
        << false;
    // The last CR is held back by the step; the stop takes it.
    QTest::newRow("stopped with the last line end held") << QByteArray("N20\rN30\r") << "N30"
                                                         << "N10 G00\r\nN20\r\nN30\r\n"
                                                         << false;
    // "N20 X1", LF, "N30 M30", LF in EIA code.
    QTest::newRow("EIA") << QByteArray(
                                "\x45\x02\x20\x10\x37\x01\x00\x45\x13\x20\x10\x54\x13\x20\x00", 15)
                         << "M30\r\n"
                         << "N10 G00\r\nN20 X1\r\nN30 M30\r\n"
                         << true;
}

void TstE2eReceive::appendsToExistingText()
{
    QFETCH(QByteArray, punched);
    QFETCH(QString, shown);
    QFETCH(QString, expected);
    QFETCH(bool, eia);
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
    // Four bytes every 250 ms, a step every 400 ms.
    s.machine1.punch(punched, 4, 250);
    QTRY_VERIFY_WITH_TIMEOUT(s.machine1.punchDone(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(p->rtfText->text().endsWith(shown), 5000);
    const int length = p->rtfText->textLength();
    QCOMPARE(E2eSession::panel(p, 2), QString::number(length));
    QCOMPARE(p->rtfText->selStart(), length);
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
