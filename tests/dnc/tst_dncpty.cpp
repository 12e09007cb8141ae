// Byte streams through a real pseudo-terminal, with the test as the machine: ISO and EIA
// code, XON/XOFF, open failures and a line that hangs up.
#include "common/CodePage.h"
#include "dnc/ucDnc.h"
#include "support/PtyMachine.h"
#include "support/TestFolders.h"

#include <QPointer>
#include <QTimer>
#include <QtTest>

using namespace kordavel;
using kordavel::test::PtyMachine;

namespace {

constexpr int kPort = 7;

struct Channel {
    Channel()
    {
        dnc = new ucDnc;
        QObject::connect(dnc, &ucDnc::Status, [this](qint16 offset) { status << offset; });
        QObject::connect(dnc, &ucDnc::ErrorStatus, [this](qint16 offset) { errors << offset; });
        dnc->setComPort(QString::number(kPort));
    }
    ~Channel() { delete dnc.data(); }
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;
    QPointer<ucDnc> dnc;
    QList<qint16> status;
    QList<qint16> errors;
};

// Timers of one test function; they end with it, so none fires into the next one.
std::unique_ptr<QObject> g_scope;

void later(int ms, std::function<void()> action)
{
    QTimer::singleShot(ms, g_scope.get(), std::move(action));
}

} // namespace

class TstDncPty : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { g_scope.reset(); }
    void sendBytes_data();
    void sendBytes();
    void everyByteCrossesUnchanged();
    void eiaReceive();
    void eiaRefusesHighCharacters();
    void xoffFirstCharacterHolds_data();
    void xoffFirstCharacterHolds();
    void xoffSecondCharacterIsNotNoticed();
    void waitXOnStartsHeld();
    void restOfPieceLeavesAfterXoff();
    void openFailures();
    void anyFramingOpensAPty();
    void hangUpIsReportedOnce_data();
    void hangUpIsReportedOnce();
    void destroyedWhileHeld();

private:
    std::unique_ptr<test::TestFolders> m_folders;
    std::unique_ptr<PtyMachine> m_machine;
};

void TstDncPty::init()
{
    g_scope = std::make_unique<QObject>();
    m_machine.reset();
    m_folders = std::make_unique<test::TestFolders>();
    m_machine = std::make_unique<PtyMachine>();
    QVERIFY(m_machine->ok());
    m_machine->mapTo(kPort);
}

void TstDncPty::sendBytes_data()
{
    QTest::addColumn<bool>("eia");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("ISO") << false << QByteArray("G01 X10\r\n");
    QTest::newRow("EIA") << true << QByteArray("\x67\x20\x01\x10\x37\x01\x20\x00", 8);
}

void TstDncPty::sendBytes()
{
    QFETCH(bool, eia);
    QFETCH(QByteArray, wire);
    Channel c;
    c.dnc->setEIA(eia);
    c.dnc->setAction(1);
    QCOMPARE(c.dnc->Action(), 1);
    c.dnc->Send(QStringLiteral("G01 X10\r\n"));
    QVERIFY(!c.dnc->SendInProgress());
    QTRY_COMPARE(m_machine->received, wire);
    c.dnc->setAction(0);
    QVERIFY(m_machine->lineQuiet());
    QCOMPARE(m_machine->received, wire);
    QVERIFY(c.errors.isEmpty());
}

void TstDncPty::everyByteCrossesUnchanged()
{
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setAction(1);
    c.dnc->Send(decodeBytes(every));
    QTRY_COMPARE(m_machine->received, every);
    // And back, in receive, NUL and flow-control bytes included.
    c.dnc->setAction(0);
    c.dnc->setAction(2);
    m_machine->write(every);
    QString text;
    QTRY_COMPARE(text += c.dnc->Receive(), decodeBytes(every));
}

void TstDncPty::eiaReceive()
{
    Channel c;
    c.dnc->setEIA(true);
    c.dnc->setAction(2);
    m_machine->write(QByteArray("\x75\x20\x00", 3));
    QString text;
    QTRY_COMPARE(text += c.dnc->Receive(), QStringLiteral("E0\n"));
    QVERIFY(c.status.contains(2));
}

void TstDncPty::eiaRefusesHighCharacters()
{
    Channel c;
    c.dnc->setEIA(true);
    c.dnc->setAction(1);
    c.dnc->Send(QStringLiteral("G01") + QChar(0xc8) + QStringLiteral("\r\n"));
    QCOMPARE(c.errors, QList<qint16>{0});
    c.dnc->Send(QStringLiteral("M30\r\n"));
    QTRY_COMPARE(m_machine->received, QByteArray("\x54\x13\x20\x00", 4));
}

void TstDncPty::xoffFirstCharacterHolds_data()
{
    QTest::addColumn<char>("stop");
    QTest::addColumn<char>("go");
    QTest::newRow("DC3, DC1") << char(19) << char(17);
    QTest::newRow("DC3, DC2") << char(19) << char(18);
    QTest::newRow("DC4, DC1") << char(20) << char(17);
}

void TstDncPty::xoffFirstCharacterHolds()
{
    QFETCH(char, stop);
    QFETCH(char, go);
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setAction(1);
    m_machine->write(QByteArray(1, stop) + "N5");
    QTRY_VERIFY(c.dnc->XOffHeld());
    QCOMPARE(c.status, QList<qint16>{3});
    int checks = 0;
    std::function<void()> check = [&] {
        QVERIFY(c.dnc->SendInProgress());
        QVERIFY(m_machine->lineQuiet());
        if (++checks < 3)
            later(2, check);
        else
            m_machine->write(QByteArray(1, go));
    };
    later(2, check);
    c.dnc->Send(QStringLiteral("N10 G01 X10\r\n"));
    QCOMPARE(checks, 3);
    QVERIFY(!c.dnc->XOffHeld());
    QTRY_COMPARE(m_machine->received, QByteArray("N10 G01 X10\r\n"));
}

void TstDncPty::xoffSecondCharacterIsNotNoticed()
{
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setAction(1);
    m_machine->write("%\x13");
    QTRY_COMPARE(c.status, QList<qint16>{3});
    QVERIFY(!c.dnc->XOffHeld());
    c.dnc->Send(QStringLiteral("N10\r\n"));
    QTRY_COMPARE(m_machine->received, QByteArray("N10\r\n"));
}

void TstDncPty::waitXOnStartsHeld()
{
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setWaitXOn(true);
    c.dnc->setAction(1);
    QVERIFY(c.dnc->XOffHeld());
    bool quietWhileHeld = false;
    later(5, [&] {
        quietWhileHeld = m_machine->lineQuiet();
        m_machine->write("\x11");
    });
    c.dnc->Send(QStringLiteral("%\r\n"));
    QVERIFY(quietWhileHeld);
    QTRY_COMPARE(m_machine->received, QByteArray("%\r\n"));
}

// Flow control gates the queueing of pieces: after an XOFF the rest of the piece already
// queued still leaves, and the send returns only after XON.
void TstDncPty::restOfPieceLeavesAfterXoff()
{
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setAction(1);
    const QByteArray big(200000, 'X');
    bool stopped = false;
    m_machine->onData = [&](const QByteArray &) {
        if (!stopped)
            m_machine->write("\x13");
        stopped = true;
    };
    bool heldWhileRestLeft = false;
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (m_machine->received.size() < big.size() || !c.dnc->XOffHeld())
            return;
        watch.stop();
        heldWhileRestLeft = c.dnc->SendInProgress() && m_machine->lineQuiet();
        m_machine->write("\x11");
    });
    watch.start();
    c.dnc->Send(QString::fromLatin1(big));
    QVERIFY(heldWhileRestLeft);
    QCOMPARE(m_machine->received, big);

    // Held before the next piece: nothing of it leaves until XON.
    m_machine->write("\x13");
    QTRY_VERIFY(c.dnc->XOffHeld());
    bool quietWhileHeld = false;
    later(5, [&] {
        quietWhileHeld = m_machine->lineQuiet();
        m_machine->write("\x11");
    });
    c.dnc->Send(QStringLiteral("N2\r\n"));
    QVERIFY(quietWhileHeld);
    QTRY_COMPARE(m_machine->received, big + "N2\r\n");
}

void TstDncPty::openFailures()
{
    // Missing device.
    SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com8"),
                m_folders->file(QStringLiteral("no-such-tty")));
    {
        Channel c;
        c.dnc->setComPort(QStringLiteral("COM8"));
        c.dnc->setAction(1);
        QCOMPARE(c.dnc->Action(), 0);
        QCOMPARE(c.errors, QList<qint16>{24});
    }
    // Held by another open.
    Channel first;
    first.dnc->setAction(2);
    QCOMPARE(first.dnc->Action(), 2);
    Channel second;
    second.dnc->setAction(1);
    QCOMPARE(second.dnc->Action(), 0);
    QCOMPARE(second.errors, QList<qint16>{27});
    QVERIFY(first.errors.isEmpty());
    // Once the first lets go the port opens.
    first.dnc->setAction(0);
    second.errors.clear();
    second.dnc->setAction(1);
    QCOMPARE(second.dnc->Action(), 1);
    QVERIFY(second.errors.isEmpty());
}

void TstDncPty::anyFramingOpensAPty()
{
    Channel c;
    c.dnc->setDataBits(QStringLiteral("4"));
    c.dnc->setStopBits(QStringLiteral("1.5"));
    c.dnc->setRTSCTS(true);
    c.dnc->setDTRDTS(true);
    c.dnc->setAction(1);
    QCOMPARE(c.dnc->Action(), 1);
    c.dnc->Send(QStringLiteral("N1\r\n"));
    QTRY_COMPARE(m_machine->received, QByteArray("N1\r\n"));
    QVERIFY(c.errors.isEmpty());
    QVERIFY(!c.dnc->CtsHeld() && !c.dnc->DsrHeld());
}

void TstDncPty::hangUpIsReportedOnce_data()
{
    QTest::addColumn<bool>("whileHeld");
    QTest::newRow("held by XOFF") << true;
    QTest::newRow("draining") << false;
}

void TstDncPty::hangUpIsReportedOnce()
{
    QFETCH(bool, whileHeld);
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setWaitXOn(whileHeld);
    c.dnc->setAction(1);
    if (whileHeld) {
        later(5, [&] { m_machine->hangUp(); });
        c.dnc->Send(QStringLiteral("N1\r\n"));
    } else {
        m_machine->onData = [&](const QByteArray &) { m_machine->hangUp(); };
        c.dnc->Send(QString(500000, QLatin1Char('X')));
    }
    QVERIFY(!c.dnc->SendInProgress());
    QCOMPARE(c.errors, QList<qint16>{403});
    QCOMPARE(c.dnc->Action(), 0);
    c.dnc->Send(QStringLiteral("N2\r\n"));
    QCOMPARE(c.errors, QList<qint16>{403});
}

void TstDncPty::destroyedWhileHeld()
{
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setWaitXOn(true);
    c.dnc->setAction(1);
    QPointer<ucDnc> dnc = c.dnc;
    later(5, [&] { delete dnc.data(); });
    dnc->Send(QStringLiteral("N1\r\n"));
    QVERIFY(dnc.isNull());
    // The port was let go: another channel opens it.
    Channel other;
    other.dnc->setAction(1);
    QCOMPARE(other.dnc->Action(), 1);
}

QTEST_MAIN(TstDncPty)
#include "tst_dncpty.moc"
