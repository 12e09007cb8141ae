// Line events, holds, error reports and the blocking send, through the fake line.
#include "dnc/ucDnc.h"
#include "support/FakeLine.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace kordavel;

namespace {

constexpr char XON = 17, XOFF = 19;

struct Channel {
    Channel()
    {
        auto owned = std::make_unique<FakeLine>();
        line = owned.get();
        dnc = new ucDnc(std::move(owned));
        QObject::connect(dnc, &ucDnc::Status, [this](qint16 offset) { status << offset; });
        QObject::connect(dnc, &ucDnc::ErrorStatus, [this](qint16 offset) { errors << offset; });
    }
    ~Channel() { delete dnc.data(); }
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    FakeLine *line;
    QPointer<ucDnc> dnc;
    QList<qint16> status;
    QList<qint16> errors;
};

// Runs an action from inside the event processing of a waiting send.
// Timers of one test function; they end with it, so none fires into the next one.
std::unique_ptr<QObject> g_scope;

void later(int ms, std::function<void()> action)
{
    QTimer::singleShot(ms, g_scope.get(), std::move(action));
}

} // namespace

class TstDncEvents : public QObject {
    Q_OBJECT
private slots:
    void init() { g_scope = std::make_unique<QObject>(); }
    void cleanup() { g_scope.reset(); }
    void commEvents_data();
    void commEvents();
    void eventsInEveryState_data();
    void eventsInEveryState();
    void ctsAndDsrHolds_data();
    void ctsAndDsrHolds();
    void waitXOnWithoutXOnXOffWaitsForStop();
    void waitXOnWithoutOptionsHasNoEffect();
    void stopEndsDrain();
    void sendOutsideItsState_data();
    void sendOutsideItsState();
    void receiveByState();
    void remoteDropsFlowControlChunks();
    void actionStates();
    void openFailures_data();
    void openFailures();
    void eiaSendAndReceive();
    void writesCarryTheirSettings();
    void portVanishingIsReportedOnce_data();
    void portVanishingIsReportedOnce();
    void destroyedDuringSend_data();
    void destroyedDuringSend();
    void destroyedByErrorHandler();
};

void TstDncEvents::commEvents_data()
{
    QTest::addColumn<int>("event");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("error");
    QTest::newRow("send threshold") << 1 << 3 << -1;
    QTest::newRow("CTS") << 3 << 4 << -1;
    QTest::newRow("DSR") << 4 << 5 << -1;
    QTest::newRow("CD") << 5 << 6 << -1;
    QTest::newRow("ring") << 6 << 7 << -1;
    QTest::newRow("end of file") << 7 << 8 << -1;
    const int lineErrors[][2] = {{1001, 11}, {1007, 12}, {1002, 13}, {1011, 14},
                                 {1003, 15}, {1004, 16}, {1006, 17}, {1008, 18},
                                 {1009, 19}, {1010, 20}, {1005, 21}, {0, 21}};
    for (const auto &row : lineErrors)
        QTest::addRow("line error %d", row[0]) << row[0] << -1 << row[1];
}

void TstDncEvents::commEvents()
{
    QFETCH(int, event);
    QFETCH(int, status);
    QFETCH(int, error);
    Channel c;
    c.dnc->setAction(2);
    c.line->receive("N10");
    c.status.clear();
    c.line->raiseEvent(qint16(event));
    QCOMPARE(c.status, status < 0 ? QList<qint16>{} : QList<qint16>{qint16(status)});
    QCOMPARE(c.errors, error < 0 ? QList<qint16>{} : QList<qint16>{qint16(error)});
    // Line errors neither stop the transfer nor lose received text.
    QCOMPARE(c.dnc->Action(), 2);
    QCOMPARE(c.dnc->Receive(), QStringLiteral("N10"));
}

void TstDncEvents::eventsInEveryState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QList<qint16>>("dataStatus");
    QTest::newRow("send") << 1 << QList<qint16>{3};
    QTest::newRow("receive") << 2 << QList<qint16>{2};
    QTest::newRow("remote") << 3 << QList<qint16>{};
}

void TstDncEvents::eventsInEveryState()
{
    QFETCH(int, state);
    QFETCH(QList<qint16>, dataStatus);
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setAction(state);
    c.line->receive(QByteArray(1, XOFF));
    QCOMPARE(c.status, dataStatus);
    c.status.clear();
    c.line->setCts(false);
    c.line->setDsr(false);
    c.line->setCd(false);
    c.line->setRing(true);
    QCOMPARE(c.status, (QList<qint16>{4, 5, 6, 7}));
    c.line->raiseEvent(comEventFrame);
    QCOMPARE(c.errors, QList<qint16>{16});
}

void TstDncEvents::ctsAndDsrHolds_data()
{
    QTest::addColumn<bool>("dsr"); // false: CTS with RTSCTS, true: DSR with DTRDTS
    QTest::addColumn<bool>("option");
    QTest::newRow("CTS, RTSCTS on") << false << true;
    QTest::newRow("CTS, RTSCTS off") << false << false;
    QTest::newRow("DSR, DTRDTS on") << true << true;
    QTest::newRow("DSR, DTRDTS off") << true << false;
}

void TstDncEvents::ctsAndDsrHolds()
{
    QFETCH(bool, dsr);
    QFETCH(bool, option);
    Channel c;
    ucDnc &dnc = *c.dnc;
    if (dsr) {
        dnc.setRTSCTS(false);
        dnc.setDTRDTS(option);
    } else {
        dnc.setRTSCTS(option);
    }
    dnc.setAction(1);
    auto drop = [&](bool on) { dsr ? c.line->setDsr(on) : c.line->setCts(on); };
    auto held = [&] { return dsr ? dnc.DsrHeld() : dnc.CtsHeld(); };

    drop(false);
    QCOMPARE(c.status, QList<qint16>{qint16(dsr ? 5 : 4)});
    QCOMPARE(held(), option);
    if (option) {
        // The send waits in the event loop until the line comes back.
        bool sentWhileHeld = true;
        later(0, [&] {
            sentWhileHeld = !c.line->writes.isEmpty();
            drop(true);
        });
        dnc.Send(QStringLiteral("N1\r\n"));
        QVERIFY(!sentWhileHeld);
    } else {
        dnc.Send(QStringLiteral("N1\r\n"));
    }
    QCOMPARE(c.line->written(), QByteArray("N1\r\n"));
    QVERIFY(!held());
    QVERIFY(!dnc.SendInProgress());
}

void TstDncEvents::waitXOnWithoutXOnXOffWaitsForStop()
{
    Channel c;
    ucDnc &dnc = *c.dnc;
    dnc.setWaitXOn(true);
    dnc.setRTSCTS(true);
    dnc.setAction(1);
    QVERIFY(dnc.XOffHeld());
    int passes = 0;
    std::function<void()> tick = [&] {
        if (++passes < 5) {
            later(1, tick);
            return;
        }
        QVERIFY(dnc.SendInProgress());
        QVERIFY(c.line->writes.isEmpty());
        dnc.setAction(0);
    };
    later(1, tick);
    dnc.Send(QStringLiteral("N1\r\n"));
    QCOMPARE(passes, 5);
    QVERIFY(c.line->writes.isEmpty());
    QVERIFY(!dnc.SendInProgress());
    QVERIFY(c.errors.isEmpty()); // a stop is no failure
}

void TstDncEvents::waitXOnWithoutOptionsHasNoEffect()
{
    Channel c;
    c.dnc->setWaitXOn(true);
    c.dnc->setRTSCTS(false);
    c.dnc->setAction(1);
    QVERIFY(c.dnc->XOffHeld());
    c.dnc->Send(QStringLiteral("N1\r\n"));
    QCOMPARE(c.line->written(), QByteArray("N1\r\n"));
}

void TstDncEvents::stopEndsDrain()
{
    Channel c;
    c.line->setAutoDrain(false);
    c.dnc->setRTSCTS(false);
    c.dnc->setAction(1);
    later(5, [&] { c.dnc->setAction(0); });
    c.dnc->Send(QStringLiteral("N1\r\n"));
    QCOMPARE(c.line->written(), QByteArray("N1\r\n"));
    QVERIFY(!c.dnc->SendInProgress());
    QVERIFY(!c.line->PortOpen());
    QVERIFY(c.errors.isEmpty());
}

void TstDncEvents::sendOutsideItsState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("remote");
    QTest::newRow("Send in idle") << 0 << false;
    QTest::newRow("Send in receive") << 2 << false;
    QTest::newRow("Send in remote") << 3 << false;
    QTest::newRow("RemoteSend in send") << 1 << true;
    QTest::newRow("RemoteSend in idle") << 0 << true;
}

void TstDncEvents::sendOutsideItsState()
{
    QFETCH(int, state);
    QFETCH(bool, remote);
    Channel c;
    c.dnc->setAction(state);
    remote ? c.dnc->RemoteSend(QStringLiteral("N1\r\n")) : c.dnc->Send(QStringLiteral("N1\r\n"));
    QVERIFY(c.line->writes.isEmpty());
    QVERIFY(!c.dnc->SendInProgress());
    QVERIFY(c.errors.isEmpty());
}

void TstDncEvents::receiveByState()
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

void TstDncEvents::remoteDropsFlowControlChunks()
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

void TstDncEvents::actionStates()
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

void TstDncEvents::openFailures_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("offset");
    QTest::newRow("missing device") << 8002 << 24;
    QTest::newRow("held by another program") << 8005 << 27;
    QTest::newRow("baud rate refused") << 8007 << 29;
    QTest::newRow("byte size refused") << 8008 << 30;
    QTest::newRow("framing refused") << 8009 << 31;
    QTest::newRow("permission or busy") << 8010 << 32;
    QTest::newRow("8017") << 8017 << 0;
}

void TstDncEvents::openFailures()
{
    QFETCH(int, number);
    QFETCH(int, offset);
    for (int state = 1; state <= 3; ++state) {
        Channel c;
        c.line->setOpenError(number);
        c.dnc->setAction(state);
        QCOMPARE(c.dnc->Action(), 0);
        QVERIFY(!c.line->PortOpen());
        QCOMPARE(c.errors, QList<qint16>{qint16(offset)});
    }
}

void TstDncEvents::eiaSendAndReceive()
{
    Channel c;
    ucDnc &dnc = *c.dnc;
    dnc.setEIA(true);
    dnc.setAction(1);
    dnc.Send(QStringLiteral("G01 X10\r\n"));
    QCOMPARE(c.line->written(), QByteArray("\x67\x20\x01\x10\x37\x01\x20\x00", 8));
    // A character above 128 stops the whole piece.
    dnc.Send(QStringLiteral("G01 X10") + QChar(0xc8) + QStringLiteral("\r\n"));
    QCOMPARE(c.line->written().size(), 8);
    QCOMPARE(c.errors, QList<qint16>{0});
    QVERIFY(!dnc.SendInProgress());
    // EIA off: sent unchanged.
    dnc.setAction(0);
    dnc.setEIA(false);
    dnc.setAction(1);
    dnc.Send(QString(QChar(0xc8)));
    QCOMPARE(c.line->written().right(1), QByteArray("\xc8"));
}

void TstDncEvents::writesCarryTheirSettings()
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
    QCOMPARE(c.line->writes.size(), 2);
    QCOMPARE(c.line->writes[0].settings, QStringLiteral("9600,e,7,2"));
    QCOMPARE(c.line->writes[0].handshaking, 0);
    QVERIFY(c.line->writes[0].dtrEnable);
    QCOMPARE(c.line->writes[1].settings, QStringLiteral("9600,N,8,1"));
    QCOMPARE(c.line->writes[1].handshaking, 2);
    QVERIFY(!c.line->writes[1].dtrEnable);
}

void TstDncEvents::portVanishingIsReportedOnce_data()
{
    QTest::addColumn<bool>("whileHeld");    // else while draining
    QTest::addColumn<bool>("foundByCount"); // else the line notices by itself
    QTest::newRow("held by XOFF") << true << false;
    QTest::newRow("draining") << false << false;
    QTest::newRow("draining, found by the count") << false << true;
}

void TstDncEvents::portVanishingIsReportedOnce()
{
    QFETCH(bool, whileHeld);
    QFETCH(bool, foundByCount);
    Channel c;
    ucDnc &dnc = *c.dnc;
    dnc.setXOnXOff(true);
    dnc.setWaitXOn(whileHeld);
    c.line->setAutoDrain(false);
    dnc.setAction(1);
    later(5, [&] { foundByCount ? c.line->vanishOnCount() : c.line->vanish(); });
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

void TstDncEvents::destroyedDuringSend_data()
{
    QTest::addColumn<bool>("whileHeld");
    QTest::addColumn<bool>("deferred");
    QTest::newRow("held, deleted") << true << false;
    QTest::newRow("held, deleteLater") << true << true;
    QTest::newRow("draining, deleted") << false << false;
    QTest::newRow("draining, deleteLater") << false << true;
}

void TstDncEvents::destroyedDuringSend()
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
    later(5, [&] {
        if (deferred)
            dnc->deleteLater();
        else
            delete dnc.data();
    });
    if (deferred) {
        // A deferred delete runs once control is back in an event loop.
        later(10, [&] {
            if (dnc)
                dnc->setAction(0);
        });
    }
    dnc->Send(QStringLiteral("N1\r\n"));
    QTRY_VERIFY(dnc.isNull());
}

// The window closes itself from its error message while a send waits.
void TstDncEvents::destroyedByErrorHandler()
{
    auto owned = std::make_unique<FakeLine>();
    FakeLine *line = owned.get();
    QPointer<ucDnc> dnc = new ucDnc(std::move(owned));
    line->setAutoDrain(false);
    dnc->setXOnXOff(true);
    dnc->setWaitXOn(true);
    dnc->setAction(1);
    connect(dnc, &ucDnc::ErrorStatus, [&] { delete dnc.data(); });
    later(5, [&] { line->raiseEvent(comEventFrame); });
    dnc->Send(QStringLiteral("N1\r\n"));
    QVERIFY(dnc.isNull());
}

QTEST_MAIN(TstDncEvents)
#include "tst_dncevents.moc"
