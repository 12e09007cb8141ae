// SPDX-License-Identifier: GPL-3.0-or-later
// Sending from a program window to a simulated machine, byte for byte on the machine's
// side: whole program, selection, EIA, time left, two windows at once with restarts during
// the pause, Escape, a port that is gone, and a machine that goes away mid-send or
// mid-receive. The last bytes leave before the port closes; a stop discards them. The step
// itself (progress, pieces) is checked in tst_program, XOFF/XON in the dnc tests.
#include "E2eSession.h"

#include <QRadioButton>

using namespace kordavel;
using namespace kordavel::test;

class TstE2eSend : public QObject {
    Q_OBJECT
private slots:
    void sendsExactBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<bool>("eia");
        QTest::addColumn<QByteArray>("wire");
        // The time left after the second line, when checked, that many ms after the first.
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<QString>("timeLeft");
        const QString program = QStringLiteral("G01 X10\r\nM30");
        QTest::newRow("whole program")
            << program << 0 << 0 << false << QByteArray("G01 X10\r\nM30\r\n") << qint64(0) << "";
        // G01 X10 LF M30 LF LF in EIA code: CR is left out.
        QTest::newRow("EIA, last line with its line end")
            << program + "\r\n"
            << 0 << 0 << true
            << QByteArray("\x67\x20\x01\x10\x37\x01\x20\x00\x54\x13\x20\x00\x00", 13) << qint64(0)
            << "";
        QTest::newRow("selection across a line end")
            << "N1 G0\r\nN2 X5\r\nN3 M30" << 3 << 8 << false << QByteArray("G0\r\nN2 X\r\n")
            << qint64(0) << "";
        // 18 characters sent, 3 to go: a sixth of the time so far.
        const QString three = QStringLiteral("G01 X10\r\nG01 X20\r\nM30");
        const QByteArray threeWire("G01 X10\r\nG01 X20\r\nM30\r\n");
        QTest::newRow("time left in minutes")
            << three << 0 << 0 << false << threeWire << qint64(30000) << "00:05";
        QTest::newRow("time left from an hour on")
            << three << 0 << 0 << false << threeWire << qint64(21599000) << "1:00:00";
    }

    void sendsExactBytes()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(bool, eia);
        QFETCH(QByteArray, wire);
        QFETCH(qint64, elapsed);
        QFETCH(QString, timeLeft);
        E2eSession s;
        frmProgram *p = s.program();
        p->picControl->controls->optFormat[eia ? 1 : 0]->setChecked(true);
        p->rtfText->setText(text);
        p->rtfText->select(selStart, selLength);
        s.trigger("mnuCommunicationSend");
        QCOMPARE(p->actAction, qint32(actSend));
        QVERIFY(p->rtfText->locked() && !p->picControl->isEnabled());
        QVERIFY(s.frame->buttonValue(QStringLiteral("Send")));
        if (!timeLeft.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(E2eSession::panel(p, 2), QStringLiteral("9"), 10000);
            QCOMPARE(E2eSession::panel(p, 3), QString()); // no rate before the clock moves
            s.transferNow = elapsed;
            QTRY_COMPARE_WITH_TIMEOUT(E2eSession::panel(p, 2), QStringLiteral("18"), 10000);
            QCOMPARE(E2eSession::panel(p, 3), timeLeft);
        }
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
        QCOMPARE(s.machine1.received, wire);
        // Back to idle, the caret at the region's start.
        QVERIFY(s.idle(p));
        QCOMPARE(p->rtfText->text(), text);
        QCOMPARE(p->rtfText->selStart(), selStart);
        QCOMPARE(p->rtfText->selLength(), 0);
        QCOMPARE(s.terminal.calls(), (QStringList{"drain", "close"}));
    }

    // The second window starts during the first one's pause; a second Send (menu or toolbar)
    // or a Receive during a window's own pause does nothing: each machine gets its program, or
    // the selection, once.
    void twoWindowsTwoMachines()
    {
        E2eSession s;
        frmProgram *p1 = s.program();
        p1->rtfText->setText(QStringLiteral("O1001\r\nG01 X1\r\nM30"));
        p1->rtfText->select(7, 6); // the second line
        frmProgram *p2 = s.frame->NewProgramWindow(0);
        QVERIFY(selectPort(p2, kPort2));
        p2->rtfText->setText(QStringLiteral("O2002\r\nG02 Y2\r\nG03 Z3\r\nM30"));
        QMdiSubWindow *sub1 = qobject_cast<QMdiSubWindow *>(p1->parentWidget());
        QMdiSubWindow *sub2 = qobject_cast<QMdiSubWindow *>(p2->parentWidget());
        bool restarted = false;
        s.pauseHeld = true;
        // Inside the first window's pause, then inside both.
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                QCOMPARE(p1->actAction, qint32(actIdle));
                QCOMPARE(p2->actAction, qint32(actIdle));
                // Both pauses end once this returns; a restart would pause anew and send again.
                s.pauseHeld = false;
                s.trigger("mnuCommunicationSend"); // in the second window
                s.frame->mdiArea()->setActiveSubWindow(sub1);
                p1->Send();
                p1->Receive();
                s.frame->toolbarClick(QStringLiteral("Send"));
                restarted = true;
            });
            s.frame->mdiArea()->setActiveSubWindow(sub2);
            s.trigger("mnuCommunicationSend");
        });
        s.frame->mdiArea()->setActiveSubWindow(sub1);
        s.trigger("mnuCommunicationSend");
        QVERIFY(restarted);
        QTRY_VERIFY_WITH_TIMEOUT(p1->actAction == actSend || !s.machine1.received.isEmpty(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(p2->actAction == actSend || !s.machine2.received.isEmpty(), 5000);
        // Switching windows shows each window's own state.
        s.frame->mdiArea()->setActiveSubWindow(sub1);
        QCOMPARE(s.frame->buttonValue(QStringLiteral("Send")), p1->actAction == actSend);
        QTRY_VERIFY_WITH_TIMEOUT(p1->actAction == actIdle && p2->actAction == actIdle, 20000);
        QCOMPARE(s.machine1.received, QByteArray("G01 X1\r\n"));
        QCOMPARE(s.machine2.received, QByteArray("O2002\r\nG02 Y2\r\nG03 Z3\r\nM30\r\n"));
    }

    void escapeStops_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("in the text") << "rtfText";
        QTest::newRow("in the remote pane") << "rtfRemote";
        QTest::newRow("in the window") << "window";
    }

    void escapeStops()
    {
        QFETCH(QString, where);
        E2eSession s;
        frmProgram *p = s.program();
        const QString program = QStringLiteral("N10 G01 X1\r\nN20 G01 X2\r\nN30 M30\r\n");
        p->rtfText->setText(program);
        s.trigger("mnuCommunicationSend");
        QTRY_VERIFY_WITH_TIMEOUT(s.machine1.received.count('\n') >= 1, 10000);
        QWidget *target = where == QLatin1String("rtfText") ? static_cast<QWidget *>(p->rtfText)
                          : where == QLatin1String("rtfRemote")
                              ? static_cast<QWidget *>(p->rtfRemote)
                              : static_cast<QWidget *>(p);
        QTest::keyClick(target, Qt::Key_Escape);
        QVERIFY(s.idle(p));
        // What left is whole lines from the start, without the closing line end.
        const QByteArray got = s.machine1.received;
        QVERIFY(got.size() < program.size());
        QVERIFY(program.toLatin1().startsWith(got));
        QVERIFY(got.endsWith("\r\n"));
        QCOMPARE(s.terminal.calls(), (QStringList{"discard", "close"}));
    }

    void missingPortShowsErrorAndStaysIdle()
    {
        E2eSession s;
        frmProgram *p = s.program();
        // The machine's device goes away after the window chose its port.
        SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(kPort1),
                    s.folders.file(QStringLiteral("no-such-device")));
        p->rtfText->setText(QStringLiteral("G01 X10\r\nM30"));
        for (const char *entry : {"mnuCommunicationSend", "mnuCommunicationReceive"}) {
            s.trigger(entry);
            QCOMPARE(s.dialogs.lastIcon, MsgIcon::Exclamation);
            QVERIFY(p->actAction == actIdle && p->ucDnc1->Action() == actIdle);
            QVERIFY(!p->rtfText->locked() && p->picControl->isEnabled());
            QVERIFY(!s.frame->buttonValue(QStringLiteral("Send")));
        }
        QCOMPARE(s.dialogs.messages.size(), 2);
        QVERIFY(s.machine1.received.isEmpty());
        // The window stays editable: typing goes in.
        p->rtfText->setSelStart(0);
        QTest::keyClicks(p->rtfText, QStringLiteral("n5 "));
        QVERIFY(p->rtfText->text().startsWith(QStringLiteral("N5 G01")));
    }

    void lostDeviceEndsTheTransfer_data()
    {
        QTest::addColumn<bool>("receive");
        QTest::newRow("mid-send") << false;
        QTest::newRow("mid-receive") << true;
    }

    // The machine's end of the line closes: one message, and the window ends the transfer as a
    // stop does. In a receive every byte that arrived goes into the text, also those that no
    // step has taken yet.
    void lostDeviceEndsTheTransfer()
    {
        QFETCH(bool, receive);
        E2eSession s;
        frmProgram *p = s.program();
        p->rtfText->setText(QStringLiteral("N10 G01 X1\r\nN20 G01 X2\r\nN30 M30\r\n"));
        s.trigger(receive ? "mnuCommunicationReceive" : "mnuCommunicationSend");
        QCOMPARE(p->actAction, receive ? qint32(actReceive) : qint32(actSend));
        if (receive) {
            p->tEvent->stop();
            s.machine1.punch("N40 X4\r\n", 64, 1);
            QTRY_COMPARE(E2eSession::panel(p, 0), QStringLiteral("Receiving"));
            s.machine1.hangUp();
        } else {
            s.machine1.onData = [&] { s.machine1.hangUp(); };
        }
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 10000);
        QCOMPARE(s.dialogs.messages, QStringList{"The comm device is no longer there"});
        QVERIFY(s.idle(p));
        if (receive)
            QCOMPARE(p->rtfText->text(),
                     QStringLiteral("N10 G01 X1\r\nN20 G01 X2\r\nN30 M30\r\nN40 X4\r\n"));
    }
};

QTEST_MAIN(TstE2eSend)
#include "tst_e2e_send.moc"
