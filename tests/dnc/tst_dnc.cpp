// SPDX-License-Identifier: GPL-3.0-or-later
// The dnc layer: code tables, settings strings, line pace, marked input, receive flow and the
// transfer machine as units; the channel on a fake line (settings, events, holds, errors, the
// blocking send); port names and byte streams through real pseudo-terminals.
#include "common/CodePage.h"
#include "common/SettingsStore.h"
#include "dnc/CodeTables.h"
#include "dnc/LinePace.h"
#include "dnc/LineSettings.h"
#include "dnc/MarkedInput.h"
#include "dnc/PortNames.h"
#include "dnc/ReceiveFlow.h"
#include "dnc/TransferMachine.h"
#include "support/DncChannel.h"
#include "support/PtyMachine.h"
#include "support/TestFolders.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kordavel;
using kordavel::test::Channel;

namespace {

// Writes "Property=value;..." through the channel's setters.
void write(ucDnc &dnc, const QString &writes)
{
    static const QHash<QString, void (ucDnc::*)(const QString &)> setters{
        {QStringLiteral("ComPort"), &ucDnc::setComPort},
        {QStringLiteral("BaudRate"), &ucDnc::setBaudRate},
        {QStringLiteral("DataBits"), &ucDnc::setDataBits},
        {QStringLiteral("StopBits"), &ucDnc::setStopBits},
        {QStringLiteral("Parity"), &ucDnc::setParity}};
    for (const QString &w : writes.split(';'))
        (dnc.*setters.value(w.section('=', 0, 0)))(w.section('=', 1));
}

constexpr int kPort = 7;
constexpr qsizetype kNoLimit = test::PtyMachine::kNoLimit;
// The longest piece sent; the machine keeps room for it.
constexpr qsizetype kLongest = 8 << 20;
// More than the pseudo-terminal holds between the two ends.
constexpr qsizetype kPtyHolds = 1 << 20;

// The first size bytes of a long program, in numbered blocks ending with CR LF.
QByteArray program(qsizetype size)
{
    static const QByteArray text = [] {
        QByteArray blocks;
        blocks.reserve(kLongest + 32);
        for (int n = 10; blocks.size() < kLongest; n += 10)
            blocks += "N" + QByteArray::number(n) + " G01 X" + QByteArray::number(n % 997) + "\r\n";
        return blocks;
    }();
    return text.left(size);
}

// The channel's side of a transfer machine, as a test sets it.
struct FakePort : TransferMachine::Port {
    bool isHeld = false, writeFails = false, isDrained = false, drainFails = false;
    int queued = 0, drains = 0;
    qint64 bound = 1000;
    QByteArray written;
    bool held() const override { return isHeld; }
    bool write(const QByteArray &data) override { return written += data, !writeFails; }
    bool queueEmpty(bool &empty) override { return empty = queued == 0, true; }
    bool startDrain(qint64 &boundMs) override { return ++drains, boundMs = bound, !drainFails; }
    int looks = 0; // how often the drain was looked at
    bool drained() override { return ++looks, isDrained; }
};

// Settings in folders of their own, and the machine at the far end of port 7.
struct OnPty {
    test::TestFolders folders;
    test::PtyMachine pty;
    OnPty() { pty.mapTo(kPort); }
};

} // namespace

class TstDnc : public QObject {
    Q_OBJECT
private slots:
    // Writes "Property=value;..." and the settings string and port that follow; refused writes
    // change nothing.
    void setters_data()
    {
        QTest::addColumn<QString>("writes");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("comPort");
        const auto rows = [](const char *list, const char *port = "COM2") {
            for (const QString &r : QString::fromLatin1(list).split(' ')) // writes>settings
                QTest::newRow(qPrintable(r))
                    << r.section('>', 0, 0) << r.section('>', 1, 1, QString::SectionSkipEmpty)
                    << QString::fromLatin1(port);
        };
        rows("ComPort=COM17> ComPort=0> ComPort=COMX> ComPort=LPT1> ComPort=2.5> ComPort=COM> "
             "ComPort=> BaudRate=14400> BaudRate=4800.5> BaudRate=1000> BaudRate=230400> "
             "BaudRate=fast> DataBits=9> DataBits=3> DataBits=7.5> StopBits=1.25> StopBits=3> "
             "StopBits=two> Parity=Mark> Parity=M> Parity=S> Parity=Space> Parity=");
        rows("ComPort=com5 ComPort=COM5 ComPort=Com5 ComPort=5", "COM5");
        rows("ComPort=3.0", "COM3");
        rows("ComPort=16", "COM16");
        rows("BaudRate=300;BaudRate=1200>1200,e,7,2 BaudRate=110>110,e,7,2 "
             "BaudRate=9600>9600,e,7,2 BaudRate=19200>19200,e,7,2 BaudRate=38400>38400,e,7,2 "
             "BaudRate=57600>57600,e,7,2 BaudRate=115200>115200,e,7,2 DataBits=8>4800,e,8,2 "
             "DataBits=4>4800,e,4,2 StopBits=1,5>4800,e,7,1.5 StopBits=1.5>4800,e,7,1.5 "
             "StopBits=1>4800,e,7,1 Parity=odd>4800,O,7,2 Parity=e>4800,e,7,2 "
             "Parity=None>4800,N,7,2 Parity=n>4800,n,7,2 Parity=EVEN>4800,E,7,2 "
             "BaudRate=9600;Parity=None;DataBits=8;StopBits=1>9600,N,8,1");
    }

    void setters()
    {
        QFETCH(QString, writes);
        QFETCH(QString, settings);
        QFETCH(QString, comPort);
        Channel c;
        QSignalSpy errors(c.dnc.data(), &ucDnc::ErrorStatus);
        write(*c.dnc, writes);
        QCOMPARE(c.line->Settings(), settings.isEmpty() ? QStringLiteral("4800,e,7,2") : settings);
        QCOMPARE(c.dnc->ComPort(), comPort);
        QCOMPARE(errors.count(), 0);
    }

    // The getters read stop bits with a point and parity as a word, any other as such.
    void gettersReadTheSettings()
    {
        Channel c;
        for (const QString r :
             {"StopBits=1,5>1.5", "Parity=e>Even", "Parity=o>Odd", "Parity=N>None"}) {
            write(*c.dnc, r.section('>', 0, 0));
            QCOMPARE(r[0] == 'S' ? c.dnc->StopBits() : c.dnc->Parity(), r.section('>', 1));
        }
        QCOMPARE(c.line->setSettings(QStringLiteral("4800,m,7,2")), 0); // straight to the line
        QCOMPARE(c.dnc->Parity(), QStringLiteral("Another parity"));
    }

    // Settings and options cannot change while the channel is busy.
    void frozenWhileNotIdle()
    {
        for (const int state : {actSend, actReceive, actRemote}) {
            Channel c;
            ucDnc &dnc = *c.dnc;
            dnc.setAction(state);
            QCOMPARE(dnc.Action(), state);
            write(dnc, QStringLiteral("ComPort=COM5;BaudRate=9600;DataBits=8;StopBits=1;Parity=N"));
            for (auto set :
                 {&ucDnc::setXOnXOff, &ucDnc::setDTRDTS, &ucDnc::setEIA, &ucDnc::setWaitXOn})
                (dnc.*set)(true);
            dnc.setRTSCTS(false);
            QVERIFY(dnc.ComPort() == "COM2" && c.line->Settings() == "4800,e,7,2");
            QVERIFY(!dnc.XOnXOff() && !dnc.RTSCTS() && !dnc.DTRDTS() && !dnc.EIA());
            QCOMPARE(c.line->Handshaking(), qint32(comRTS));
            QVERIFY(c.errors.isEmpty() && c.status.isEmpty());
            // WaitXOn cannot be read; it did not take either: the next send starts unheld.
            dnc.setAction(actIdle);
            dnc.setXOnXOff(true);
            dnc.setAction(actSend);
            QVERIFY(!dnc.XOffHeld());
        }
    }

    // Line events and failures to open, in every busy state, reported by their offsets.
    void eventsAndOpenFailures_data()
    {
        QTest::addColumn<int>("openError"); // the error number of the open; 0: it opens
        QTest::addColumn<int>("event");
        QTest::addColumn<QList<qint16>>("status");
        QTest::addColumn<QList<qint16>>("errors");
        const QList<qint16> none;
        QTest::newRow("send threshold") << 0 << 1 << QList<qint16>{3} << none;
        QTest::newRow("CTS") << 0 << int(comEvCTS) << QList<qint16>{4} << none;
        QTest::newRow("DSR") << 0 << int(comEvDSR) << QList<qint16>{5} << none;
        QTest::newRow("CD") << 0 << 5 << QList<qint16>{6} << none;
        QTest::newRow("ring") << 0 << 6 << QList<qint16>{7} << none;
        QTest::newRow("end of file") << 0 << 7 << QList<qint16>{8} << none;
        QTest::newRow("framing error") << 0 << 1004 << none << QList<qint16>{16};
        QTest::newRow("open: missing device") << 8002 << 0 << none << QList<qint16>{24};
        QTest::newRow("open: 8017") << 8017 << 0 << none << QList<qint16>{0};
    }

    void eventsAndOpenFailures()
    {
        QFETCH(int, openError);
        QFETCH(int, event);
        QFETCH(QList<qint16>, status);
        QFETCH(QList<qint16>, errors);
        for (int state = 1; state <= 3; ++state) {
            Channel c;
            c.line->setOpenError(openError);
            c.dnc->setAction(state);
            if (openError != 0) {
                QCOMPARE(c.dnc->Action(), 0);
                QVERIFY(!c.line->PortOpen());
                QCOMPARE(c.errors, errors);
                continue;
            }
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

    void holdChanges_data()
    {
        QTest::addColumn<QString>("options"); // xon, rts, dtr, wait (for XOn)
        QTest::addColumn<QString>("events");  // what the machine does, in order
        QTest::addColumn<QString>("changes"); // HoldChanged, in order: + held, - let go
        QTest::addColumn<QString>("waiting"); // WaitingForXOn at the start and after each event
        for (const char *r :
             {"XOFF, XOFF again, XON|xon|DC3 DC3 DC1|+-|0000", "DC4, DC2|xon|DC4 DC2|+-|000",
              "XOFF not first in its chunk|xon|%DC3||00", "XOFF without XOn/XOff||DC3||00",
              "CTS down and up|rts|CTS- CTS+|+-|000", "CTS down without RTS/CTS|dtr|CTS-||00",
              "DSR down and up|dtr|DSR- DSR+|+-|000", "DSR down without DSR/DTR|rts|DSR-||00",
              "XOFF and CTS, let go one by one|xon rts|DC3 CTS- DC1 CTS+|+-|00000",
              "Wait for XOn, then XOFF|xon wait|DC1 DC3|-+|100",
              "Wait for XOn, CTS down meanwhile|xon rts wait|CTS- DC1 CTS+|-|1100"}) {
            const QStringList f = QString::fromLatin1(r).split('|');
            QTest::newRow(r) << f[1] << f[2] << f[3] << f[4];
        }
    }

    // The channel tells the window when the machine's hold begins and ends, whatever holds
    // it: an XOFF as the first character of a chunk, CTS or DSR down with its option on; and
    // whether a send under Wait for XOn still waits for its first XON.
    void holdChanges()
    {
        QFETCH(QString, options);
        QFETCH(QString, events);
        QFETCH(QString, changes);
        QFETCH(QString, waiting);
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setXOnXOff(options.contains(QLatin1String("xon")));
        dnc.setRTSCTS(options.contains(QLatin1String("rts")));
        dnc.setDTRDTS(options.contains(QLatin1String("dtr")));
        dnc.setWaitXOn(options.contains(QLatin1String("wait")));
        QString seen;
        connect(&dnc, &ucDnc::HoldChanged, [&](bool held) {
            QCOMPARE(held, dnc.Held());
            seen += QLatin1Char(held ? '+' : '-');
        });
        dnc.setAction(actSend);
        QString waits = QString::number(dnc.WaitingForXOn());
        for (const QString &event : events.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (event.startsWith(QLatin1String("CTS")))
                c.line->setCts(event.endsWith(QLatin1Char('+')));
            else if (event.startsWith(QLatin1String("DSR")))
                c.line->setDsr(event.endsWith(QLatin1Char('+')));
            else // DCn: the control character n
                c.line->receive(event.toLatin1().replace("DC", "").chopped(1) +
                                char(0x10 + event.back().digitValue()));
            waits += QString::number(dnc.WaitingForXOn());
        }
        QCOMPARE(seen, changes);
        QCOMPARE(waits, waiting);
    }

    // A send that waits ends at a stop, without an error, or when the port vanishes, reported
    // once: held by Wait for XOn (which holds the first send even without XON/XOFF while
    // RTS/CTS is on, and has no effect with neither option), by CTS down, or draining.
    void aWaitingSendEnds_data()
    {
        QTest::addColumn<bool>("waitXOn");
        QTest::addColumn<QString>("handshake"); // "rts", "xon" or none; "rts-": CTS down
        QTest::addColumn<bool>("drains");       // the bytes written stay in the output queue
        QTest::addColumn<QString>("ending");    // "stop", "vanish", or "count": found by it
        QTest::addColumn<bool>("held");         // nothing written when it ends
        QTest::newRow("Wait for XOn, RTS/CTS, stop") << true << "rts" << false << "stop" << true;
        QTest::newRow("Wait for XOn alone, sends") << true << "" << false << "stop" << false;
        QTest::newRow("CTS down, stop") << false << "rts-" << false << "stop" << true;
        QTest::newRow("draining, stop") << false << "" << true << "stop" << false;
        QTest::newRow("held by XOFF, port vanishes") << true << "xon" << false << "vanish" << true;
        QTest::newRow("draining, port vanishes") << false << "xon" << true << "vanish" << false;
        QTest::newRow("draining, found by the count") << false << "xon" << true << "count" << false;
    }

    void aWaitingSendEnds()
    {
        QFETCH(bool, waitXOn);
        QFETCH(QString, handshake);
        QFETCH(bool, drains);
        QFETCH(QString, ending);
        QFETCH(bool, held);
        Channel c;
        ucDnc &dnc = *c.dnc;
        c.line->setAutoDrain(!drains);
        dnc.setWaitXOn(waitXOn);
        dnc.setRTSCTS(handshake.startsWith(QLatin1String("rts")));
        dnc.setXOnXOff(handshake == QLatin1String("xon"));
        dnc.setAction(actSend);
        c.line->setCts(!handshake.endsWith('-'));
        QCOMPARE(dnc.XOffHeld(), waitXOn);
        bool waited = false;
        c.later(20, [&] {
            waited = dnc.SendInProgress() && c.line->writes.isEmpty();
            if (ending == QLatin1String("stop"))
                dnc.setAction(actIdle);
            else
                ending == QLatin1String("count") ? c.line->vanishOnCount() : c.line->vanish();
        });
        test::sendAll(&dnc, QStringLiteral("%")); // one character: its end is the last byte
        QVERIFY(!dnc.SendInProgress());
        const QList<qint16> errors = ending == "stop" ? QList<qint16>{} : QList<qint16>{403};
        QCOMPARE(c.errors, errors); // a stop is no failure
        QCOMPARE(waited, held);
        QCOMPARE(dnc.Action(), qint32(!held && !drains ? actSend : actIdle));
        QCOMPARE(c.line->PortOpen(), !held && !drains);
        if (ending != QLatin1String("stop")) { // the window's next pieces end quietly
            test::sendAll(&dnc, QStringLiteral("N2\r\n"));
            test::sendAll(&dnc, QStringLiteral("N3\r\n"));
            QCOMPARE(c.errors, errors);
        }
        QCOMPARE(c.line->written(), held ? QByteArray() : QByteArray("%"));
    }

    // Send or Hand outside the send state and RemoteSend outside remote write nothing.
    void sendOutsideItsState()
    {
        for (const auto &[state, remote] :
             {std::pair{0, false}, {2, false}, {3, false}, {1, true}, {0, true}}) {
            Channel c;
            c.dnc->setAction(state);
            remote ? c.dnc->RemoteSend(QStringLiteral("N1\r\n"))
                   : test::sendAll(c.dnc, QStringLiteral("N1\r\n"));
            QCOMPARE(c.dnc->Hand(QStringLiteral("N1")), state == actSend ? 2 : -1);
            c.line->writes.removeIf([](const auto &w) { return w.bytes == "N1"; });
            QVERIFY(c.line->writes.isEmpty() && !c.dnc->SendInProgress() && c.errors.isEmpty());
        }
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

    // Marks 8 and 2, bound 16. ops: a count put (positive) or taken (negative); per op, H: the
    // machine is to be held, R: to be let go, F: full after it.
    void receiveFlow_data()
    {
        QTest::addColumn<QList<int>>("ops");
        QTest::addColumn<QString>("turns");
        QTest::addColumn<QString>("full");
        const auto row = [](const char *name, const QList<int> &ops, const char *turns,
                            const char *full) { QTest::newRow(name) << ops << turns << full; };
        row("below the high-water mark", {7, -5, -2}, "...", "...");
        row("held once, at the mark", {5, 3, 4}, ".H.", "...");
        row("let go once, at the low-water mark", {8, -5, -1, -2}, "H.R.", "....");
        row("held again after", {9, -8, 7, 1, -7}, "HRH.R", ".....");
        row("bound: full, nothing dropped", {12, 8, -4, -1, -15}, "H...R", ".FF..");
        row("one put past the mark and the bound", {40, -40}, "HR", "F.");
    }

    void receiveFlow()
    {
        QFETCH(QList<int>, ops);
        QFETCH(QString, turns);
        QFETCH(QString, full);
        ReceiveFlow flow(8, 2, 16);
        QByteArray put, taken;
        QString seenTurns, seenFull;
        for (int n : ops) {
            bool turn = false;
            if (n > 0) {
                const QByteArray bytes = program(put.size() + n).mid(put.size());
                put += bytes;
                turn = flow.put(bytes);
            } else {
                turn = flow.releases(-n);
                taken += flow.take(-n);
            }
            seenTurns += turn ? (n > 0 ? 'H' : 'R') : '.';
            seenFull += flow.full() ? 'F' : '.';
        }
        QCOMPARE(seenTurns, turns);
        QCOMPARE(seenFull, full);
        QCOMPARE(taken, put.left(taken.size()));
        QCOMPARE(flow.size(), put.size() - taken.size());
    }

    // The window falls behind a flood: the line's own flow control holds the machine once and
    // lets it go once; at the bound the port is not read, and nothing is lost.
    void receiveHoldsTheMachine_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("XOn/XOff") << "xon" << QByteArray("\x13\x11") << QStringList{};
        QTest::newRow("RTS/CTS") << "rts" << QByteArray() << QStringList{"RTS down", "RTS up"};
        QTest::newRow("DSR/DTR") << "dtr" << QByteArray() << QStringList{"DTR down", "DTR up"};
        QTest::newRow("none") << "none" << QByteArray() << QStringList{};
    }

    void receiveHoldsTheMachine()
    {
        QFETCH(QString, control);
        QFETCH(QByteArray, wire);
        QFETCH(QStringList, lines);
        Channel c;
        c.dnc->setXOnXOff(control == QLatin1String("xon"));
        c.dnc->setRTSCTS(control == QLatin1String("rts"));
        c.dnc->setDTRDTS(control == QLatin1String("dtr"));
        c.dnc->setAction(actReceive);
        const QByteArray flood = program(ReceiveFlow::kBound + ReceiveFlow::kHighWater);
        for (qsizetype at = 0; at < flood.size(); at += 4096)
            c.line->receive(flood.mid(at, 4096));
        QVERIFY(c.line->InputPaused());
        QCOMPARE(c.line->written(), wire.left(1));
        QCOMPARE(c.line->lineChanges, lines.mid(0, 1));
        QString text;
        for (int step = 0; step < 100 && text.size() < flood.size(); ++step) {
            text += c.dnc->Receive(16384);
            QCoreApplication::processEvents();
        }
        QCOMPARE(text, QString::fromLatin1(flood));
        QVERIFY(!c.line->InputPaused());
        QCOMPARE(c.line->written(), wire);
        QCOMPARE(c.line->lineChanges, lines);
        // Stopped while held and paused: the lines are up again and the port read again at the
        // next open.
        c.line->receive(flood);
        c.dnc->setAction(actIdle);
        QVERIFY(c.line->RTSEnable());
        QCOMPARE(c.line->DTREnable(), control == QLatin1String("dtr"));
        c.dnc->setAction(actReceive);
        QVERIFY(!c.line->InputPaused());
        QVERIFY(c.errors.isEmpty());
    }

    // In EIA code a character above 128 stops its whole piece, reported; the next one goes.
    // A piece handed at line speed counts its bytes in EIA code, without the CR.
    void eiaPieceThatCannotBeConverted()
    {
        Channel c;
        c.dnc->setEIA(true);
        c.dnc->setAction(actSend);
        test::sendAll(c.dnc, QStringLiteral("G01") + QChar(0xc8) + QStringLiteral("\r\n"));
        test::sendAll(c.dnc, QStringLiteral("M30\r\n"));
        QCOMPARE(c.errors, QList<qint16>{0});
        QCOMPARE(c.dnc->Hand(QStringLiteral("N1\r\n")), 3);
        QCOMPARE(c.line->written(), QByteArray("\x54\x13\x20\x00\x45\x01\x00", 7));
    }

    // A hand-over or a look at the backlog that finds the device gone ends the send, reported
    // once.
    void handOrBacklogOnAVanishedPort()
    {
        for (const bool backlog : {false, true}) {
            Channel c;
            c.dnc->setAction(actSend);
            int count = 0;
            bool known = false;
            backlog ? c.line->vanishOnCount() : c.line->vanishOnWrite();
            QVERIFY(backlog ? !c.dnc->Backlog(count, known)
                            : c.dnc->Hand(QStringLiteral("N1\r\n")) == -1);
            QVERIFY(c.dnc->Action() == actIdle && c.errors == QList<qint16>{403});
        }
    }

    void remoteDropsFlowControlChunks()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setXOnXOff(true);
        dnc.setAction(3);
        for (const auto &[chunk, held] : {std::pair{"N1\x13", false},
                                          {"\x11N2", false},
                                          {"\x13N3", true},
                                          {"\x12", false},
                                          {"\x14N4", true}}) {
            c.line->receive(chunk);
            QCOMPARE(dnc.XOffHeld(), held);
        }
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

    // Out-of-range states are idle; a busy state opens the port, another changes without
    // reopening, idle closes it.
    void actionStates()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setAction(5);
        dnc.setAction(-1);
        QVERIFY(dnc.Action() == actIdle && !c.line->PortOpen());
        dnc.setAction(actSend);
        QVERIFY(c.line->PortOpen() && c.line->RThreshold() == 1);
        dnc.setAction(actReceive);
        QVERIFY(dnc.Action() == actReceive && c.line->opens == 1);
        dnc.setAction(actIdle);
        QVERIFY(!c.line->PortOpen() && c.line->RThreshold() == 0 && c.line->closes == 1);
        QVERIFY(c.errors.isEmpty());
    }

    // Each write carries the settings of its send: the hardware handshake and DTR follow
    // RTSCTS and DTRDTS.
    void writesCarryTheirSettings()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        write(dnc, QStringLiteral("BaudRate=9600"));
        dnc.setRTSCTS(false);
        dnc.setAction(actSend);
        test::sendAll(&dnc, QStringLiteral("N1\r\n"));
        dnc.setAction(actIdle);
        write(dnc, QStringLiteral("Parity=N;DataBits=8;StopBits=1"));
        dnc.setRTSCTS(true);
        dnc.setDTRDTS(false);
        dnc.setXOnXOff(true); // the driver's XON/XOFF is never used
        dnc.setAction(actSend);
        test::sendAll(&dnc, QStringLiteral("N2\r\n"));
        QStringList seen;
        for (const auto &w : c.line->writes)
            seen << QStringLiteral("%1 %2 %3").arg(w.settings).arg(w.handshaking).arg(w.dtrEnable);
        QCOMPARE(seen, (QStringList{"9600,e,7,2 0 1", "9600,N,8,1 2 0"}));
    }

    // A drain the line cannot start ends at once, quietly: the send is over, however much the
    // port still holds.
    void aDrainThatCannotStartEnds()
    {
        Channel c;
        c.line->setAutoDrain(false);
        c.line->setDrainFails(true);
        c.dnc->setAction(actSend);
        QSignalSpy finished(c.dnc.data(), &ucDnc::Finished);
        QCOMPARE(c.dnc->Hand(QString(100000, QLatin1Char('X'))), 100000);
        c.dnc->Drain();
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(!c.dnc->Busy() && c.errors.isEmpty());
    }

    // The owning window is closed while the send waits: deleted, deleted later, or from
    // inside its own error message.
    void destroyedDuringSend_data()
    {
        QTest::addColumn<bool>("whileHeld");
        QTest::addColumn<QString>("how");
        for (const char *how : {"delete", "later", "error"})
            for (const bool whileHeld : {true, false})
                if (whileHeld || how[0] != 'e')
                    QTest::addRow("%s, %s", whileHeld ? "held" : "draining", how)
                        << whileHeld << how;
    }

    void destroyedDuringSend()
    {
        QFETCH(bool, whileHeld);
        QFETCH(QString, how);
        Channel c;
        c.line->setAutoDrain(false);
        c.dnc->setXOnXOff(true);
        c.dnc->setWaitXOn(whileHeld);
        c.dnc->setAction(actSend);
        QPointer<ucDnc> dnc = c.dnc;
        if (how == QLatin1String("error"))
            connect(dnc, &ucDnc::ErrorStatus, [&] { delete dnc.data(); });
        c.later(5, [&] {
            if (how == QLatin1String("error"))
                c.line->raiseEvent(comEventFrame);
            else
                how == QLatin1String("later") ? dnc->deleteLater() : delete dnc.data();
        });
        // A deferred delete runs once control is back in an event loop.
        c.later(10, [&] {
            if (dnc && how == QLatin1String("later"))
                dnc->setAction(actIdle);
        });
        test::sendAll(dnc, QStringLiteral("N1\r\n"));
        QVERIFY(how == QLatin1String("later") || dnc.isNull());
        QTRY_VERIFY(dnc.isNull());
    }

    // The transfer machine's transitions. Row: state, event, what it sees (h: held, e: emptied,
    // d: due), next state, effects (w: write, s: start the drain, f: finished).
    void machineSteps_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const char *r : {"pause starts|Idle Pause - Pausing -",
                              "piece goes out|Idle Piece - Sending w",
                              "piece held before it goes|Idle Piece h Held -",
                              "drain starts|Idle Drain - Draining s",
                              "idle wake|Idle Wake de Idle -",
                              "pause runs|Pausing Wake - Pausing -",
                              "pause ends|Pausing Wake d Idle f",
                              "no piece during the pause|Pausing Piece - Pausing -",
                              "still held|Held Wake h Held -",
                              "XON lets the piece go|Held Wake - Sending w",
                              "piece leaving|Sending Wake - Sending -",
                              "piece has left|Sending Wake e Idle f",
                              "XOFF while it left holds the end|Sending Wake he Sending -",
                              "no second piece|Sending Piece e Sending -",
                              "drain runs|Draining Wake - Draining -",
                              "line carried all|Draining Wake e Idle f",
                              "drain's bound|Draining Wake d Idle f",
                              "a drain in place of the piece's wait|Sending Drain - Draining s",
                              "no drain for a held piece|Held Drain h Held -",
                              "no drain in the pause|Pausing Drain - Pausing -",
                              "stop in the pause|Pausing Stop d Idle -",
                              "stop while held|Held Stop h Idle -",
                              "stop while leaving|Sending Stop e Idle -",
                              "stop in the drain|Draining Stop e Idle -"})
            QTest::newRow(r) << QString::fromLatin1(r).section('|', 1).split(' ');
    }

    void machineSteps()
    {
        QFETCH(QStringList, row);
        const QStringList states{"Idle", "Pausing", "Held", "Sending", "Draining"};
        const QStringList events{"Pause", "Piece", "Drain", "Wake", "Stop"};
        const TransferMachine::Looks seen{.held = row[2].contains('h'),
                                          .emptied = row[2].contains('e'),
                                          .due = row[2].contains('d')};
        const TransferMachine::Step step =
            TransferMachine::step(TransferMachine::State(states.indexOf(row[0])),
                                  TransferMachine::Event(events.indexOf(row[1])), seen);
        QCOMPARE(states.value(int(step.next)), row[3]);
        const unsigned effects =
            (row[4].contains('w') ? unsigned(TransferMachine::Write) : 0u) |
            (row[4].contains('s') ? unsigned(TransferMachine::StartDrain) : 0u) |
            (row[4].contains('f') ? unsigned(TransferMachine::Finish) : 0u);
        QCOMPARE(uint(step.effects), effects);
    }

    // The machine driven by its timer, a port and a pause clock of the test's own: the pause
    // ends by its clock, not before (a pause of nothing at its first reading); a held piece
    // goes at the wake after the hold; a drain ends when the line has carried all or at its
    // bound; a stop ends a wait without finished; a failed write or a drain that cannot start
    // ends it with finished.
    void machineRuns()
    {
        FakePort port;
        TransferMachine machine(port);
        QSignalSpy finished(&machine, &TransferMachine::finished);
        qint64 now = 0;
        int readings = 0;
        TransferMachine::setPauseClock([&] { return ++readings, now; });
        const auto restore = qScopeGuard([] { TransferMachine::setPauseClock(nullptr); });
        const auto ends = [&](int count) {
            QTRY_COMPARE(finished.size(), count);
            QVERIFY(!machine.busy());
        };

        machine.pause(2000);
        QTRY_VERIFY(readings >= 4); // several of its steps, with the clock standing
        now = 1999;
        const int at = readings;
        QTRY_VERIFY(readings >= at + 2);
        QCOMPARE(finished.size(), 0);
        now = 2000;
        ends(1);
        machine.pause(0);
        ends(2);

        port.isHeld = true;
        machine.send("N1\r\n");
        machine.send("N9\r\n"); // ignored: the machine is busy
        QCOMPARE(machine.state(), TransferMachine::State::Held);
        QVERIFY(port.written.isEmpty());
        port.isHeld = false;
        port.queued = 4;
        machine.wake();
        QTRY_COMPARE(port.written, QByteArray("N1\r\n"));
        QCOMPARE(machine.state(), TransferMachine::State::Sending);
        port.queued = 0;
        ends(3);

        port.bound = 1 << 30;
        machine.drain();
        QTRY_VERIFY(port.drains == 1 && port.looks >= 3); // within its bound
        machine.pause(0);                                 // ignored while draining
        QCOMPARE(machine.state(), TransferMachine::State::Draining);
        port.isDrained = true;
        ends(4);
        port.isDrained = false;
        port.bound = 0;
        machine.drain();
        ends(5);

        port.queued = 4;
        machine.send("N2\r\n");
        machine.drain(); // in place of the piece's wait
        QCOMPARE(machine.state(), TransferMachine::State::Draining);
        machine.stop();
        machine.drain();
        machine.stop();
        QVERIFY(!machine.busy());
        machine.pause(0);
        ends(6); // no finished of the stopped waits came first

        port.writeFails = true;
        machine.send("N3\r\n");
        machine.stop(); // and its failure with it: the next pause runs its time
        machine.pause(1000);
        const int before = readings;
        QTRY_VERIFY(readings >= before + 2);
        QVERIFY(machine.busy() && finished.size() == 6);
        machine.stop();
        machine.send("N3\r\n");
        ends(7);
        port.drainFails = true; // the line would never say it has carried all
        port.bound = 1 << 30;
        machine.drain();
        ends(8);
    }

    void convert_data()
    {
        QTest::addColumn<QByteArray>("iso");
        QTest::addColumn<QByteArray>("eia");
        QTest::addColumn<bool>("inverse"); // the EIA bytes read back as the ISO text
        const auto row = [](const char *name, const QByteArray &iso, const QByteArray &eia,
                            bool inverse = true) { QTest::newRow(name) << iso << eia << inverse; };
        // The rows hold all 49 codes of the tape, each written out.
        row("block", "G01 X10\r\n", QByteArray("\x67\x20\x01\x10\x37\x01\x20\x00", 8));
        row("every letter", "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
            "\x61\x62\x73\x64\x75\x76\x67\x68\x79\x51\x52\x43\x54\x45\x46\x57\x58\x49"
            "\x32\x23\x34\x25\x26\x37\x38\x29");
        row("signs", "%()+,-./:\t\x7f", "\x0b\x0a\x4a\x70\x3b\x40\x6b\x31\x2f\x3e\x7f");
        row("digits", "0123456789", "\x20\x01\x02\x13\x04\x15\x16\x07\x08\x19");
        // Characters outside the code cross unchanged to EIA. Back from EIA only those that are
        // no EIA code stay: "g" (0x67) and "#" (0x23) are the EIA codes of "G" and "T".
        row("pass through", "g#=;", "g#=;", false);
        row("pass through both ways", "=![", "=![");
        row("128 passes", "\x80", "\x80");
        row("CR alone is left out", "\r\r", "");
    }

    void convert()
    {
        QFETCH(QByteArray, iso);
        QFETCH(QByteArray, eia);
        QFETCH(bool, inverse);
        const CodeTables tables = InitCodeTables();
        QCOMPARE(convertCode(iso, true, tables).value_or("failed"), eia);
        if (!inverse) {
            QCOMPARE(convertCode(eia, false, tables).value_or("failed"), QByteArray("GT=,"));
            return;
        }
        QByteArray isoWithoutCr = iso;
        isoWithoutCr.replace("\r", "");
        QCOMPARE(convertCode(eia, false, tables).value_or("failed"), isoWithoutCr);
        QVERIFY(!convertCode("\x81", false, tables)); // above 128 no EIA code
    }

    // Settings strings read into their parts; a character's bits on the line, with start and
    // stop, give the characters a second and the time of 1152 characters (a drain's bound).
    void settingsStrings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("parts"); // baud parity data stop(halves) bits ms; "": invalid
        for (const char *row : {"4800,e,7,2 4800 E 7 2 11 2640", "110,N,5,1.5 110 N 5 15 7.5 78546",
                                "9600,m,4,1 9600 M 4 1 7 840", "19200,S,8,1 19200 S 8 1 11 660",
                                "115200,N,8,1 115200 N 8 1 10 100"})
            QTest::newRow(row) << QString::fromLatin1(row).section(' ', 0, 0)
                               << QString::fromLatin1(row).section(' ', 1);
        for (const char *invalid :
             {"4800,e,7", "4800,e,7,2,1", "fast,e,7,2", "4800.5,e,7,2", "0,e,7,2", "4800,even,7,2",
              "4800,x,7,2", "4800,e,9,2", "4800,e,3,2", "4800,e,7,3", "4800,e,7,1,5", ""})
            QTest::addRow("invalid '%s'", invalid) << invalid << QString();
    }

    void settingsStrings()
    {
        QFETCH(QString, settings);
        QFETCH(QString, parts);
        const std::optional<LineSettings> parsed = parseLineSettings(settings);
        QCOMPARE(parsed.has_value(), !parts.isEmpty());
        if (!parsed)
            return;
        const QStringList p = parts.split(' ');
        QCOMPARE(QString("%1 %2 %3 %4")
                     .arg(parsed->baudRate)
                     .arg(QLatin1Char(parsed->parity))
                     .arg(parsed->dataBits)
                     .arg(parsed->stopBits),
                 p.mid(0, 4).join(' '));
        QCOMPARE(charactersPerSecond(*parsed), p[0].toDouble() / p[4].toDouble());
        QCOMPARE(lineTimeMs(*parsed, 1152), p[5].toLongLong());
    }

    // The pace of a send at the line's speed, step by step on the caller's clock (9600 8N1
    // carries 0.96 characters a millisecond unless the row says otherwise). Script: hN hands
    // N characters; r@T=R: room R at T, the port's count unknown; r@T/Q=R: the same with Q
    // characters the port still holds; k@T/Q=R: with a port that counts its queue; w=W and
    // kw=W: the wake after, in ms.
    void linePace_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("script");
        const auto row = [](const char *name, const char *script,
                            const char *settings = "9600,N,8,1") {
            QTest::newRow(name) << settings << script;
        };
        row("a clock standing still stays within 64",
            "r@0=64 h64 r@0=0 r@0=0 r@0=0 r@10=9 r@10=9 r@10=9 h9 r@10=0 r@10=0");
        row("the next refill once half the window is free", "h64 w=34 r@33=31 r@34=32");
        row("a clock that goes back gives nothing", "h64 r@20=19 r@10=19 r@19=19");
        row("a machine that stops reading holds the count", "h64 r@1000/64=0 r@2000/40=24");
        row("a port that counts its queue", "h64 k@0/10=54 kw=2 k@5000/64=0");
        row("wakes after 1 ms at least", "h10 w=1 h30 w=9");
        row("wakes after 50 ms at most", "h64 w=50", "110,N,7,2");
        row("38400", "h64 r@10=38", "38400,N,8,1");
        row("115200", "h64 r@5=57", "115200,N,8,1");
    }

    void linePace()
    {
        QFETCH(QString, settings);
        QFETCH(QString, script);
        LinePace pace;
        pace.start(parseLineSettings(settings).value(), 0);
        QStringList seen;
        for (const QString &op : script.split(QLatin1Char(' '))) {
            const QString name = op.section(QLatin1Char('='), 0, 0);
            const bool counts = op.startsWith(QLatin1Char('k'));
            if (op.startsWith(QLatin1Char('h'))) {
                pace.handed(op.mid(1).toInt());
                seen << op;
            } else if (name.endsWith(QLatin1Char('w'))) {
                seen << name + '=' + QString::number(pace.wakeMs(counts));
            } else { // r@T/Q or k@T/Q
                const QStringList at = name.mid(2).split(QLatin1Char('/'));
                seen << name + '=' +
                            QString::number(
                                pace.room(at[0].toLongLong(), at.value(1).toInt(), counts));
            }
        }
        QCOMPARE(seen.join(' '), script);
    }

    void markedInput_data()
    {
        QTest::addColumn<QByteArray>("first"); // two chunks, as they arrive
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<int>("parityErrors");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<int>>("found"); // breaks, parity, framing
        const QByteArray mark("\xff\x00", 2);
        const auto row = [](const char *name, const QByteArray &first, const QByteArray &second,
                            int parityErrors, const QByteArray &data, const QList<int> &found) {
            QTest::newRow(name) << first << second << parityErrors << data << found;
        };
        row("parity error", "N1" + mark + "A", "", 1, "N1 ", {0, 1, 0});
        row("framing error keeps its byte", "N1" + mark + "A", "", 0, "N1A", {0, 0, 1});
        row("one of each", mark + "A" + mark + "B", "", 1, " B", {0, 1, 1});
        row("break adds nothing", "N1" + mark + '\0' + "N2", "", 1, "N1N2", {1, 0, 0});
        row("0xFF doubled", "\xff\xffX", "", 1, "\xffX", {0, 0, 0});
        row("mark cut between chunks", "N1" + mark, "AB", 0, "N1AB", {0, 0, 1});
        row("mark cut after its 0xFF", "N1\xff", QByteArray("\0AB", 3), 0, "N1AB", {0, 0, 1});
    }

    void markedInput()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(int, parityErrors);
        QFETCH(QByteArray, data);
        QFETCH(QList<int>, found);
        MarkedInput input;
        MarkedInput::Found seen;
        QByteArray taken = input.take(first, parityErrors, " ", seen);
        taken += input.take(second, parityErrors, " ", seen);
        QCOMPARE(taken, data);
        QCOMPARE((QList<int>{seen.breaks, seen.parity, seen.framing}), found);
    }

    // Ports 1 to 7 set to a pty, a link to it, a missing file, a plain file, /dev/null, a
    // folder and a path through a missing folder: only the first two are present.
    void presence()
    {
        OnPty t;
        // Unset, port n is /dev/ttyS(n-1): the kernel lists such entries for ports without
        // hardware, and those are not present.
        for (int n = 1; n <= 4; ++n) {
            const QString name = QStringLiteral("ttyS") + QString::number(n - 1);
            QFile type(QStringLiteral("/sys/class/tty/") + name + QStringLiteral("/type"));
            if (QFile::exists(QStringLiteral("/dev/") + name) && type.open(QIODevice::ReadOnly))
                QCOMPARE(IsPortPresent(qint16(n)), type.readAll().trimmed() != "0");
        }
        const QString link = t.folders.file(QStringLiteral("ttyV0"));
        QVERIFY(QFile::link(t.pty.device(), link));
        const QStringList devices{
            t.pty.device(),
            link,
            t.folders.file(QStringLiteral("missing")),
            test::writeFile(t.folders.file(QStringLiteral("plain")), QByteArray()),
            QStringLiteral("/dev/null"),
            t.folders.file(QString()),
            t.folders.file(QStringLiteral("missing/inside"))};
        for (int port = 1; port <= 7; ++port) {
            SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com%1").arg(port),
                        devices[port - 1]);
            QVERIFY2(IsPortPresent(qint16(port)) == (port <= 2), qPrintable(devices[port - 1]));
        }
        QVERIFY(isPseudoTerminal(link));
        QVERIFY(!isPseudoTerminal(QStringLiteral("/dev/null")));
    }

    // A missing device; a port held by another open, until the first lets go. A pty opens
    // whatever the framing and the handshake, and holds nothing.
    void openFailuresOnAPty()
    {
        OnPty t;
        SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com8"),
                    QStringLiteral("/no-such-tty"));
        Channel missing(8);
        missing.dnc->setAction(actSend);
        QVERIFY(missing.dnc->Action() == actIdle && missing.errors == QList<qint16>{24});
        Channel first(kPort);
        write(*first.dnc, QStringLiteral("DataBits=4;StopBits=1.5"));
        first.dnc->setRTSCTS(true);
        first.dnc->setDTRDTS(true);
        first.dnc->setAction(actReceive);
        QVERIFY(first.dnc->Action() == actReceive);
        QVERIFY(!first.dnc->CtsHeld() && !first.dnc->DsrHeld());
        Channel second(kPort);
        second.dnc->setAction(actSend);
        QVERIFY(second.dnc->Action() == actIdle && second.errors == QList<qint16>{27});
        QVERIFY(first.errors.isEmpty());
        first.dnc->setAction(actIdle);
        second.errors.clear();
        second.dnc->setAction(actSend);
        QVERIFY(second.dnc->Action() == actSend && second.errors.isEmpty());
    }

    // A piece sent to the machine on a pty, and what the machine or the user does meanwhile:
    // "wait": the machine stops reading for a while; "xoff": it sends XOFF while the piece
    // drains (the rest still leaves, the send returns only after XON); "stop" or "close": the
    // drain ends at once, quietly, the port let go and nothing of the piece left over.
    void onThePty_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<qsizetype>("stopAt");
        QTest::addColumn<QString>("act");
        const QByteArray text = program(3 << 20), whole = program(kLongest);
        QByteArray every, late = program(200000);
        for (int b = 0; b < 256; ++b)
            every += char(b);
        late[late.size() - 3] = char(0x80); // the euro sign
        const auto row = [](const char *name, const QByteArray &wire, qsizetype stopAt,
                            const char *act, const QString &piece = {}) {
            QTest::newRow(name) << (piece.isEmpty() ? decodeBytes(wire) : piece) << wire << stopAt
                                << QString::fromLatin1(act);
        };
        row("program text", text, kNoLimit, "");
        row("machine stops reading for a while", text, 300000, "wait");
        row("every byte, with XON/XOFF on", every, kNoLimit, "every");
        row("one euro sign at the end", late, kNoLimit, "");
        row("a character without a byte", text.left(100003) + "?\r\n", kNoLimit, "",
            QString::fromLatin1(text.left(100003)) + QChar(0x4E00) + QStringLiteral("\r\n"));
        row("XOFF while draining", program(2 << 20), kNoLimit, "xoff");
        for (const char *act : {"stop", "close"}) {
            QTest::addRow("%s, machine reading", act)
                << decodeBytes(whole) << whole << kNoLimit << QString(act);
            QTest::addRow("%s, machine stopped", act)
                << decodeBytes(whole) << whole << qsizetype(200000) << QString(act);
        }
    }

    void onThePty()
    {
        OnPty t;
        QFETCH(QString, piece);
        QFETCH(QByteArray, wire);
        QFETCH(qsizetype, stopAt);
        QFETCH(QString, act);
        const bool ends = act == QLatin1String("stop") || act == QLatin1String("close");
        t.pty.stopAt(stopAt);
        auto c = std::make_unique<Channel>(kPort);
        c->dnc->setRTSCTS(false);
        c->dnc->setXOnXOff(act == QLatin1String("xoff") || act == QLatin1String("every"));
        c->dnc->setAction(actSend);
        QPointer<ucDnc> dnc = c->dnc;
        bool xoffSent = false, heldAfterPiece = false;
        t.pty.onData = [&] {
            if (act == QLatin1String("xoff") && t.pty.received.size() >= 100000 &&
                !std::exchange(xoffSent, true))
                t.pty.write("\x13");
        };
        QTimer watch; // acts once, from the event loop, when its moment has come
        connect(&watch, &QTimer::timeout, [&] {
            if (act == QLatin1String("xoff")) {
                if (t.pty.received.size() < wire.size() || !dnc->XOffHeld())
                    return;
                heldAfterPiece = dnc->SendInProgress();
                t.pty.write("\x11");
            } else if (ends) {
                if (stopAt != kNoLimit ? !t.pty.stopped() : t.pty.received.size() < 512 * 1024)
                    return;
                act == QLatin1String("close") ? delete dnc.data() : dnc->setAction(0);
            } else {
                if (!t.pty.stopped())
                    return;
                c->later(20, [&t] { t.pty.goOn(); }); // after it kept the channel waiting
            }
            watch.stop();
        });
        watch.start(1);
        test::sendAll(dnc, piece);
        QVERIFY(c->errors.isEmpty());
        if (!ends) {
            // Returned once the piece had left the port: only what the pty holds is to come.
            QVERIFY(t.pty.received.size() > wire.size() - kPtyHolds);
            QVERIFY(!dnc->SendInProgress() && !dnc->XOffHeld());
            QTRY_COMPARE(t.pty.received.size(), wire.size());
            QCOMPARE(t.pty.received, wire);
            QCOMPARE(heldAfterPiece, act == QLatin1String("xoff"));
            if (act == QLatin1String("every")) { // and back, NUL and flow-control bytes too
                dnc->setAction(actIdle);
                dnc->setAction(actReceive);
                t.pty.write(wire);
                QString text;
                QTRY_COMPARE(text += dnc->Receive(), piece);
            }
            return;
        }
        QCOMPARE(dnc.isNull(), act == QLatin1String("close"));
        const qsizetype atReturn = t.pty.received.size();
        QVERIFY2(atReturn < wire.size() / 2, QByteArray::number(atReturn));
        QVERIFY(dnc.isNull() || (dnc->Action() == actIdle && !dnc->SendInProgress()));
        t.pty.goOn();
        QCOMPARE(t.pty.received, wire.left(t.pty.received.size()));
        // The next send, by the same channel after a stop or by the next window, puts only its
        // own bytes on the line.
        if (dnc.isNull()) {
            c = std::make_unique<Channel>(kPort);
            c->dnc->setRTSCTS(false);
        }
        c->dnc->setAction(actSend);
        test::sendAll(c->dnc, QStringLiteral("M30\r\n"));
        QTRY_VERIFY(t.pty.received.endsWith("M30\r\n"));
        const QByteArray all = t.pty.received;
        QVERIFY(all.size() < wire.size() / 2);
        QCOMPARE(all.left(all.size() - 5), wire.left(all.size() - 5));
    }

    // Pieces handed at line speed while the machine does not read queue behind each other.
    void handedPiecesQueueInOrder()
    {
        OnPty t;
        t.pty.stopAt(0);
        Channel c(kPort);
        c.dnc->setRTSCTS(false);
        c.dnc->setAction(actSend);
        const QByteArray first = program(kPtyHolds + 4096), second = program(20000);
        QCOMPARE(c.dnc->Hand(QString::fromLatin1(first)), first.size());
        QCOMPARE(c.dnc->Hand(QString::fromLatin1(second)), second.size());
        t.pty.goOn();
        QTRY_COMPARE(t.pty.received.size(), first.size() + second.size());
        QCOMPARE(t.pty.received, first + second);
    }
};

QTEST_MAIN(TstDnc)
#include "tst_dnc.moc"
