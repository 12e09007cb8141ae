// Line settings of the channel: construction defaults, the setters' validation, and their
// silence while a transfer runs.
#include "dnc/ucDnc.h"
#include "support/FakeLine.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

using namespace kordavel;

namespace {

struct Channel {
    Channel()
    {
        auto owned = std::make_unique<FakeLine>();
        line = owned.get();
        dnc = std::make_unique<ucDnc>(std::move(owned));
    }
    FakeLine *line;
    std::unique_ptr<ucDnc> dnc;
};

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
    void constructionDefaults();
    void setters_data();
    void setters();
    void parityReadsOtherLetters();
    void flagsAndLines();
    void frozenWhileNotIdle_data();
    void frozenWhileNotIdle();
    void showsLabel();
};

void TstDncSettings::constructionDefaults()
{
    Channel c;
    ucDnc &dnc = *c.dnc;
    QCOMPARE(dnc.ComPort(), QStringLiteral("COM2"));
    QCOMPARE(dnc.BaudRate(), QStringLiteral("4800"));
    QCOMPARE(dnc.Parity(), QStringLiteral("Even"));
    QCOMPARE(dnc.DataBits(), QStringLiteral("7"));
    QCOMPARE(dnc.StopBits(), QStringLiteral("2"));
    QVERIFY(!dnc.XOnXOff() && !dnc.RTSCTS() && !dnc.DTRDTS() && !dnc.EIA());
    QCOMPARE(dnc.Action(), 0);
    QVERIFY(!dnc.SendInProgress() && !dnc.XOffHeld() && !dnc.CtsHeld() && !dnc.DsrHeld());
    // The hardware handshake and DTR are on although RTSCTS and DTRDTS read false.
    const SerialLine &line = dnc.MSComm1();
    QCOMPARE(line.Settings(), QStringLiteral("4800,e,7,2"));
    QCOMPARE(line.Handshaking(), qint32(comRTS));
    QVERIFY(line.DTREnable());
    QVERIFY(line.RTSEnable());
    QCOMPARE(line.InputMode(), 0);
    QVERIFY(!line.NullDiscard());
    QCOMPARE(line.ParityReplace(), QStringLiteral(" "));
    QCOMPARE(line.InBufferSize(), qint16(1024));
    QCOMPARE(line.OutBufferSize(), qint16(1024));
    QVERIFY(!line.PortOpen());
}

void TstDncSettings::setters_data()
{
    QTest::addColumn<QStringList>("writes"); // "Property=value" in order
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("comPort");
    const QString def = QStringLiteral("4800,e,7,2");
    const QString com2 = QStringLiteral("COM2");
    auto row = [](const char *name, QStringList writes, QString settings, QString port) {
        QTest::newRow(name) << writes << settings << port;
    };
    row("port com5", {"ComPort=com5"}, def, "COM5");
    row("port COM5", {"ComPort=COM5"}, def, "COM5");
    row("port Com5", {"ComPort=Com5"}, def, "COM5");
    row("port 5", {"ComPort=5"}, def, "COM5");
    row("port 3.0", {"ComPort=3.0"}, def, "COM3");
    row("port 16", {"ComPort=16"}, def, "COM16");
    row("port COM17", {"ComPort=COM17"}, def, com2);
    row("port 0", {"ComPort=0"}, def, com2);
    row("port COMX", {"ComPort=COMX"}, def, com2);
    row("port LPT1", {"ComPort=LPT1"}, def, com2);
    row("port 2.5", {"ComPort=2.5"}, def, com2);
    row("port COM", {"ComPort=COM"}, def, com2);
    row("port empty", {"ComPort="}, def, com2);
    row("baud 300 then 1200", {"BaudRate=300", "BaudRate=1200"}, "1200,e,7,2", com2);
    row("baud 300", {"BaudRate=300"}, "300,e,7,2", com2);
    row("baud 110", {"BaudRate=110"}, "110,e,7,2", com2);
    row("baud 9600", {"BaudRate=9600"}, "9600,e,7,2", com2);
    row("baud 19200", {"BaudRate=19200"}, def, com2);
    row("baud 4800.5", {"BaudRate=4800.5"}, def, com2);
    row("baud 1000", {"BaudRate=1000"}, def, com2);
    row("baud text", {"BaudRate=fast"}, def, com2);
    row("data 8", {"DataBits=8"}, "4800,e,8,2", com2);
    row("data 4", {"DataBits=4"}, "4800,e,4,2", com2);
    row("data 9", {"DataBits=9"}, def, com2);
    row("data 3", {"DataBits=3"}, def, com2);
    row("data 7.5", {"DataBits=7.5"}, def, com2);
    row("stop 1,5", {"StopBits=1,5"}, "4800,e,7,1.5", com2);
    row("stop 1.5", {"StopBits=1.5"}, "4800,e,7,1.5", com2);
    row("stop 1", {"StopBits=1"}, "4800,e,7,1", com2);
    row("stop 1.25", {"StopBits=1.25"}, def, com2);
    row("stop 3", {"StopBits=3"}, def, com2);
    row("stop text", {"StopBits=two"}, def, com2);
    row("parity odd", {"Parity=odd"}, "4800,O,7,2", com2);
    row("parity e", {"Parity=e"}, "4800,e,7,2", com2);
    row("parity None", {"Parity=None"}, "4800,N,7,2", com2);
    row("parity n", {"Parity=n"}, "4800,n,7,2", com2);
    row("parity EVEN", {"Parity=EVEN"}, "4800,E,7,2", com2);
    row("parity Mark", {"Parity=Mark"}, def, com2);
    row("parity M", {"Parity=M"}, def, com2);
    row("parity S", {"Parity=S"}, def, com2);
    row("parity Space", {"Parity=Space"}, def, com2);
    row("parity empty", {"Parity="}, def, com2);
    row("all fields", {"BaudRate=9600", "Parity=None", "DataBits=8", "StopBits=1"}, "9600,N,8,1",
        com2);
}

void TstDncSettings::setters()
{
    QFETCH(QStringList, writes);
    QFETCH(QString, settings);
    QFETCH(QString, comPort);
    Channel c;
    QSignalSpy errors(c.dnc.get(), &ucDnc::ErrorStatus);
    for (const QString &w : writes)
        write(*c.dnc, w.section(QLatin1Char('='), 0, 0), w.section(QLatin1Char('='), 1));
    QCOMPARE(c.line->Settings(), settings);
    QCOMPARE(c.dnc->ComPort(), comPort);
    QCOMPARE(errors.count(), 0);
}

void TstDncSettings::parityReadsOtherLetters()
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

void TstDncSettings::flagsAndLines()
{
    Channel c;
    ucDnc &dnc = *c.dnc;
    dnc.setRTSCTS(false);
    QCOMPARE(c.line->Handshaking(), qint32(comNone));
    QVERIFY(!dnc.RTSCTS());
    dnc.setRTSCTS(true);
    QCOMPARE(c.line->Handshaking(), qint32(comRTS));
    QVERIFY(dnc.RTSCTS());
    dnc.setDTRDTS(false);
    QVERIFY(!c.line->DTREnable());
    dnc.setDTRDTS(true);
    QVERIFY(c.line->DTREnable() && dnc.DTRDTS());
    dnc.setXOnXOff(true);
    dnc.setEIA(true);
    QVERIFY(dnc.XOnXOff() && dnc.EIA());
    // The driver's own XON/XOFF is never used.
    QVERIFY(c.line->Handshaking() != comXOnXOff && c.line->Handshaking() != comRTSXOnXOff);
}

void TstDncSettings::frozenWhileNotIdle_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("send") << 1;
    QTest::newRow("receive") << 2;
    QTest::newRow("remote") << 3;
}

void TstDncSettings::frozenWhileNotIdle()
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

void TstDncSettings::showsLabel()
{
    Channel c;
    c.dnc->resize(120, 40);
    c.dnc->show();
    auto *label = c.dnc->findChild<QLabel *>();
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("DNC"));
    QTRY_COMPARE(label->geometry(), QRect(0, 0, 120, 40));
    c.dnc->resize(300, 70);
    QTRY_COMPARE(label->geometry(), QRect(0, 0, 300, 70));
}

QTEST_MAIN(TstDncSettings)
#include "tst_dncsettings.moc"
