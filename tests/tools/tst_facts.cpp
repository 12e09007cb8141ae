// SPDX-License-Identifier: GPL-3.0-or-later
// The facts of a program (cycle time, lengths, ranges, tools) and the line comparison of two
// programs, on hand-worked programs.
#include "profiles/MachineRapidRate.h"
#include "program/ProgramPanel.h"
#include "program/ToolpathView.h"
#include "program/frmCompare.h"
#include "program/frmCompareWith.h"
#include "program/frmPreview.h"
#include "program/frmProgramFacts.h"
#include "support/Fixtures.h"
#include "support/FrameSession.h"
#include "tools/LineCompare.h"
#include "tools/ProgramFacts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include <cmath>
#include <numbers>

using namespace kordavel;
using namespace kordavel::test;

namespace {

constexpr double kPi = std::numbers::pi;

// Rows as "kind left right" triples: "=00 ~11 -2. +.3".
QString encode(const QList<CompareRow> &rows)
{
    QStringList out;
    for (const CompareRow &r : rows) {
        const QChar kind = QLatin1Char("=~-+"[r.kind]);
        const auto side = [](qint32 i) { return i < 0 ? QStringLiteral(".") : QString::number(i); };
        out << kind + side(r.left) + side(r.right);
    }
    return out.join(QLatin1Char(' '));
}

QString compareTexts(const QString &left, const QString &right, bool numbers, bool blanks)
{
    return encode(LineCompare::compare(splitLines(left), splitLines(right),
                                       {.ignoreNumbers = numbers, .ignoreBlanks = blanks}));
}

// The length of the longest common subsequence, by the table.
int commonLength(const QList<int> &a, const QList<int> &b)
{
    QList<QList<int>> t(a.size() + 1, QList<int>(b.size() + 1));
    for (qsizetype i = a.size() - 1; i >= 0; --i)
        for (qsizetype j = b.size() - 1; j >= 0; --j)
            t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
    return t[0][0];
}

} // namespace

class TstFacts : public QObject {
    Q_OBJECT
private slots:
    void cycleTime_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("lathe");
        QTest::addColumn<double>("rapidRate");
        QTest::addColumn<double>("minutes");
        QTest::addColumn<double>("feedLength");
        QTest::addColumn<double>("rapidLength");
        QTest::addColumn<int>("untimed");
        const auto row = [](const char *name, const char *program, bool lathe, double rate,
                            double minutes, double feed, double rapid, int untimed = 0) {
            QTest::newRow(name) << program << lathe << rate << minutes << feed << rapid << untimed;
        };
        // A square of side 10 at F100: 4 * 10 / 100 min.
        row("square", "G21 G90 G94\nG1 X10 F100\nY10\nX0\nY0\nM30\n", false, 5000, 0.4, 40, 0);
        row("square in inches", "G20\nG1 X1 F10\nY1\nX0\nY0\n", false, 5000, 0.4, 101.6, 0);
        // Half a circle of radius 10: 10 pi long, after a rapid of 10 mm.
        row("half circle", "G0 X10\nG2 X-10 I-10 J0 F100\n", false, 5000, 0.1 * kPi + 10.0 / 5000,
            10 * kPi, 10);
        row("full circle by R-less centre", "G0 X10\nG3 X10 Y0 I-10 J0 F200\n", false, 5000,
            0.1 * kPi + 10.0 / 5000, 20 * kPi, 10);
        // A helix: half a turn of radius 5 going down 2.
        row("helix", "G3 X10 Y0 Z-2 I5 J0 F100\n", false, 5000, std::hypot(5 * kPi, 2.0) / 100,
            std::hypot(5 * kPi, 2.0), 0);
        row("dwell P in milliseconds", "G4 P2000\n", false, 5000, 2.0 / 60, 0, 0);
        row("dwell X in seconds", "G04 X1.5\n", false, 5000, 1.5 / 60, 0, 0);
        row("dwell P with a point in seconds", "G4 P1.5\n", false, 5000, 1.5 / 60, 0, 0);
        row("lathe dwell U", "G4 U2.\n", true, 5000, 2.0 / 60, 0, 0);
        row("rapids at the machine's rate", "G0 X30 Y40\nZ-10\n", false, 10000, 60.0 / 10000, 0,
            60);
        row("rapids in inches", "G20 G0 X3 Y4\n", false, 5000, 127.0 / 5000, 0, 127);
        // Feed per revolution: 0.1 mm at 1000 rpm is 100 mm/min.
        row("G95 on a mill", "G95 S1000 M3\nG1 X100 F0.1\n", false, 5000, 1, 100, 0);
        row("a lathe starts per revolution", "G97 S500 M3\nG1 Z-50 F0.2\n", true, 5000, 0.5, 50, 0);
        row("lathe G98 per minute", "G98\nG1 Z-50 F100\n", true, 5000, 0.5, 50, 0);
        // 200 m/min at diameter 50 is 1273 rpm, at 0.1 mm a turn 127.3 mm/min.
        row("G96 at its diameter", "G50 S2000\nG96 S200 M3\nG0 X50 Z0\nG1 Z-10 F0.1\n", true, 5000,
            10 / (0.1 * 200000 / (kPi * 50)) + 25.0 / 5000, 10, 25);
        // Under G20 the surface speed is in feet a minute: at diameter 2 in, 573 rpm.
        row("G96 in inches", "G20\nG50 S1000\nG96 S300 M3\nG0 X2 Z0\nG1 Z-1 F0.01\n", true, 5000,
            25.4 / (0.254 * 300 * 304.8 / (kPi * 50.8)) + 25.4 / 5000, 25.4, 25.4);
        row("G96 without a limit", "G96 S200 M3\nG0 X50 Z0\nG1 Z-10 F0.1\n", true, 5000,
            10 / (0.1 * 200000 / (kPi * 50)) + 25.0 / 5000, 10, 25);
        row("G96 held to the G50 limit at the centre",
            "G50 S1000\nG96 S200 M3\nG0 X0 Z0\nG1 Z-10 F0.1\n", true, 5000, 0.1, 10, 0);
        // Into the hole and out again at the rapid rate, down it at the feed.
        row("drilling cycle", "G0 X0 Y0 Z10\nG81 X10 Y0 Z-5 R2 F100\nG80\nG0 Z50\n", false, 5000,
            7.0 / 100 + 83.0 / 5000, 7, 83);
        row("no feed yet", "G1 X10\nF50 X20\n", false, 5000, 0.2, 20, 0, 1);
        row("nothing after M30", "G1 X10 F100\nM30\nG1 X500\n", false, 5000, 0.1, 10, 0);
    }

    void cycleTime()
    {
        QFETCH(QString, program);
        QFETCH(bool, lathe);
        QFETCH(double, rapidRate);
        QFETCH(double, minutes);
        QFETCH(double, feedLength);
        QFETCH(double, rapidLength);
        QFETCH(int, untimed);
        const ProgramFacts facts = ProgramFactsReader::read(program, lathe, rapidRate);
        for (const auto &[got, want] : {std::pair{facts.minutes(), minutes},
                                        {facts.feedLength, feedLength},
                                        {facts.rapidLength, rapidLength}})
            QVERIFY2(std::abs(got - want) < 1e-9, qPrintable(QString::number(got, 'g', 12)));
        QCOMPARE(facts.untimedMoves, untimed);
    }

    // facts.txt: the tools, changes, blocks, range and units of hand-worked programs.
    void toolsRangesAndBlocks_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<L>("args"); // lathe, changes, blocks, inch, range
        QTest::addColumn<L>("tools");
        for (const Case &c : readCases("facts.txt"))
            QTest::newRow(qPrintable(c.name)) << c.parts[0].join('\n') << c.fields << c.parts[1];
    }

    void toolsRangesAndBlocks()
    {
        QFETCH(QString, program);
        QFETCH(L, args);
        QFETCH(L, tools);
        const ProgramFacts facts = ProgramFactsReader::read(program, args[0] == "1");
        L seen;
        for (const ToolUse &t : facts.tools)
            seen << QStringLiteral("%1 %2 %3").arg(t.tool).arg(t.line).arg(t.comment);
        QCOMPARE(seen, tools);
        const auto n = [](double v) { return QString::number(std::round(v * 1000) / 1000); };
        const L range{n(facts.min.x), n(facts.max.x), n(facts.min.y),
                      n(facts.max.y), n(facts.min.z), n(facts.max.z)};
        QCOMPARE((L{QString::number(facts.toolChanges), QString::number(facts.blocks),
                    QString::number(facts.inch), range.join(' ')}),
                 args.mid(1));
        QVERIFY(facts.hasRange);
    }

    // Read in slices as a window reads a long program, the facts are those of one reading,
    // also past the segments the reader drops on the way.
    void slicesGiveTheWholeReading()
    {
        QString program = QStringLiteral("G21 F1000\n");
        for (int i = 0; i < 10000; ++i)
            program += QString::asprintf("G1 X%d Y%d\nG0 Z5\nG2 X%d Y%d R5\n", i % 50, i % 7,
                                         i % 50, i % 7 + 10);
        const ProgramFacts whole = ProgramFactsReader::read(program);
        ProgramFactsReader reader;
        qsizetype at = 0;
        while (at < program.size())
            at = reader.addLines(program, at, 777);
        const ProgramFacts sliced = reader.facts();
        QCOMPARE(sliced.blocks, whole.blocks);
        QVERIFY(std::abs(sliced.minutes() - whole.minutes()) < 1e-6);
        QVERIFY(std::abs(sliced.feedLength - whole.feedLength) < 1e-6);
        QCOMPARE(whole.blocks, 30001);
        QVERIFY(whole.feedLength > 10000 * 5 * kPi);
    }

    void compare_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<bool>("blanks");
        QTest::addColumn<QString>("rows");
        const auto row = [](const char *name, const char *left, const char *right, bool numbers,
                            bool blanks, const char *rows) {
            QTest::newRow(name) << left << right << numbers << blanks << rows;
        };
        row("equal", "a\nb\nc", "a\nb\nc\n", false, false, "=00 =11 =22");
        row("insertion", "a\nc", "a\nb\nc", false, false, "=00 +.1 =12");
        row("deletion", "a\nb\nc", "a\nc", false, false, "=00 -1. =21");
        row("change", "a\nb\nc", "a\nx\nc", false, false, "=00 ~11 =22");
        row("two lines for one", "a\nb\nc\nd", "a\nx\nd", false, false, "=00 ~11 -2. =32");
        row("empty left", "", "a\nb", false, false, "+.0 +.1");
        row("empty right", "a\nb", "", false, false, "-0. -1.");
        row("CR LF rows", "a\r\nb\r\n", "a\nb", false, false, "=00 =11");
        const char *numbered = "N10 G0 X0\nN20 G1 X5\nN30 M30";
        row("renumbered", numbered, "N100 G0 X0\nN110 G1 X5\nN120 M30", false, false,
            "~00 ~11 ~22");
        row("renumbered, numbers ignored", numbered, "N100 G0 X0\nN110 G1 X5\nN120 M30", true,
            false, "=00 =11 =22");
        row("a move changed under new numbers", numbered, "N5 G0 X0\nN6 G1 X6\nN7 M30", true, false,
            "=00 ~11 =22");
        row("small n, numbers ignored", "n10 G0 X0\nn20 M30", "n5 G0 X0\nn6 M30", true, false,
            "=00 =11");
        row("numbers ignored keep the slash", "/N10 G0 X0\n/N20 M1", "/N30 G0 X0\nN40 M1", true,
            false, "=00 ~11");
        row("received back without blanks", "G0 X0\n\nG1 X5 Y5", "G0X0\nG1X5Y5\n", false, true,
            "=00 =1. =21");
        row("blanks compared", "G0 X0\n\nG1 X5", "G0X0\nG1 X5\n", false, false, "~00 -1. =21");
        row("numbers and blanks", "N10 G0 X0\n\nN20 G1 X5", "N1G0X0\nN2G1X5\n\n", true, true,
            "=00 =1. =21 =.2");
    }
    void compare()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(bool, numbers);
        QFETCH(bool, blanks);
        QFETCH(QString, rows);
        QCOMPARE(compareTexts(left, right, numbers, blanks), rows);
    }

    // On random programs of few distinct lines the rows keep both sides in order and hold as
    // many equal lines as the longest common part.
    void shortestEdit()
    {
        QRandomGenerator random(27);
        for (int round = 0; round < 400; ++round) {
            QList<int> a, b;
            for (int i = int(random.bounded(30)); i > 0; --i)
                a << int(random.bounded(4));
            b = a;
            for (int e = int(random.bounded(8)); e > 0; --e) {
                const int at = int(random.bounded(b.size() + 1));
                if (random.bounded(2) && at < b.size())
                    b.remove(at);
                else
                    b.insert(at, int(random.bounded(4)));
            }
            const auto text = [](const QList<int> &side) {
                QStringList lines;
                for (int v : side)
                    lines << QString::number(v);
                return lines.join(QLatin1Char('\n'));
            };
            const QString l = text(a), r = text(b);
            const QList<CompareRow> rows = LineCompare::compare(splitLines(l), splitLines(r));
            qint32 nextLeft = 0, nextRight = 0, same = 0;
            for (const CompareRow &row : rows) {
                if (row.left >= 0)
                    QCOMPARE(row.left, nextLeft++);
                if (row.right >= 0)
                    QCOMPARE(row.right, nextRight++);
                if (row.kind == CompareRow::Same) {
                    QCOMPARE(a[row.left], b[row.right]);
                    ++same;
                }
            }
            QCOMPARE(nextLeft, a.size());
            QCOMPARE(nextRight, b.size());
            QCOMPARE(same, commonLength(a, b));
        }
    }

    void differences()
    {
        const QList<CompareRow> rows =
            LineCompare::compare(splitLines(u"a\nb\nc\nd\ne\nf"), splitLines(u"x\nb\nc\nf\ny"));
        QCOMPARE(encode(rows), QStringLiteral("~00 =11 =22 -3. -4. =53 +.4"));
        QCOMPARE(LineCompare::differences(rows), QList<qsizetype>({0, 3, 6}));
        const QList<CompareRow> first =
            LineCompare::compare(splitLines(u"a\nb\nc"), splitLines(u"x\ny\nc"));
        QCOMPARE(LineCompare::differences(first), QList<qsizetype>{0});
    }

    void clockText()
    {
        QCOMPARE(frmProgramFacts::clockText(0.4), "0:00:24");
        QCOMPARE(frmProgramFacts::clockText(1.0 / 120 + 1e-9), "0:00:01"); // to the second
        QCOMPARE(frmProgramFacts::clockText(61.5), "1:01:30");
        QCOMPARE(frmProgramFacts::clockText(std::nan("")), "0:00:00");
    }

    // A stored rate that is no positive number reads as the default.
    void rapidRateKeptPerMachine()
    {
        TestFolders folders;
        QCOMPARE(ReadRapidRate(QStringLiteral("Mill1")), 5000.0);
        for (const auto &[stored, rate] :
             {std::pair{"12000", 12000.0}, {"fast", 5000.0}, {"0", 5000.0}}) {
            SaveSetting(QStringLiteral("Machine Mill1"), QStringLiteral("RapidRate"), stored);
            QCOMPARE(ReadRapidRate(QStringLiteral("Mill1")), rate);
        }
        QCOMPARE(ReadRapidRate(QStringLiteral("Lathe1")), 5000.0);
    }

    // F7 and Shift+F7 walk the differences.
    void compareWindow()
    {
        frmCompare moves(QStringLiteral("A"), QStringLiteral("a\nb\nc\nd\ne\nf"),
                         QStringLiteral("B"), QStringLiteral("x\nb\nc\nf\ny"));
        moves.show();
        moves.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&moves));
        for (const int row : {3, 6, 6}) {
            QTest::keyClick(&moves, Qt::Key_F7);
            QCOMPARE(moves.currentRow(), row);
        }
        QTest::keyClick(&moves, Qt::Key_F7, Qt::ShiftModifier);
        QCOMPARE(moves.currentRow(), 3);
        const QModelIndex removed = moves.tblCompare->model()->index(3, 1);
        QCOMPARE(removed.data().toString(), QStringLiteral("d"));
        QCOMPARE(moves.tblCompare->model()->index(3, 3).data().toString(), QString());
    }

    // The preview reads a long program in slices to its end; its status lists six words not
    // understood, and counts those beyond.
    void previewOfALongProgram()
    {
        frmProgram program;
        program.rtfText->setText(QStringLiteral("G28\r\n").repeated(6) +
                                 QStringLiteral("G1 X1\r\nX0\r\n").repeated(15000));
        program.Preview();
        QTRY_COMPARE(program.preview()->view->path().segments.size(), 30000);
        QVERIFY(program.preview()->lblStatus->text().endsWith(QLatin1String("G28 (line 6)")));
    }

    // From the frame: the program received back is compared with the one sent in two clicks,
    // Compare With and the sent program's window; Program Facts reads the active window with its
    // machine's rate.
    void fromTheFrame()
    {
        FrameSession session;
        frmProgram *sent = session.program();
        sent->setWindowTitle(QStringLiteral("SENT.NC"));
        sent->rtfText->setText(QStringLiteral("%\r\nN10 G0 X0\r\nN20 G1 X5 F100\r\nM30\r\n%"));
        frmProgram *received = session.frame->NewProgramWindow(0);
        received->rtfText->setText(QStringLiteral("%\r\nN10 G0X0\r\nN20 G1X5F100\r\nM30\r\n%"));
        QCOMPARE(session.program(), received);
        session.trigger("mnuProgramCompare");
        auto *picker = session.frame->findChild<frmCompareWith *>();
        QVERIFY(picker);
        QCOMPARE(picker->lstPrograms->currentItem()->text(), QStringLiteral("SENT.NC"));
        QVERIFY(QTest::qWaitForWindowExposed(picker));
        QTest::mouseClick(
            picker->lstPrograms->viewport(), Qt::LeftButton, {},
            picker->lstPrograms->visualItemRect(picker->lstPrograms->item(0)).center());
        auto *compare = session.frame->findChild<frmCompare *>();
        QVERIFY(compare);
        QCOMPARE(compare->differences().size(), 1);
        compare->chkIgnoreBlanks->setChecked(true);
        QVERIFY(compare->differences().isEmpty());
        QVERIFY(!compare->cmdNext->isEnabled());
        compare->close();

        // A file: the one punched back, renumbered; and one that is not there.
        session.dialogs.openAnswers << writeFile(session.folders.file(QStringLiteral("BACK.NC")),
                                                 "%\r\nN1 G0 X0\r\nN2 G1 X5 F100\r\nM30\r\n%\r\n")
                                    << session.folders.file(QStringLiteral("GONE.NC"));
        for (int i = 0; i < 2; ++i) {
            session.trigger("mnuProgramCompare");
            session.frame->findChildren<frmCompareWith *>().last()->cmdFile->click();
        }
        QCOMPARE(session.dialogs.messages.size(), 1);
        QVERIFY(session.dialogs.messages[0].contains(QLatin1String("GONE.NC")));
        auto *fromFile = session.frame->findChildren<frmCompare *>().last();
        QVERIFY(fromFile != compare);
        QCOMPARE(fromFile->rows().size(), 5);
        QCOMPARE(fromFile->differences().size(), 1);
        fromFile->chkIgnoreNumbers->setChecked(true);
        QCOMPARE(fromFile->differences().size(), 1);
        fromFile->chkIgnoreBlanks->setChecked(true);
        QVERIFY(fromFile->differences().isEmpty());
        fromFile->close();

        received->rtfText->setText(QStringLiteral("T0101 (TURN)\r\nG98\r\nG0 X2\r\nG1 Z-5 F100"));
        received->Preview();
        received->findChild<frmPreview *>()->chkLathe->setChecked(true);
        received->picControl->cboMashine->setCurrentIndex(0);
        SaveRapidRate(received->picControl->cboMashine->currentText(), 60);
        session.trigger("mnuProgramFacts");
        auto *facts = session.frame->findChild<frmProgramFacts *>();
        QVERIFY(facts);
        QSignalSpy read(facts, &frmProgramFacts::factsRead);
        QVERIFY(read.wait());
        // As on a lathe: 1 mm of rapid (X is a diameter) at 60 mm/min, 5 mm at F100.
        QCOMPARE(facts->tblFacts->item(0, 1)->text(), QStringLiteral("0:00:04"));
        QCOMPARE(facts->txtRapidRate->value(), 60.0);
        QVERIFY(facts->chkLathe->isChecked());
        QCOMPARE(facts->tblTools->item(0, 2)->text(), QStringLiteral("TURN"));
        // A new rapid rate is the machine's from then on, and the time follows it.
        facts->txtRapidRate->setValue(30);
        QVERIFY(read.wait());
        QCOMPARE(facts->tblFacts->item(0, 1)->text(), QStringLiteral("0:00:05"));
        QCOMPARE(ReadRapidRate(received->picControl->cboMashine->currentText()), 30.0);
        facts->close();
    }
};

QTEST_MAIN(TstFacts)
#include "tst_facts.moc"
