// SPDX-License-Identifier: GPL-3.0-or-later
// Line settings of the channel: construction defaults, the setters' validation, and their
// silence while a transfer runs.
#include "support/DncChannel.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kordavel;
using kordavel::test::Channel;

namespace {

void write(ucDnc &dnc, const QString &property, const QString &value)
{
    if (property == QLatin1String("ComPort"))
        dnc.setComPort(value);
    else if (property == QLatin1String("BaudRate"))
        dnc.setBaudRate(value);
    else if (property == QLatin1String("DataBits"))
        dnc.setDataBits(value);
    else if (property == QLatin1String("StopBits"))
        dnc.setStopBits(value);
    else if (property == QLatin1String("Parity"))
        dnc.setParity(value);
    else
        QFAIL("unknown property");
}

} // namespace

class TstDncSettings : public QObject {
    Q_OBJECT
private slots:
    void constructionDefaults()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        QCOMPARE((QStringList{dnc.ComPort(), dnc.BaudRate(), dnc.Parity(), dnc.DataBits(),
                              dnc.StopBits()}),
                 (QStringList{"COM2", "4800", "Even", "7", "2"}));
        QVERIFY(!dnc.XOnXOff() && !dnc.RTSCTS() && !dnc.DTRDTS() && !dnc.EIA());
        QCOMPARE(dnc.Action(), 0);
        QVERIFY(!dnc.SendInProgress() && !dnc.XOffHeld() && !dnc.CtsHeld() && !dnc.DsrHeld());
        // The hardware handshake and DTR are on although RTSCTS and DTRDTS read false.
        const SerialLine &line = dnc.MSComm1();
        QCOMPARE(line.Settings(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(line.Handshaking(), qint32(comRTS));
        QVERIFY(line.DTREnable() && line.RTSEnable() && !line.NullDiscard() && !line.PortOpen());
        QCOMPARE(line.InputMode(), 0);
        QCOMPARE(line.ParityReplace(), QStringLiteral(" "));
        QVERIFY(line.InBufferSize() == 1024 && line.OutBufferSize() == 1024);
    }

    void setters_data()
    {
        QTest::addColumn<QStringList>("writes"); // "Property=value", in order
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("comPort");
        const QString def = QStringLiteral("4800,e,7,2");
        const QString com2 = QStringLiteral("COM2");
        const auto row = [](const QString &writes, const QString &settings, const QString &port) {
            QTest::newRow(qPrintable(writes)) << writes.split(QLatin1Char(';')) << settings << port;
        };
        // Refused: nothing changes.
        for (const char *writes :
             {"ComPort=COM17", "ComPort=0",    "ComPort=COMX",   "ComPort=LPT1",    "ComPort=2.5",
              "ComPort=COM",   "ComPort=",     "BaudRate=19200", "BaudRate=4800.5", "BaudRate=1000",
              "BaudRate=fast", "DataBits=9",   "DataBits=3",     "DataBits=7.5",    "StopBits=1.25",
              "StopBits=3",    "StopBits=two", "Parity=Mark",    "Parity=M",        "Parity=S",
              "Parity=Space",  "Parity="})
            row(QLatin1String(writes), def, com2);
        // Taken ports: writes, port.
        const char *ports[] = {"ComPort=com5", "COM5", "ComPort=COM5", "COM5",
                               "ComPort=Com5", "COM5", "ComPort=5",    "COM5",
                               "ComPort=3.0",  "COM3", "ComPort=16",   "COM16"};
        for (size_t i = 0; i < std::size(ports); i += 2)
            row(QLatin1String(ports[i]), def, QLatin1String(ports[i + 1]));
        // Taken line settings: writes > settings string.
        for (const char *taken :
             {"BaudRate=300;BaudRate=1200>1200,e,7,2", "BaudRate=110>110,e,7,2",
              "BaudRate=9600>9600,e,7,2", "DataBits=8>4800,e,8,2", "DataBits=4>4800,e,4,2",
              "StopBits=1,5>4800,e,7,1.5", "StopBits=1.5>4800,e,7,1.5", "StopBits=1>4800,e,7,1",
              "Parity=odd>4800,O,7,2", "Parity=e>4800,e,7,2", "Parity=None>4800,N,7,2",
              "Parity=n>4800,n,7,2", "Parity=EVEN>4800,E,7,2",
              "BaudRate=9600;Parity=None;DataBits=8;StopBits=1>9600,N,8,1"}) {
            const QStringList parts = QString::fromLatin1(taken).split(QLatin1Char('>'));
            row(parts[0], parts[1], com2);
        }
    }

    void setters()
    {
        QFETCH(QStringList, writes);
        QFETCH(QString, settings);
        QFETCH(QString, comPort);
        Channel c;
        QSignalSpy errors(c.dnc.data(), &ucDnc::ErrorStatus);
        for (const QString &w : writes)
            write(*c.dnc, w.section(QLatin1Char('='), 0, 0), w.section(QLatin1Char('='), 1));
        QCOMPARE(c.line->Settings(), settings);
        QCOMPARE(c.dnc->ComPort(), comPort);
        QCOMPARE(errors.count(), 0);
    }

    void parityReadsOtherLetters()
    {
        Channel c;
        c.dnc->setStopBits(QStringLiteral("1,5"));
        QCOMPARE(c.dnc->StopBits(), QStringLiteral("1.5"));
        c.dnc->setParity(QStringLiteral("e"));
        QCOMPARE(c.dnc->Parity(), QStringLiteral("Even"));
        c.dnc->setParity(QStringLiteral("o"));
        QCOMPARE(c.dnc->Parity(), QStringLiteral("Odd"));
        c.dnc->setParity(QStringLiteral("N"));
        QCOMPARE(c.dnc->Parity(), QStringLiteral("None"));
        // A settings string with mark parity, written to the line directly.
        QCOMPARE(c.line->setSettings(QStringLiteral("4800,m,7,2")), 0);
        QCOMPARE(c.dnc->Parity(), QStringLiteral("Another parity"));
    }

    void flagsAndLines()
    {
        Channel c;
        ucDnc &dnc = *c.dnc;
        for (const bool on : {false, true, false}) {
            dnc.setRTSCTS(on);
            dnc.setDTRDTS(on);
            QCOMPARE(c.line->Handshaking(), qint32(on ? comRTS : comNone));
            QCOMPARE(c.line->DTREnable(), on);
            QVERIFY(dnc.RTSCTS() == on && dnc.DTRDTS() == on);
        }
        dnc.setXOnXOff(true);
        dnc.setEIA(true);
        QVERIFY(dnc.XOnXOff() && dnc.EIA());
        // The driver's own XON/XOFF is never used.
        QCOMPARE(c.line->Handshaking(), qint32(comNone));
    }

    void frozenWhileNotIdle_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("send") << 1;
        QTest::newRow("receive") << 2;
        QTest::newRow("remote") << 3;
    }

    void frozenWhileNotIdle()
    {
        QFETCH(int, state);
        Channel c;
        ucDnc &dnc = *c.dnc;
        dnc.setAction(state);
        QCOMPARE(dnc.Action(), state);
        QSignalSpy errors(&dnc, &ucDnc::ErrorStatus);
        QSignalSpy status(&dnc, &ucDnc::Status);
        dnc.setComPort(QStringLiteral("COM5"));
        dnc.setBaudRate(QStringLiteral("9600"));
        dnc.setDataBits(QStringLiteral("8"));
        dnc.setStopBits(QStringLiteral("1"));
        dnc.setParity(QStringLiteral("N"));
        dnc.setXOnXOff(true);
        dnc.setRTSCTS(false);
        dnc.setDTRDTS(true);
        dnc.setEIA(true);
        dnc.setWaitXOn(true);
        QCOMPARE(dnc.ComPort(), QStringLiteral("COM2"));
        QCOMPARE(c.line->Settings(), QStringLiteral("4800,e,7,2"));
        QVERIFY(!dnc.XOnXOff() && !dnc.RTSCTS() && !dnc.DTRDTS() && !dnc.EIA());
        QCOMPARE(c.line->Handshaking(), qint32(comRTS));
        QCOMPARE(errors.count(), 0);
        QCOMPARE(status.count(), 0);
        // WaitXOn cannot be read; it did not take either: the next send starts unheld.
        dnc.setAction(0);
        dnc.setXOnXOff(true);
        dnc.setAction(1);
        QVERIFY(!dnc.XOffHeld());
    }
};

QTEST_MAIN(TstDncSettings)
#include "tst_dncsettings.moc"
