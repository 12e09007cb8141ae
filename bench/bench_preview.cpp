// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the toolpath preview on a large generated program: reading it (the
// interpreter alone, and the preview's whole update from the editor's document), drawing
// one frame of 800 x 600 pixels at zoom levels from a thousandth of the fit to a thousand
// times it, and a frame after the caret moved to another block.
//
//   QT_QPA_PLATFORM=offscreen bench_preview [lines] [runs] [draw|bound]
//
// lines: length of the generated program (100000); runs: repetitions per figure (7); draw:
// the frames only; bound: instead, a short program of drilling cycles repeated 9999 times a
// block that would make far more moves than the path holds, with the time to read and draw
// it and the process's peak memory (goal: under 500 MB).
// Figures are the median and the slowest of the runs in milliseconds of processor time, then
// the median wall-clock time. Goals:
// reading under 200 ms, every frame under 100 ms.

#include "editor/RichTextBox.h"
#include "program/ToolpathView.h"
#include "program/frmPreview.h"
#include "tools/ToolpathInterpreter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QWheelEvent>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <random>
#include <vector>

using namespace kordavel;

namespace {

// A milling program as CAM writes one: pockets of short lines and small arcs that wander
// over a 400 x 300 mm plate, a rapid to a new pocket every 200 blocks, drilling cycles,
// block numbers and comments.
QString generateProgram(int lineCount)
{
    std::mt19937 rng(20261207u);
    const auto random = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    const auto n = [](double v) { return QString::number(v, 'f', 3); };
    QStringList lines{"%", "O1001 (KORDAVEL PREVIEW BENCHMARK)", "G21 G17 G90 G40 G80"};
    lines.reserve(lineCount);
    double x = 0, y = 0;
    for (int i = int(lines.size()); i < lineCount - 2; ++i) {
        const QString number = 'N' + QString::number(i * 10) + ' ';
        const double nx = std::clamp(x + random(-4, 4), -200.0, 200.0);
        const double ny = std::clamp(y + random(-4, 4), -150.0, 150.0);
        const int kind = i % 200;
        if (kind == 0) {
            x = random(-200, 200);
            y = random(-150, 150);
            lines << number + "G00 Z5."
                  << "G00 X" + n(x) + " Y" + n(y);
            ++i;
        } else if (kind == 1) {
            lines << number + "G01 Z-" + n(random(0.5, 10)) + " F300 (POCKET)";
        } else if (kind >= 190 && kind < 195) {
            x = nx;
            y = ny;
            lines << number + (kind == 190 ? "G99 G81 Z-8. R2. F150 X" : "X") + n(x) + " Y" + n(y);
        } else if (kind == 195) {
            lines << number + "G80";
        } else if (kind % 7 == 3) {
            // A half turn about the middle of the chord: the end is on the circle.
            lines << number + (kind % 2 ? "G02 X" : "G03 X") + n(nx) + " Y" + n(ny) + " I" +
                         n((nx - x) / 2) + " J" + n((ny - y) / 2);
            x = nx;
            y = ny;
        } else {
            lines << number + "G01 X" + n(nx) + " Y" + n(ny);
            x = nx;
            y = ny;
        }
    }
    lines << "M30"
          << "%";
    return lines.join("\r\n");
}

struct Figure {
    double median;
    double slowest;
    double wall; // median wall-clock time
};

// Processor time of this process: other work on a shared machine counts less than in
// wall-clock time.
double cpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

Figure measure(int runs, const std::function<void()> &work)
{
    std::vector<double> times, walls;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer wall;
        wall.start();
        const double start = cpuMilliseconds();
        work();
        times.push_back(cpuMilliseconds() - start);
        walls.push_back(double(wall.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::sort(walls.begin(), walls.end());
    return {times[times.size() / 2], times.back(), walls[walls.size() / 2]};
}

void zoom(ToolpathView &view, double notches)
{
    QWheelEvent wheel(QPointF(400, 300), view.mapToGlobal(QPointF(400, 300)), QPoint(),
                      QPoint(0, int(notches * 120)), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
}

// Five million holes asked for, more than twice the moves a path holds.
int bound()
{
    const QString program = QStringLiteral("G0 Z5\nG91 G81 X0.01 Z-1 R-1 K9999\n").repeated(250);
    Toolpath path;
    const Figure read = measure(1, [&] { path = ToolpathInterpreter::interpret(program); });
    ToolpathView view;
    view.resize(800, 600);
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    const qsizetype segments = path.segments.size();
    const Figure draw = measure(1, [&] {
        view.setPath(std::move(path));
        view.render(&frame);
    });
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("bound: %lld segments, %lld words listed; interpret %.1f ms, project and draw "
                "%.1f ms; peak memory %.0f MB\n",
                qlonglong(segments), qlonglong(view.path().unknownCount), read.wall, draw.wall,
                double(usage.ru_maxrss) / 1024);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 3 && QByteArrayView(argv[3]) == "bound")
        return bound();
    const int lineCount = argc > 1 ? std::max(10, atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
    const QString program = generateProgram(lineCount);
    std::printf("lines %d, runs %d (processor median / slowest, wall median ms)\n", lineCount,
                runs);

    Toolpath path;
    const Figure read = measure(runs, [&] { path = ToolpathInterpreter::interpret(program); });
    std::printf("interpret                  %8.1f %8.1f %8.1f   (%lld segments, %lld points)\n",
                read.median, read.slowest, read.wall, qlonglong(path.segments.size()),
                qlonglong(path.points.size()));

    if (argc > 3 && QByteArrayView(argv[3]) == "draw")
        goto draw;
    {
        RichTextBox editor;
        editor.setText(program);
        frmPreview preview(&editor);
        // The editor lays its text out in the background after a load: that work is the
        // editor's, not the preview's, and ends before the figure is taken.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 3000)
            QCoreApplication::processEvents();
        const Figure update = measure(runs, [&] {
            preview.refresh();
            while (preview.busy())
                QCoreApplication::processEvents();
        });
        std::printf("preview update from editor %8.1f %8.1f %8.1f\n", update.median, update.slowest,
                    update.wall);
        const Figure raw = measure(runs, [&] { (void)editor.document()->toRawText(); });
        std::printf("  of which the text        %8.1f %8.1f %8.1f\n", raw.median, raw.slowest,
                    raw.wall);
        ToolpathView bare;
        const Figure set = measure(runs, [&] { bare.setPath(path); });
        std::printf("  of which the projection  %8.1f %8.1f %8.1f\n", set.median, set.slowest,
                    set.wall);
    }
draw:
    ToolpathView view;
    view.resize(800, 600);
    view.setPath(path);
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    // Each step zooms about the middle from the last: fit, 1/1000, back to fit, then in.
    const std::pair<const char *, double> steps[] = {
        {"fit", 0},     {"1/1000 of fit", -37.9}, {"fit again", 37.9},
        {"x10", 12.63}, {"x100", 12.63},          {"x1000", 12.63},
    };
    for (const auto &[name, notches] : steps) {
        if (notches == 0)
            view.fit();
        else
            zoom(view, notches);
        // A zoom out and back in: the drawing is made anew each time.
        const Figure draw = measure(runs, [&] {
            zoom(view, -1);
            zoom(view, 1);
            view.render(&frame);
        });
        std::printf("draw %-21s %8.1f %8.1f %8.1f   (%lld pieces drawn)\n", name, draw.median,
                    draw.slowest, draw.wall, qlonglong(view.drawnPieces()));
    }
    view.setSentLines(0, lineCount / 3);
    view.fit();
    view.render(&frame);
    int line = lineCount / 2;
    const Figure marked = measure(runs, [&] {
        view.setMarkedLine(line += 7);
        view.render(&frame);
    });
    std::printf("caret moved, fit, sent     %8.1f %8.1f %8.1f\n", marked.median, marked.slowest,
                marked.wall);
    return 0;
}
