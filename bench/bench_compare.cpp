// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the line comparison of two programs, of reading a program's facts and of the
// restart header for its last line.
//
//   bench_compare [lines] [changes] [runs]
//
// lines: length of each generated program (100000); changes: lines changed, added or
// removed, spread over the second (1000); runs: repetitions per figure (5). Every figure
// is the median of the runs, in milliseconds. Goals: comparing the two programs under one
// second, also with block numbers ignored against the program renumbered; the memory the
// comparison adds within 50 MB at 100000 lines.

#include "BenchFigures.h"

#include "tools/LineCompare.h"
#include "tools/ProgramFacts.h"
#include "tools/RestartHeader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace kordavel;
using namespace kordavel::bench;

namespace {

// A milling program: numbered blocks of feed moves, with the rows real programs repeat
// (retracts, coolant, comments).
QStringList generateProgram(int lines, std::mt19937 &rng)
{
    auto coord = [&](double lo, double hi) {
        return QString::number(std::uniform_real_distribution<double>(lo, hi)(rng), 'f', 3);
    };
    QStringList out{QStringLiteral("%"), QStringLiteral("O1001 (COMPARE BENCHMARK)")};
    for (int i = 2; i < lines - 1; ++i) {
        QString line = QStringLiteral("N%1 ").arg(i * 10);
        if (i % 25 == 0)
            line += QStringLiteral("G00 Z5.");
        else if (i % 97 == 0)
            line = QStringLiteral("(POCKET %1)").arg(i / 97);
        else if (i % 40 == 0)
            line.clear();
        else
            line += QStringLiteral("G01 X") + coord(-250, 250) + QStringLiteral(" Y") +
                    coord(-150, 150) + QStringLiteral(" F800");
        out << line;
    }
    out << QStringLiteral("M30");
    return out;
}

double timed(int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer clock;
        clock.start();
        work();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(10, atoi(argv[1])) : 100000;
    const int changes = argc > 2 ? std::max(0, atoi(argv[2])) : 1000;
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 5;

    std::mt19937 rng(20261207u);
    const QStringList left = generateProgram(lines, rng);
    QStringList right = left;
    // Changes spread evenly: a third changed, a third added, a third removed.
    const int spacing = std::max(1, (lines - 4) / std::max(1, changes));
    for (int c = changes - 1; c >= 0; --c) {
        const int at = std::min(int(right.size()) - 2, 2 + c * spacing);
        if (c % 3 == 0)
            right[at] += QStringLiteral(" M08");
        else if (c % 3 == 1)
            right.insert(at, QStringLiteral("G04 P500"));
        else
            right.removeAt(at);
    }
    QStringList renumbered = right;
    for (qsizetype i = 0; i < renumbered.size(); ++i)
        if (renumbered[i].startsWith(QLatin1Char('N')))
            renumbered[i] = QStringLiteral("N%1 ").arg(i + 1) +
                            renumbered[i].mid(renumbered[i].indexOf(QLatin1Char(' ')) + 1);
    const auto views = [](const QStringList &list) {
        QList<QStringView> out;
        for (const QString &s : list)
            out.append(s);
        return out;
    };
    const QList<QStringView> a = views(left), b = views(right), c = views(renumbered);

    qsizetype differences = 0;
    const double before = memoryMB("VmRSS:");
    restartPeak();
    const double compareMs = timed(
        runs, [&] { differences = LineCompare::differences(LineCompare::compare(a, b)).size(); });
    const double peak = memoryMB("VmHWM:");
    qsizetype renumberedDifferences = 0;
    const double ignoreMs = timed(runs, [&] {
        renumberedDifferences =
            LineCompare::differences(LineCompare::compare(a, c, {.ignoreNumbers = true})).size();
    });
    const QString program = left.join(QLatin1Char('\n'));
    double minutes = 0;
    const double factsMs =
        timed(runs, [&] { minutes = ProgramFactsReader::read(program).minutes(); });
    qsizetype headerBlocks = 0;
    const double restartMs =
        timed(runs, [&] { headerBlocks = planRestart(program, lines - 1, false).header.size(); });

    std::printf("lines %d, changes %d, runs %d (median ms)\n", lines, changes, runs);
    std::printf("compare                      %9.1f ms  (%lld differences; goal 1000 ms: %.2f)\n",
                compareMs, qint64(differences), compareMs / 1000);
    std::printf("compare renumbered, N ignored %8.1f ms  (%lld differences; goal 1000 ms: %.2f)\n",
                ignoreMs, qint64(renumberedDifferences), ignoreMs / 1000);
    std::printf("memory added by a comparison %9.1f MB  (goal 50 MB: %.2f)\n", peak - before,
                (peak - before) / 50);
    std::printf("program facts                %9.1f ms  (%.1f min of cycle time)\n", factsMs,
                minutes);
    std::printf("restart header, last line    %9.1f ms  (%lld blocks)\n", restartMs,
                qint64(headerBlocks));
    return 0;
}
