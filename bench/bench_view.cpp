// SPDX-License-Identifier: GPL-3.0-or-later
// The program view on a long generated Fanuc-style program (CR LF, `N… G01 X… Y… Z… F…` a
// line): open until the first screen is painted (wall and CPU time), the peak memory of the
// process, Ctrl+End, Find of the word on the last line from the first, Numbering of the
// whole program (PlainRewrite, references and all) and its Undo, Save, and typing at the end.
//
//   QT_QPA_PLATFORM=offscreen bench_view [lines] [--kwrite]
//
// lines: length of the program (2000000, about 88 MB). --kwrite: also opens the same file
// in KWrite (when installed) under a virtual X server of its own (Xvfb) and prints the time
// until it is idle (its CPU time unchanged for a second), its CPU time and its peak memory
// beside ours, with the ratios. Goals: open CPU time and peak memory at most KWrite's; the
// first screen within 0.5 s; Ctrl+End 0.1 s; Find under 0.5 s; Numbering under 3 s; Save
// under 1 s; typing under 5 ms a key. Ten million lines open and scroll to the end.

#include "editor/ProgramView.h"
#include "tools/PlainRewrite.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace kordavel;

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// A field of /proc/<pid>/status in kB ("VmHWM", "VmRSS"); -1 when not there.
long statusKb(pid_t pid, const char *field)
{
    QFile file(pid ? QStringLiteral("/proc/%1/status").arg(pid)
                   : QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// User and system time of a process from /proc/<pid>/stat, in seconds.
double processCpu(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
}

// The program, written a block at a time so that making it costs no memory of note.
bool writeProgram(const QString &path, qint64 lines)
{
    std::FILE *out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return false;
    QByteArray block = "%\r\nO1000 (KORDAVEL VIEW BENCHMARK)\r\n";
    for (qint64 i = 1; i <= lines - 4; ++i) {
        char line[96];
        const int n = std::snprintf(
            line, sizeof line, "N%lld G01 X%lld.%03lld Y%lld.%03lld Z-%lld.%03lld F%d\r\n", i * 10,
            (i * 7) % 500, (i * 13) % 1000, (i * 11) % 300, (i * 17) % 1000, (i % 20),
            (i * 19) % 1000, int(100 + i % 9 * 50));
        block.append(line, n);
        if (block.size() > (1 << 20)) {
            std::fwrite(block.constData(), 1, size_t(block.size()), out);
            block.clear();
        }
    }
    block += "M30\r\n%\r\n";
    std::fwrite(block.constData(), 1, size_t(block.size()), out);
    return std::fclose(out) == 0;
}

void key(QWidget *widget, Qt::Key code, Qt::KeyboardModifiers modifiers = {},
         const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
    QApplication::sendEvent(widget, &press);
}

struct Other {
    bool ran = false;
    double untilIdle = 0; // seconds
    double cpu = 0;
    long peakKb = 0;
    QString why;
};

// Runs KWrite on the file under an Xvfb of its own until it is idle; its figures.
Other measureKWrite(const QString &path)
{
    Other out;
    if (access("/usr/bin/kwrite", X_OK) != 0 || access("/usr/bin/Xvfb", X_OK) != 0) {
        out.why = QStringLiteral("kwrite or Xvfb not installed");
        return out;
    }
    const QByteArray display = ":" + QByteArray::number(90 + getpid() % 9);
    const QByteArray socket = "/tmp/.X11-unix/X" + display.mid(1);
    pid_t xvfb = 0;
    {
        const char *argv[] = {"Xvfb",         display.constData(), "-screen", "0",
                              "1280x1024x24", "-nolisten",         "tcp",     nullptr};
        if (posix_spawn(&xvfb, "/usr/bin/Xvfb", nullptr, nullptr, const_cast<char **>(argv),
                        environ) != 0) {
            out.why = QStringLiteral("Xvfb did not start");
            return out;
        }
    }
    struct stat st {};
    for (int i = 0; i < 100 && stat(socket.constData(), &st) != 0; ++i)
        QThread::msleep(50);
    QList<QByteArray> env;
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        if (!entry.startsWith("DISPLAY=") && !entry.startsWith("QT_QPA_PLATFORM="))
            env << entry;
    }
    env << "DISPLAY=" + display << "QT_QPA_PLATFORM=xcb";
    std::vector<char *> envp;
    for (QByteArray &entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const QByteArray file = QFile::encodeName(path);
    const char *argv[] = {"kwrite", file.constData(), nullptr};
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, "/usr/bin/kwrite", nullptr, nullptr, const_cast<char **>(argv),
                    envp.data()) != 0) {
        out.why = QStringLiteral("kwrite did not start");
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
        return out;
    }
    // Idle: no CPU time used for a second, after it used some; at most two minutes.
    double lastCpu = 0;
    qint64 lastChange = 0;
    for (int i = 0; i < 1200; ++i) {
        QThread::msleep(100);
        const double cpu = processCpu(pid);
        if (cpu < 0)
            break;
        out.peakKb = std::max(out.peakKb, statusKb(pid, "VmHWM"));
        if (cpu != lastCpu) {
            lastCpu = cpu;
            lastChange = clock.elapsed();
        } else if (cpu > 0 && clock.elapsed() - lastChange >= 1000) {
            break;
        }
    }
    out.cpu = lastCpu;
    out.untilIdle = double(lastChange) / 1000;
    out.ran = true;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qint64 lines = 2'000'000;
    bool kwrite = false;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--kwrite")
            kwrite = true;
        else
            lines = std::max<qint64>(10, QByteArray(argv[i]).toLongLong());
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.nc"));
    if (!writeProgram(path, lines)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    const qint64 fileSize = QFileInfo(path).size();
    std::printf("program: %lld lines, %.1f MB, CR LF\n", lines, double(fileSize) / 1e6);

    ProgramView view;
    view.resize(900, 700);
    view.show();
    view.viewport()->repaint();
    const long baseKb = statusKb(0, "VmHWM");

    // Open: read, indexed, first screen painted.
    QElapsedTimer clock;
    const double cpu0 = cpuSeconds();
    clock.start();
    if (!view.loadFile(path).ok()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    view.viewport()->repaint();
    const double openMs = double(clock.nsecsElapsed()) / 1e6;
    const double openCpu = cpuSeconds() - cpu0;
    const long openKb = statusKb(0, "VmHWM");
    view.setFocus();

    const auto timed = [&](auto &&what) {
        QElapsedTimer t;
        t.start();
        what();
        view.viewport()->repaint();
        return double(t.nsecsElapsed()) / 1e6;
    };
    const double endMs = timed([&] { key(&view, Qt::Key_End, Qt::ControlModifier); });
    const bool lastShown =
        view.firstVisibleLine() + view.visibleLines() >= view.buffer().lineCount();
    key(&view, Qt::Key_Home, Qt::ControlModifier);
    bool found = false;
    const double findMs = timed([&] { found = view.findNext(QStringLiteral("m30")); });
    found = found && view.caretLine() == view.buffer().lineCount() - 3;

    // Numbering as the program window runs it: N, from 10 by 10. The program is numbered
    // so already up to the M30 near its end, so every line is read twice: once to find
    // what changes, once to rewrite it.
    qint64 number = 0;
    const double numberMs = timed([&] {
        PlainRewrite numbering(rwRenumber, QStringLiteral("N"), 10, 10, false);
        if (numbering.prepare(view.buffer()))
            view.rewriteLines(numbering.lineRewrite());
        number = numbering.report().numbered;
    });
    const long numberKb = statusKb(0, "VmHWM");
    const double undoMs = timed([&] { key(&view, Qt::Key_Z, Qt::ControlModifier); });
    const double redoMs = timed([&] { key(&view, Qt::Key_Y, Qt::ControlModifier); });

    const QString savedPath = dir.filePath(QStringLiteral("saved.nc"));
    bool saved = false;
    const double saveMs = timed([&] {
        QFile out(savedPath);
        saved = out.open(QIODevice::WriteOnly) && view.save(out);
        out.close();
    });
    saved = saved && QFileInfo(savedPath).size() == view.buffer().size();

    key(&view, Qt::Key_End, Qt::ControlModifier);
    const int keys = 200;
    double worstKeyMs = 0;
    QElapsedTimer typing;
    typing.start();
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer t;
        t.start();
        key(&view, Qt::Key_unknown, {}, QString(QChar(u'A' + i % 26)));
        view.viewport()->repaint();
        worstKeyMs = std::max(worstKeyMs, double(t.nsecsElapsed()) / 1e6);
    }
    const double keyMs = double(typing.nsecsElapsed()) / 1e6 / keys;
    const long peakKb = statusKb(0, "VmHWM");

    std::printf("open, first screen:      %8.1f ms  (CPU %.2f s)   goal 500 ms\n", openMs, openCpu);
    std::printf("peak memory after open:  %8.1f MB  (%.1f MB before the open)\n",
                double(openKb) / 1024, double(baseKb) / 1024);
    std::printf("Ctrl+End:                %8.1f ms  last line shown: %s   goal 100 ms\n", endMs,
                lastShown ? "yes" : "NO");
    std::printf("Find M30 from the start: %8.1f ms  found on the last line: %s   goal 500 ms\n",
                findMs, found ? "yes" : "NO");
    std::printf("Numbering (rewrite):     %8.1f ms  (%lld blocks; peak %.1f MB)   goal 3000 ms\n",
                numberMs, number, double(numberKb) / 1024);
    std::printf("Undo / Redo Numbering:   %8.1f / %.1f ms\n", undoMs, redoMs);
    std::printf("Save:                    %8.1f ms  complete: %s   goal 1000 ms\n", saveMs,
                saved ? "yes" : "NO");
    std::printf("typing at the end:       %8.2f ms a key (worst %.2f)   goal 5 ms\n", keyMs,
                worstKeyMs);
    std::printf("peak memory in all:      %8.1f MB\n", double(peakKb) / 1024);

    if (kwrite) {
        const Other other = measureKWrite(path);
        if (!other.ran) {
            std::printf("KWrite: not measured (%s)\n", qPrintable(other.why));
        } else {
            std::printf("KWrite open until idle:  %8.1f ms  (CPU %.2f s, peak %.1f MB)\n",
                        other.untilIdle * 1000, other.cpu, double(other.peakKb) / 1024);
            std::printf("ratio Kordavel/KWrite:   open CPU %.2f, peak memory after open %.2f\n",
                        other.cpu > 0 ? openCpu / other.cpu : 0.0,
                        other.peakKb > 0 ? double(openKb) / double(other.peakKb) : 0.0);
        }
    }
    std::fflush(stdout);
    return lastShown && found && saved ? 0 : 1;
}
