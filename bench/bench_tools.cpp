// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the program tools on a large generated program, each beside the time to load
// the same program into the editor (the floor).
//
//   QT_QPA_PLATFORM=offscreen bench_tools [lines] [runs]
//
// lines: length of the generated program (100000); runs: repetitions per figure (5).
// Every figure is the median of the runs, in milliseconds. Goal: each tool within twice
// the load time and under one second.

#include "editor/RichTextBox.h"
#include "tools/RewriteLines.h"
#include "tools/TextSearch.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace kordavel;

namespace {

constexpr int kMatches = 10000; // lines that hold the word M08

// A program with block numbers, empty rows, comments, skipped blocks, a non-ASCII
// character every 50 lines and the word M08 on kMatches lines, as CR LF plain text.
QByteArray generateProgram(int lineCount)
{
    std::mt19937 rng(20240611u);
    auto coord = [&](double lo, double hi) {
        return QByteArray::number(std::uniform_real_distribution<double>(lo, hi)(rng), 'f', 3);
    };
    QByteArray out;
    out.reserve(qsizetype(lineCount) * 30);
    out += "%\r\nO1001 (KORDAVEL BENCHMARK PART)\r\n";
    const int every = std::max(1, (lineCount - 3) / kMatches);
    int matches = 0;
    for (int i = 2; i < lineCount - 1; ++i) {
        QByteArray line;
        if (i % 40 == 0) {
            line = ""; // an empty row
        } else if (i % 97 == 0) {
            line = "(ROUGHING PASS " + QByteArray::number(i) + ')';
        } else {
            line = 'N' + QByteArray::number(i * 10) + ' ';
            if (i % 61 == 0)
                line.prepend('/');
            line += "G01 X" + coord(-250, 250) + " Y" + coord(-150, 150);
            if (i % 50 == 0)
                line += " \xB0"; // a degree sign: not for the machine
            if (i % every == 0 && matches < kMatches) {
                line += " M08";
                ++matches;
            }
        }
        out += line + "\r\n";
    }
    out += "M30\r\n%\r\n";
    return out;
}

double median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
}

// Median of `runs` timings of `work`, each after `prepare` (not timed).
double measure(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QElapsedTimer timer;
        timer.start();
        work();
        QApplication::processEvents(); // the editor lays out what changed
        // and drops the document it replaced; processEvents leaves that to the event loop,
        // which this program never enters: without this, every replaced document stays.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "bench_tools: %s\n", what);
    std::exit(1);
}

// What the program window does for Clean and Numbering.
void rewrite(RichTextBox &editor, quint8 options)
{
    const QByteArray before = editor.textRTF();
    const QByteArray after = RewriteLines(before, options, QStringLiteral("N"), 10, 10, false);
    if (after != before)
        editor.setTextRTF(after);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(100, std::atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    QTemporaryDir dir;
    const QString ncPath = dir.filePath(QStringLiteral("bench.nc"));
    const QString dncPath = dir.filePath(QStringLiteral("bench.dnc"));
    {
        QFile file(ncPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(generateProgram(lines)) < 0)
            fail("cannot write the program");
    }
    RichTextBox editor;
    editor.resize(900, 700);
    editor.show();
    if (!editor.loadFile(ncPath) || !editor.saveFileAs(dncPath))
        fail("cannot prepare the .dnc");
    const auto loadDnc = [&] {
        if (!editor.loadFile(dncPath))
            fail("load failed");
    };
    const auto clear = [&] { editor.clear(); };
    // A loaded program that the editor has finished laying out, as it is when a user
    // chooses a command: the layout that follows a load is not the command's cost. It
    // has been rewritten once already, so that the command also drops the text kept for
    // Undo, as a second tool in a row does.
    const auto loadedAndLaidOut = [&] {
        loadDnc();
        editor.setTextRTF(editor.textRTF());
        QTextDocument *document = editor.document();
        document->documentLayout()->blockBoundingRect(document->lastBlock());
        QApplication::processEvents();
    };

    const double loadNc = measure(runs, clear, [&] {
        if (!editor.loadFile(ncPath))
            fail("load failed");
    });
    const double load = measure(runs, clear, loadDnc);

    QByteArray rtf;
    loadDnc();
    rtf = editor.textRTF();
    std::vector<double> pure;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QByteArray out = RewriteLines(rtf, 7, QStringLiteral("N"), 0, 0, true);
        pure.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (out.size() >= rtf.size())
            fail("Clean removed nothing");
    }
    const double textRtf = measure(runs, loadedAndLaidOut, [&] { (void)editor.textRTF(); });
    const double clean = measure(runs, loadedAndLaidOut, [&] { rewrite(editor, 7); });
    // For comparison: the same Clean if the editor took the new rich text the way it loads
    // a file (a fresh document, laid out in the background).
    const QString viaPath = dir.filePath(QStringLiteral("via.dnc"));
    const double cleanViaLoad = measure(runs, loadedAndLaidOut, [&] {
        QFile file(viaPath);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(RewriteLines(editor.textRTF(), 7, QStringLiteral("N"), 0, 0, true)) < 0)
            fail("cannot write");
        file.close();
        if (!editor.loadFile(viaPath))
            fail("load failed");
    });
    const int cleanLines = int(editor.text().count(QLatin1String("\r\n"))) + 1;
    const double numbering = measure(runs, loadedAndLaidOut, [&] { rewrite(editor, rwRenumber); });
    if (!editor.text().contains(QLatin1String("\r\nN20 ")))
        fail("Numbering numbered nothing");
    int replaced = 0;
    const double replaceAll = measure(runs, loadedAndLaidOut, [&] {
        editor.select(0, 0);
        replaced = replaceAllMatches(editor, QStringLiteral("M08"), QStringLiteral("M09"));
    });
    if (replaced != kMatches && lines >= 100000)
        fail("Replace All did not find every match");

    std::printf("Program: %d lines (.dnc %.2f MB); median of %d runs, milliseconds\n\n", lines,
                double(QFile(dncPath).size()) / 1e6, runs);
    std::printf("%-46s %9.1f\n", "load .nc (plain text)", loadNc);
    std::printf("%-46s %9.1f   floor\n", "load .dnc (RTF)", load);
    std::printf("%-46s %9.1f\n", "  of which: the editor's RTF (textRTF)", textRtf);
    std::printf("%-46s %9.1f\n", "  RewriteLines alone, all Clean options", median(pure));
    const auto row = [load](const char *name, double ms) {
        const bool ok = ms <= 2 * load && ms < 1000;
        std::printf("%-46s %9.1f   %.2fx load  %s\n", name, ms, ms / load, ok ? "ok" : "MISSED");
    };
    row("Clean, all options", clean);
    row("Numbering (N, 10, 10)", numbering);
    std::printf("  (Clean left %d lines)\n", cleanLines);
    std::printf("%-46s %9.1f   %.2fx load\n", "  Clean, new text taken as a load would take it",
                cleanViaLoad, cleanViaLoad / load);
    char name[64];
    std::snprintf(name, sizeof name, "Replace All, %d matches", replaced);
    row(name, replaceAll);
    return 0;
}
