// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the program tools on a large generated program, each beside the time to load
// the same program into the editor (the floor), with their Undo and Redo and the memory.
//
//   QT_QPA_PLATFORM=offscreen bench_tools [lines] [runs]
//
// lines: length of the generated program (100000); runs: repetitions per figure (5).
// Every figure is the median of the runs, in milliseconds. Goals: Clean, Numbering and
// Replace All (of a match on every tenth line) within twice the load time; their Undo and
// Redo under one second; the memory during a rewrite within 1.5 times, and after ten
// Numberings within twice, that of the opened program. "longest gap" is the longest time
// the window's events waited while a rewrite ran.

#include "BenchFigures.h"

#include "editor/RichTextBox.h"
#include "program/frmProgram.h"
#include "tools/RewriteLines.h"
#include "tools/TextSearch.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

using namespace kordavel;
using namespace kordavel::bench;

namespace {

// A program with block numbers, empty rows, comments, skipped blocks, a non-ASCII
// character every 50 lines and the word M08 on every tenth line, as CR LF plain text.
// `matches` counts the M08s.
QByteArray generateProgram(int lineCount, int &matches)
{
    std::mt19937 rng(20240611u);
    auto coord = [&](double lo, double hi) {
        return QByteArray::number(std::uniform_real_distribution<double>(lo, hi)(rng), 'f', 3);
    };
    QByteArray out;
    out.reserve(qsizetype(lineCount) * 30);
    out += "%\r\nO1001 (KORDAVEL BENCHMARK PART)\r\n";
    matches = 0;
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
        }
        if (i % 10 == 3) {
            line += " M08";
            ++matches;
        }
        out += line + "\r\n";
    }
    out += "M30\r\n%\r\n";
    return out;
}

// The events the editor left behind (the layout of what changed, the documents it let go).
void settle()
{
    QApplication::processEvents();
    // processEvents leaves deferred deletes to the event loop, which this program never
    // enters: without this, every replaced document stays.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Median of `runs` timings of `work`, each after `prepare` (not timed).
double measure(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        prepare();
        settle();
        QElapsedTimer timer;
        timer.start();
        work();
        settle();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "bench_tools: %s\n", what);
    std::exit(1);
}

// The longest wait of a 10 ms timer while it lives, in milliseconds: how long the window's
// events waited.
struct GapWatch {
    QElapsedTimer gap;
    double longest = 0;
    QTimer ticker;
    GapWatch()
    {
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            longest = std::max(longest, double(gap.nsecsElapsed()) / 1e6);
            gap.start();
        });
        ticker.start(10);
        gap.start();
    }
};

// What the program window does for Clean and Numbering: the editor rewrites its text in
// the background, and the window's events go on meanwhile. Returns the longest gap.
double rewrite(RichTextBox &editor, quint8 options, qint32 start = 10, qint32 step = 10)
{
    QEventLoop loop;
    QObject::connect(&editor, &RichTextBox::rewritten, &loop, &QEventLoop::quit);
    GapWatch watch;
    editor.rewrite([=](const RichText &text) {
        return rewriteRichText(text, options, QStringLiteral("N"), start, step, options == 7);
    });
    if (editor.isBusy())
        loop.exec();
    return watch.longest;
}

// Undo or Redo, waiting for the end of one that runs in slices. Returns the longest gap.
double takeStep(RichTextBox &editor, bool back)
{
    QEventLoop loop;
    QObject::connect(&editor, &RichTextBox::undoRedoChanged, &loop, [&] {
        if (!editor.isBusy())
            loop.quit();
    });
    GapWatch watch;
    if (back)
        editor.undo();
    else
        editor.redo();
    if (editor.isBusy())
        loop.exec();
    return watch.longest;
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
    int matches = 0;
    {
        QFile file(ncPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(generateProgram(lines, matches)) < 0)
            fail("cannot write the program");
    }
    RichTextBox editor;
    editor.resize(900, 700);
    editor.show();
    if (!editor.loadFile(ncPath) || !editor.saveFileAs(dncPath))
        fail("cannot prepare the .dnc");
    if (editor.isSaving()) { // a long program is saved in the background
        QEventLoop loop;
        bool saved = false;
        QObject::connect(&editor, &RichTextBox::fileSaved, &loop, [&](bool ok) {
            saved = ok;
            loop.quit();
        });
        loop.exec();
        if (!saved)
            fail("cannot save the .dnc");
    }
    const auto loadDnc = [&] {
        if (!editor.loadFile(dncPath))
            fail("load failed");
    };
    const auto clear = [&] { editor.clear(); };
    // A loaded program that the editor has finished laying out, as it is when a user
    // chooses a command: the layout that follows a load is not the command's cost.
    const auto loadedAndLaidOut = [&] {
        loadDnc();
        QTextDocument *document = editor.document();
        document->documentLayout()->blockBoundingRect(document->lastBlock());
        settle();
    };

    const double loadNc = measure(runs, clear, [&] {
        if (!editor.loadFile(ncPath))
            fail("load failed");
    });
    const double load = measure(runs, clear, loadDnc);

    loadDnc();
    const QByteArray rtf = editor.textRTF();
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

    double gap = 0;
    const double clean =
        measure(runs, loadedAndLaidOut, [&] { gap = std::max(gap, rewrite(editor, 7)); });
    const int cleanLines = int(editor.text().count(QLatin1String("\r\n"))) + 1;
    if (cleanLines >= lines)
        fail("Clean dropped no empty row");

    // Numbering, then its Undo and Redo, on the same program each run.
    std::vector<double> numberingMs, undoMs, redoMs;
    double stepGap = 0;
    double openMB = 0, peakMB = 0;
    for (int i = 0; i < runs; ++i) {
        loadedAndLaidOut();
        const QString before = editor.text();
        openMB = memoryMB("VmRSS:");
        restartPeak();
        QElapsedTimer timer;
        timer.start();
        gap = std::max(gap, rewrite(editor, rwRenumber));
        settle();
        numberingMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        peakMB = std::max(peakMB, memoryMB("VmHWM:"));
        if (!editor.text().contains(QLatin1String("\r\nN20 ")))
            fail("Numbering numbered nothing");
        timer.start();
        stepGap = std::max(stepGap, takeStep(editor, true));
        settle();
        undoMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (editor.text() != before)
            fail("Undo did not bring the program back");
        timer.start();
        stepGap = std::max(stepGap, takeStep(editor, false));
        settle();
        redoMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double numbering = median(numberingMs);

    // Ten Numberings in a row, each changing every number.
    loadedAndLaidOut();
    const double loadedMB = memoryMB("VmRSS:");
    for (int i = 0; i < 10; ++i)
        rewrite(editor, rwRenumber, i % 2 ? 10 : 5, i % 2 ? 10 : 5);
    settle();
    const double tenMB = memoryMB("VmRSS:");
    int undone = 0;
    while (editor.isUndoAvailable() && undone < 20) {
        takeStep(editor, true);
        ++undone;
    }
    if (undone != 10 || editor.text().contains(QLatin1String("\r\nN5 ")))
        fail("ten Numberings did not take ten Undos");

    int replaced = 0;
    const double replaceAll = measure(runs, loadedAndLaidOut, [&] {
        editor.select(0, 0);
        replaced = replaceAllMatches(editor, QStringLiteral("M08"), QStringLiteral("M09"));
    });
    const QString replacedText = editor.text();
    if (replaced != matches || replacedText.contains(QLatin1String("M08")) ||
        replacedText.count(QLatin1String("M09")) != matches)
        fail("Replace All did not replace every match");
    QElapsedTimer timer;
    timer.start();
    takeStep(editor, true);
    settle();
    const double replaceUndo = double(timer.nsecsElapsed()) / 1e6;
    if (editor.text().count(QLatin1String("M08")) != matches)
        fail("Undo of Replace All did not bring every match back");

    std::printf("Program: %d lines (.dnc %.2f MB); median of %d runs, milliseconds\n\n", lines,
                double(QFile(dncPath).size()) / 1e6, runs);
    std::printf("%-46s %9.1f\n", "load .nc (plain text)", loadNc);
    std::printf("%-46s %9.1f   floor\n", "load .dnc (RTF)", load);
    std::printf("%-46s %9.1f\n", "  the editor's RTF (textRTF)", textRtf);
    std::printf("%-46s %9.1f\n", "  RewriteLines alone, all Clean options", median(pure));
    const auto row = [load](const char *name, double ms) {
        const bool ok = ms <= 2 * load;
        std::printf("%-46s %9.1f   %.2fx load  %s\n", name, ms, ms / load, ok ? "ok" : "MISSED");
    };
    const auto quick = [](const char *name, double ms) {
        std::printf("%-46s %9.1f   %s\n", name, ms, ms < 1000 ? "ok" : "MISSED");
    };
    row("Clean, all options", clean);
    std::printf("  (Clean left %d lines)\n", cleanLines);
    row("Numbering (N, 10, 10)", numbering);
    quick("  its Undo", median(undoMs));
    quick("  its Redo", median(redoMs));
    std::printf("%-46s %9.1f\n", "  longest gap between events, Clean/Numbering", gap);
    std::printf("%-46s %9.1f\n", "  longest gap between events, Undo/Redo", stepGap);
    char name[64];
    std::snprintf(name, sizeof name, "Replace All, %d matches", replaced);
    row(name, replaceAll);
    quick("  its Undo", replaceUndo);
    const auto memory = [](const char *what, double mb, double base, double goal) {
        std::printf("%-46s %9.1f   %.2fx open  %s\n", what, mb, mb / base,
                    mb <= goal * base ? "ok" : "MISSED");
    };
    std::printf("\nMemory (MB): opened and laid out %.1f\n", openMB);
    memory("  peak during Numbering", peakMB, openMB, 1.5);
    memory("  after ten Numberings (history kept)", tenMB, loadedMB, 2.0);
    return 0;
}
