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
    QTest::addColumn<QStringList>("pieces");
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
    QStringList got;
    for (int guard = 0; guard < 100 && position <= bound; ++guard) {
        const int lineStart = position;
        position = scanPiece(text, position, bound, false);
        got << pieceText(text, lineStart, position);
    }
    QCOMPARE(got, pieces);
}

// Pane and status panel sizes, in twips, for a window W wide and 5000 high, a panel 1452
// wide and a status bar 264 high; too small a window skips the steps that would go
// negative.
void TstTransferSteps::layout_data()
{
    QTest::addColumn<double>("W");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<QList<double>>("expected"); // remote width, text left and width, panels
    QTest::newRow("remote, 9000 wide")
        << 9000.0 << true << QList<double>{2516, 2516, 5032, 6076, 1440, 1142};
    QTest::newRow("X 3768") << 5252.0 << false << QList<double>{0, 0, 3800, 2328, 1440, 1142};
    QTest::newRow("X 2000") << 3484.0 << false << QList<double>{0, 0, 2032, 1000, 1000, 1142};
}

void TstTransferSteps::layout()
{
    QFETCH(double, W);
    QFETCH(bool, remote);
    QFETCH(QList<double>, expected);
    const ProgramLayout l = computeProgramLayout(W, 5000, 1452, 264, remote);
    QVERIFY(l.panesValid);
    QCOMPARE(l.remoteShown, remote);
    QCOMPARE((QList<double>{l.remoteWidth, l.textLeft, l.textWidth, l.panel1, l.panel2, l.panel3}),
             expected);
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
    Pause(0); // no wait, and no hang
    Pause(-1);
}

QTEST_MAIN(TstTransferSteps)
#include "tst_transfersteps.moc"
