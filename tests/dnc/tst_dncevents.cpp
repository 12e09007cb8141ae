// SPDX-License-Identifier: GPL-3.0-or-later
// Line events, holds, error reports and the blocking send, through the fake line.
#include "support/DncChannel.h"

#include <QtTest>

using namespace kordavel;
using kordavel::test::Channel;

class TstDncEvents : public QObject {
    Q_OBJECT
private slots:
    // The line-error offsets themselves are checked in tst_dnccodes; here one of them comes
    // through.
    void commEvents_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<QList<qint16>>("status");
        QTest::addColumn<QList<qint16>>("errors");
        const QList<qint16> none;
        QTest::newRow("send threshold") << 1 << QList<qint16>{3} << none;
        QTest::newRow("CTS") << 3 << QList<qint16>{4} << none;
        QTest::newRow("DSR") << 4 << QList<qint16>{5} << none;
        QTest::newRow("CD") << 5 << QList<qint16>{6} << none;
        QTest::newRow("ring") << 6 << QList<qint16>{7} << none;
        QTest::newRow("end of file") << 7 << QList<qint16>{8} << none;
        QTest::newRow("framing error") << 1004 << none << QList<qint16>{16};
    }

    // In every busy state.
    void commEvents()
    {
        QFETCH(int, event);
        QFETCH(QList<qint16>, status);
        QFETCH(QList<qint16>, errors);
        for (int state = 1; state <= 3; ++state) {
            Channel c;
            c.dnc->setAction(state);
            c.line->receive("N10");
            c.status.clear();
            c.line->raiseEvent(qint16(event));
            QCOMPARE(c.status, status);
            QCOMPARE(c.errors, errors);
            // Line errors neither stop the transfer nor lose received text.
            QCOMPARE(c.dnc->Action(), state);
            if (state == 2)
                QCOMPARE(c.dnc->Receive(), QStringLiteral("N10"));
        }
    }

    // What a chunk of data reports depends on the state.
    void dataStatus()
    {
        const QList<qint16> expected[] = {{3}, {2}, {}};
        for (int state = 1; state <= 3; ++state) {
            Channel c;
            c.dnc->setXOnXOff(true);
            c.dnc->setAction(state);
            c.line->receive(QByteArray(1, 19));
            QCOMPARE(c.status, expected[state - 1]);
        }
    }

    void ctsAndDsrHolds_data()
    {
        QTest::addColumn<bool>("dsr"); // false: CTS with RTSCTS, true: DSR with DTRDTS
        QTest::addColumn<bool>("option");
        QTest::newRow("CTS, RTSCTS on") << false << true;
        QTest::newRow("CTS, RTSCTS off") << false << false;
        QTest::newRow("DSR, DTRDTS on") << true << true;
        QTest::newRow("DSR, DTRDTS off") << true << false;
    }

    void ctsAndDsrHolds()
    {
        QFETCH(bool, dsr);
        QFETCH(bool, option);
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setRTSCTS(!dsr && option);
        dnc.setDTRDTS(dsr && option);
        dnc.setAction(1);
        auto drop = [&](bool on) { dsr ? c.line->setDsr(on) : c.line->setCts(on); };
        auto held = [&] { return dsr ? dnc.DsrHeld() : dnc.CtsHeld(); };

        drop(false);
        QCOMPARE(c.status, QList<qint16>{qint16(dsr ? 5 : 4)});
        QCOMPARE(held(), option);
        // A held send waits in the event loop until the line comes back.
        bool sentWhileHeld = false;
        if (option)
            c.later(0, [&] {
                sentWhileHeld = !c.line->writes.isEmpty();
                drop(true);
            });
        dnc.Send(QStringLiteral("N1\r\n"));
        QVERIFY(!sentWhileHeld);
        QCOMPARE(c.line->written(), QByteArray("N1\r\n"));
        QVERIFY(!held());
        QVERIFY(!dnc.SendInProgress());
    }

    // Wait for XOn holds the first send even without XON/XOFF while RTS/CTS is on: only a stop
    // ends it. With neither option it has no effect.
    void waitXOn_data()
    {
        QTest::addColumn<bool>("rtsCts");
        QTest::newRow("RTS/CTS, waits for a stop") << true;
        QTest::newRow("no handshake, sends") << false;
    }

    void waitXOn()
    {
        QFETCH(bool, rtsCts);
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setWaitXOn(true);
        dnc.setRTSCTS(rtsCts);
        dnc.setAction(1);
        QVERIFY(dnc.XOffHeld());
        bool waited = false;
        c.later(20, [&] {
            waited = dnc.SendInProgress() && c.line->writes.isEmpty();
            dnc.setAction(0);
        });
        dnc.Send(QStringLiteral("N1\r\n"));
        QVERIFY(!dnc.SendInProgress());
        QVERIFY(c.errors.isEmpty()); // a stop is no failure
        QCOMPARE(waited, rtsCts);
        QCOMPARE(c.line->written(), rtsCts ? QByteArray() : QByteArray("N1\r\n"));
    }

    void stopEndsDrain()
    {
        Channel c;
        c.line->setAutoDrain(false);
        c.dnc->setRTSCTS(false);
        c.dnc->setAction(1);
        c.later(5, [&] { c.dnc->setAction(0); });
        c.dnc->Send(QStringLiteral("N1\r\n"));
        QCOMPARE(c.line->written(), QByteArray("N1\r\n"));
        QVERIFY(!c.dnc->SendInProgress());
        QVERIFY(!c.line->PortOpen());
        QVERIFY(c.errors.isEmpty());
    }

    void sendOutsideItsState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("remote");
        QTest::newRow("Send in idle") << 0 << false;
        QTest::newRow("Send in receive") << 2 << false;
        QTest::newRow("Send in remote") << 3 << false;
        QTest::newRow("RemoteSend in send") << 1 << true;
        QTest::newRow("RemoteSend in idle") << 0 << true;
    }

    void sendOutsideItsState()
    {
        QFETCH(int, state);
        QFETCH(bool, remote);
        Channel c;
        c.dnc->setAction(state);
        remote ? c.dnc->RemoteSend(QStringLiteral("N1\r\n"))
               : c.dnc->Send(QStringLiteral("N1\r\n"));
        QVERIFY(c.line->writes.isEmpty());
        QVERIFY(!c.dnc->SendInProgress());
        QVERIFY(c.errors.isEmpty());
    }

    void receiveByState()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setXOnXOff(true);
        dnc.setAction(2);
        c.line->receive(QByteArray("\x13N10 G01\r\n\x11", 12));
        QCOMPARE(c.status, QList<qint16>{2});
        // Flow-control characters stay in received text, NUL bytes included.
        c.line->receive(QByteArray("\0\xe9", 2));
        QCOMPARE(dnc.Receive(),
                 QString::fromLatin1("\x13N10 G01\r\n\x11", 12) + QChar(0) + QChar(0xe9));
        QCOMPARE(dnc.Receive(), QString());
        // Entering receive again discards what was left.
        c.line->receive("M30");
        dnc.setAction(0);
        dnc.setAction(2);
        QCOMPARE(dnc.Receive(), QString());
        // In send the chunk is only looked at for XON/XOFF.
        dnc.setAction(0);
        dnc.setAction(1);
        c.line->receive("N20");
        QCOMPARE(dnc.RemoteReceive(), QString());
    }

    // In EIA code a character above 128 stops its whole piece, reported; the next one goes.
    void eiaPieceThatCannotBeConverted()
    {
        Channel c;
        c.dnc->setEIA(true);
        c.dnc->setAction(1);
        c.dnc->Send(QStringLiteral("G01") + QChar(0xc8) + QStringLiteral("\r\n"));
        c.dnc->Send(QStringLiteral("M30\r\n"));
        QCOMPARE(c.errors, QList<qint16>{0});
        QCOMPARE(c.line->written(), QByteArray("\x54\x13\x20\x00", 4));
    }

    void remoteDropsFlowControlChunks()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setXOnXOff(true);
        dnc.setAction(3);
        c.line->receive("N1\x13");
        c.line->receive("\x11N2");
        QVERIFY(!dnc.XOffHeld());
        c.line->receive("\x13N3");
        QVERIFY(dnc.XOffHeld());
        c.line->receive("\x12");
        QVERIFY(!dnc.XOffHeld());
        c.line->receive("\x14N4");
        QVERIFY(dnc.XOffHeld());
        QCOMPARE(dnc.RemoteReceive(), QStringLiteral("N1\x13"));
        QVERIFY(c.status.isEmpty());
        // Entering remote keeps what was left; entering it never converts.
        c.line->receive("N5");
        dnc.setAction(0);
        dnc.setEIA(true);
        dnc.setAction(3);
        QCOMPARE(dnc.RemoteReceive(), QStringLiteral("N5"));
        dnc.RemoteSend(QStringLiteral("G01 X10\r\n"));
        QCOMPARE(c.line->written(), QByteArray("G01 X10\r\n"));
    }

    void actionStates()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setAction(5);
        dnc.setAction(-1);
        QCOMPARE(dnc.Action(), 0);
        QVERIFY(!c.line->PortOpen());
        dnc.setAction(1);
        QVERIFY(c.line->PortOpen());
        QCOMPARE(c.line->RThreshold(), qint16(1));
        // Another busy state changes without reopening.
        dnc.setAction(2);
        QCOMPARE(dnc.Action(), 2);
        QCOMPARE(c.line->opens, 1);
        dnc.setAction(0);
        QVERIFY(!c.line->PortOpen());
        QCOMPARE(c.line->RThreshold(), qint16(0));
        QCOMPARE(c.line->closes, 1);
        QVERIFY(c.errors.isEmpty());
    }

    // The error offsets of every number are checked in tst_dnccodes.
    void openFailures_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QList<qint16>>("errors");
        QTest::newRow("missing device") << 8002 << QList<qint16>{24};
        QTest::newRow("8017") << 8017 << QList<qint16>{0};
    }

    void openFailures()
    {
        QFETCH(int, number);
        QFETCH(QList<qint16>, errors);
        for (int state = 1; state <= 3; ++state) {
            Channel c;
            c.line->setOpenError(number);
            c.dnc->setAction(state);
            QCOMPARE(c.dnc->Action(), 0);
            QVERIFY(!c.line->PortOpen());
            QCOMPARE(c.errors, errors);
        }
    }

    void writesCarryTheirSettings()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setBaudRate(QStringLiteral("9600"));
        dnc.setRTSCTS(false);
        dnc.setAction(1);
        dnc.Send(QStringLiteral("N1\r\n"));
        dnc.setAction(0);
        dnc.setParity(QStringLiteral("N"));
        dnc.setDataBits(QStringLiteral("8"));
        dnc.setStopBits(QStringLiteral("1"));
        dnc.setRTSCTS(true);
        dnc.setDTRDTS(false);
        dnc.setAction(1);
        dnc.Send(QStringLiteral("N2\r\n"));
        const auto &w = c.line->writes;
        QCOMPARE(w.size(), 2);
        QCOMPARE(w[0].settings, QStringLiteral("9600,e,7,2"));
        QCOMPARE(w[0].handshaking, 0);
        QVERIFY(w[0].dtrEnable);
        QCOMPARE(w[1].settings, QStringLiteral("9600,N,8,1"));
        QCOMPARE(w[1].handshaking, 2);
        QVERIFY(!w[1].dtrEnable);
    }

    void portVanishingIsReportedOnce_data()
    {
        QTest::addColumn<bool>("whileHeld");    // else while draining
        QTest::addColumn<bool>("foundByCount"); // else the line notices by itself
        QTest::newRow("held by XOFF") << true << false;
        QTest::newRow("draining") << false << false;
        QTest::newRow("draining, found by the count") << false << true;
    }

    void portVanishingIsReportedOnce()
    {
        QFETCH(bool, whileHeld);
        QFETCH(bool, foundByCount);
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setXOnXOff(true);
        dnc.setWaitXOn(whileHeld);
        c.line->setAutoDrain(false);
        dnc.setAction(1);
        c.later(5, [&] { foundByCount ? c.line->vanishOnCount() : c.line->vanish(); });
        dnc.Send(QStringLiteral("N1\r\n"));
        QCOMPARE(c.errors, QList<qint16>{403});
        QVERIFY(!dnc.SendInProgress());
        QCOMPARE(dnc.Action(), 0);
        // The window's next pieces end quietly.
        dnc.Send(QStringLiteral("N2\r\n"));
        dnc.Send(QStringLiteral("N3\r\n"));
        QCOMPARE(c.errors, QList<qint16>{403});
        QCOMPARE(c.line->written(), whileHeld ? QByteArray() : QByteArray("N1\r\n"));
    }

    void destroyedDuringSend_data()
    {
        QTest::addColumn<bool>("whileHeld");
        QTest::addColumn<bool>("deferred");
        QTest::newRow("held, deleted") << true << false;
        QTest::newRow("held, deleteLater") << true << true;
        QTest::newRow("draining, deleted") << false << false;
        QTest::newRow("draining, deleteLater") << false << true;
    }

    void destroyedDuringSend()
    {
        QFETCH(bool, whileHeld);
        QFETCH(bool, deferred);
        Channel c;
        c.line->setAutoDrain(false);
        c.dnc->setXOnXOff(true);
        c.dnc->setWaitXOn(whileHeld);
        c.dnc->setAction(1);
        QPointer<ucDnc> dnc = c.dnc;
        // The owning window is closed while the send waits.
        c.later(5, [&] { deferred ? dnc->deleteLater() : delete dnc.data(); });
        // A deferred delete runs once control is back in an event loop.
        if (deferred)
            c.later(10, [&] {
                if (dnc)
                    dnc->setAction(0);
            });
        dnc->Send(QStringLiteral("N1\r\n"));
        QTRY_VERIFY(dnc.isNull());
    }

    // The window closes itself from its error message while a send waits.
    void destroyedByErrorHandler()
    {
        Channel c;
        c.line->setAutoDrain(false);
        c.dnc->setXOnXOff(true);
        c.dnc->setWaitXOn(true);
        c.dnc->setAction(1);
        connect(c.dnc, &ucDnc::ErrorStatus, [&] { delete c.dnc.data(); });
        c.later(5, [&] { c.line->raiseEvent(comEventFrame); });
        c.dnc->Send(QStringLiteral("N1\r\n"));
        QVERIFY(c.dnc.isNull());
    }
};

QTEST_MAIN(TstDncEvents)
#include "tst_dncevents.moc"
