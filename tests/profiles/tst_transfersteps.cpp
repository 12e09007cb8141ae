// The plain steps of a transfer: progress figure, line scan, pieces, the window layout,
// and the pause that keeps the window usable.
#include "program/Pause.h"
#include "program/TransferSteps.h"

#include <QTimer>
#include <QtTest>

using namespace kordavel;

class TstTransferSteps : public QObject {
    Q_OBJECT
private slots:
    void progress_data();
    void progress();
    void scanSplitsIntoLines_data();
    void scanSplitsIntoLines();
    void layout_data();
    void layout();
    void pauseKeepsEventsGoing();
};

void TstTransferSteps::progress_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("first of two lines") << 9 << 12 << 75;
    QTest::newRow("rounded down") << 2 << 3 << 66;
    QTest::newRow("past the end") << 13 << 12 << 108;
    QTest::newRow("zero divisor") << 1 << 0 << 100;
}

void TstTransferSteps::progress()
{
    QFETCH(int, position);
    QFETCH(int, total);
    QFETCH(int, percent);
    QCOMPARE(progressPercent(position, total), percent);
}

void TstTransferSteps::scanSplitsIntoLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QStringList>("pieces"); // "|" closes with CR LF
    QTest::newRow("two lines") << "AB\r\nCD" << 0 << 6 << QStringList{"AB\r\n", "CD", ""};
    QTest::newRow("selection") << "G01 X10\r\nM30" << 9 << 2 << QStringList{"M3", "0"};
    QTest::newRow("first character") << "G01" << 0 << 0 << QStringList{"G"};
}

// The pieces of a send, as the timer hands them to the channel one per tick.
void TstTransferSteps::scanSplitsIntoLines()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QStringList, pieces);
    const int bound = start + length;
    int position = start;
    int lineStart = start;
    QStringList got;
    for (int guard = 0; guard < 100; ++guard) {
        position = scanPiece(text, position, bound, false);
        got << pieceText(text, lineStart, position);
        lineStart = position;
        if (position > bound)
            break;
    }
    QCOMPARE(got, pieces);
}

void TstTransferSteps::layout_data()
{
    QTest::addColumn<double>("W");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<double>("remoteWidth");
    QTest::addColumn<double>("textLeft");
    QTest::addColumn<double>("textWidth");
    QTest::addColumn<double>("panel1");
    QTest::addColumn<double>("panel2");
    QTest::newRow("remote, 9000 wide")
        << 9000.0 << true << 2516.0 << 2516.0 << 5032.0 << 6076.0 << 1440.0;
    QTest::newRow("X 3768") << 5252.0 << false << 0.0 << 0.0 << 3800.0 << 2328.0 << 1440.0;
    QTest::newRow("X 2000") << 3484.0 << false << 0.0 << 0.0 << 2032.0 << 1000.0 << 1000.0;
}

void TstTransferSteps::layout()
{
    QFETCH(double, W);
    QFETCH(bool, remote);
    QFETCH(double, remoteWidth);
    QFETCH(double, textLeft);
    QFETCH(double, textWidth);
    QFETCH(double, panel1);
    QFETCH(double, panel2);
    const ProgramLayout l = computeProgramLayout(W, 5000, 1452, 264, remote);
    QVERIFY(l.panesValid);
    QCOMPARE(l.remoteShown, remote);
    QCOMPARE(l.remoteWidth, remoteWidth);
    QCOMPARE(l.textLeft, textLeft);
    QCOMPARE(l.textWidth, textWidth);
    QCOMPARE(l.panel1, panel1);
    QCOMPARE(l.panel2, panel2);
    QCOMPARE(l.panel3, 1142.0);
    // Too small: the steps that would go negative are skipped.
    const ProgramLayout tiny = computeProgramLayout(1000, 100, 1452, 264, remote);
    QVERIFY(!tiny.panesValid);
    QVERIFY(!tiny.panels12Valid);
    QVERIFY(tiny.panel3Valid);
}

void TstTransferSteps::pauseKeepsEventsGoing()
{
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    Pause(0.3f);
    QVERIFY(clock.elapsed() >= 290);
    QVERIFY(ticks >= 5);
    Pause(0);
    Pause(-1);
}

QTEST_MAIN(TstTransferSteps)
#include "tst_transfersteps.moc"
