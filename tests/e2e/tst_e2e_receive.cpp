// SPDX-License-Identifier: GPL-3.0-or-later
// Receiving a program that a simulated machine punches out, in ISO and EIA code, into a
// window that already holds text; the receive ends by hand, after the line of the closing %,
// or after 5 s of quiet.
#include "E2eSession.h"

#include <QRadioButton>

using namespace kordavel;
using namespace kordavel::test;

class TstE2eReceive : public QObject {
    Q_OBJECT
private slots:
    void appendsToExistingText_data()
    {
        QTest::addColumn<QByteArray>("punched");
        QTest::addColumn<QString>("shown"); // the text ends so before the stop
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("eia");
        QTest::addColumn<int>("receiveEnd"); // 0 by hand, 1 at the closing %, 2 after 5 s quiet
        // Four bytes a chunk: two steps find a CR without its LF.
        QTest::newRow("ISO, line ends split between chunks")
            << QByteArray("N20\r\nN30 X1\r\nM30\r\n") << "M30\r\n"
            << "N10 G00\r\nN20\r\nN30 X1\r\nM30\r\n"
            << false << 0;
        // The last CR is held back by the step; the stop takes it.
        QTest::newRow("stopped with the last line end held") << QByteArray("N20\rN30\r") << "N30"
                                                             << "N10 G00\r\nN20\r\nN30\r\n"
                                                             << false << 0;
        // "N20 X1", LF, "N30 M30", LF in EIA code.
        QTest::newRow("EIA") << QByteArray(
                                    "\x45\x02\x20\x10\x37\x01\x00\x45\x13\x20\x10\x54\x13\x20\x00",
                                    15)
                             << "M30\r\n"
                             << "N10 G00\r\nN20 X1\r\nN30 M30\r\n"
                             << true << 0;
        // The second % received ends it with its line.
        QTest::newRow("ends after the closing %")
            << QByteArray("%\r\nN20\r\nM30\r\n%\r\n") << "M30\r\n%\r\n"
            << "N10 G00\r\n%\r\nN20\r\nM30\r\n%\r\n"
            << false << 1;
        QTest::newRow("ends after 5 s quiet") << QByteArray("N20\r\nM30\r\n") << "M30\r\n"
                                              << "N10 G00\r\nN20\r\nM30\r\n"
                                              << false << 2;
    }

    void appendsToExistingText()
    {
        QFETCH(QByteArray, punched);
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QFETCH(bool, eia);
        QFETCH(int, receiveEnd);
        E2eSession s;
        frmProgram *p = s.program();
        p->picControl->controls->optFormat[eia ? 1 : 0]->setChecked(true);
        p->picControl->controls->cboReceiveEnd->setCurrentIndex(receiveEnd);
        p->rtfText->setText(QStringLiteral("N10 G00\r\n"));
        p->rtfText->select(0, 3);
        p->rtfText->setSelBold(true);
        s.trigger("mnuCommunicationReceive");
        QCOMPARE(p->actAction, qint32(actReceive));
        QVERIFY(s.frame->buttonValue(QStringLiteral("Receive")));
        QCOMPARE(E2eSession::panel(p, 1), QStringLiteral("Receive"));
        QVERIFY(p->rtfText->locked());
        // Quiet before the first byte does not end it.
        s.transferNow += 10000;
        p->tEvent_Timer();
        QCOMPARE(p->actAction, qint32(actReceive));
        // Four bytes every 250 ms, a step every 400 ms.
        s.machine1.punch(punched, 4, 250);
        QTRY_VERIFY_WITH_TIMEOUT(s.machine1.punchDone(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(p->rtfText->text().endsWith(shown), 5000);
        const int length = p->rtfText->textLength();
        if (receiveEnd == 0) {
            QCOMPARE(E2eSession::panel(p, 2), QString::number(length));
            QCOMPARE(p->rtfText->selStart(), length);
            // By hand, receiving never ends by itself; the same command stops it.
            QCOMPARE(p->actAction, qint32(actReceive));
            s.trigger("mnuCommunicationReceive");
        } else if (receiveEnd == 2) {
            // Every byte came at the same reading of the clock.
            s.transferNow += 4999;
            p->tEvent_Timer();
            QCOMPARE(p->actAction, qint32(actReceive));
            s.transferNow += 1;
            p->tEvent_Timer();
        }
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 5000);
        QVERIFY(!E2eSession::portOpen(p));
        QVERIFY(!s.frame->buttonValue(QStringLiteral("Receive")));
        QCOMPARE(p->rtfText->text(), expected);
        // The text was set anew: the old formatting is gone.
        p->rtfText->select(0, 3);
        QCOMPARE(p->rtfText->selBold(), RichTextBox::TriState::None);
        QVERIFY(p->isModified());
    }
};

QTEST_MAIN(TstE2eReceive)
#include "tst_e2e_receive.moc"
