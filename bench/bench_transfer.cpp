// SPDX-License-Identifier: GPL-3.0-or-later
// Transfer figures of a program window over a pseudo-terminal:
//   1. the time to send an N-line program (default 1,000) beside N x 0.4 s + 2 s;
//   2. the longest timer step in ms at the end of a 100,000-line program;
//   3. the time per receive step once 1 MB has been received;
//   4. a send at line speed (default 2,000 lines) at 9600 baud 7E2 (872.7 characters a
//      second) to a reader that reads freely: throughput beside the line's, and the
//      longest the event loop went without running a 1 ms timer.
//   5. the same send into a machine's 256-character buffer: the line carries 872.7
//      characters a second into it and the machine takes them out as fast, but for a dwell
//      of 150 ms every 2 s; it sends XOFF at 180 held and XON at 50. Characters lost or
//      beyond the buffer, the most that entered the line after an XOFF reached it, and
//      the throughput beside the line's.
//   6. with a fourth argument, Send File of a program of that many MB at line speed, 9600
//      baud, for a fifth argument's seconds (default 60): the memory above the idle program
//      while it runs and after the stop.
//   7. a flood: the machine writes a sixth argument's MB (default 4) of 30-character lines as
//      fast as the pseudo-terminal takes them into a Receive by hand without flow control:
//      the time until the text holds them all, and the longest the event loop went without
//      running a 1 ms timer meanwhile.
// Usage: QT_QPA_PLATFORM=offscreen bench_transfer [send-lines] [long-lines] [speed-lines]
//        [file-MB] [file-seconds] [flood-MB]
// (0 send lines leaves the first figure out.)
#include "common/MessageBox.h"
#include "common/Resources.h"
#include "common/SettingsStore.h"
#include "dnc/LineSettings.h"
#include "dnc/SerialLine.h"
#include "dnc/ucDnc.h"
#include "editor/RichTextBox.h"
#include "profiles/ValueLists.h"
#include "program/ProgramPanel.h"
#include "program/frmProgram.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace kordavel;

namespace {

struct Pty {
    int master = -1, slave = -1;
    QString device;
    qint64 received = 0;
    QElapsedTimer clock;
    qint64 firstNs = -1, lastNs = -1; // when the first and the last bytes came
    std::unique_ptr<QSocketNotifier> notifier;
    Pty()
    {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        device = QString::fromLocal8Bit(name);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        clock.start();
        notifier = std::make_unique<QSocketNotifier>(master, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
            char buffer[65536];
            ssize_t n;
            while ((n = ::read(master, buffer, sizeof buffer)) > 0) {
                received += n;
                lastNs = clock.nsecsElapsed();
                if (firstNs < 0)
                    firstNs = lastNs;
            }
        });
    }
    ~Pty()
    {
        notifier.reset();
        ::close(master);
        ::close(slave);
    }
};

QString program(int lines)
{
    QString text;
    for (int i = 1; i <= lines; ++i)
        text += QStringLiteral("N%1 G01 X%2 Y%3 F200\r\n").arg(i * 10).arg(i % 500).arg(i % 300);
    return text;
}

// The resident memory of this process, in MB.
double residentMB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Shows the window set for line speed at 9600 7E2 with XON/XOFF; returns the line's characters a
// second.
double atLineSpeed(frmProgram &window)
{
    window.resize(900, 600);
    window.show();
    LineSettingsControls &controls = *window.picControl->controls;
    selectItemText(controls.cboBaudRate, QStringLiteral("9600"));
    selectItemText(controls.cboParity, QStringLiteral("Even"));
    selectItemText(controls.cboDataBits, QStringLiteral("7"));
    selectItemText(controls.cboStopBits, QStringLiteral("2"));
    controls.chkXOnXOff->setChecked(true);
    controls.cboPace->setCurrentIndex(1);
    return charactersPerSecond(*parseLineSettings(window.ucDnc1->MSComm1().Settings()));
}

// A send returns at once; its pause runs on in the event loop.
void waitStarted(frmProgram &window)
{
    while (window.Starting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void waitIdle(frmProgram &window)
{
    waitStarted(window);
    while (window.actAction != actIdle)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initResources();
    const int sendLines = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int longLines = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int speedLines = argc > 3 ? std::atoi(argv[3]) : 2000;
    const int fileMB = argc > 4 ? std::atoi(argv[4]) : 0;
    const int fileSeconds = argc > 5 ? std::atoi(argv[5]) : 60;
    const int floodMB = argc > 6 ? std::atoi(argv[6]) : 4;
    QTemporaryDir settings;
    setSettingsFolder(settings.path());
    Pty pty;
    SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com9"), pty.device);
    SaveSetting(QStringLiteral("Default"), QStringLiteral("Port"), QStringLiteral("Com9"));

    // 1. Sending N lines at one line per 400 ms tick.
    if (sendLines > 0) {
        frmProgram window;
        window.resize(900, 600);
        window.rtfText->setText(program(sendLines));
        QElapsedTimer clock;
        clock.start();
        window.Send();
        waitIdle(window);
        const double seconds = clock.elapsed() / 1000.0;
        const double bound = sendLines * 0.4 + 2.0;
        std::printf("send %d lines: %.2f s, bound %d x 0.4 s + 2 s = %.2f s, %+.2f%%\n", sendLines,
                    seconds, sendLines, bound, 100.0 * (seconds - bound) / bound);
    }

    // 2. The longest step near the end of a long program: the scan starts at its last lines.
    {
        frmProgram window;
        window.resize(900, 600);
        window.rtfText->setText(program(longLines));
        window.tEvent->stop(); // the steps run here, timed one by one
        window.rtfText->select(0, 0);
        window.Send();
        waitStarted(window);
        // Jump the scan to 100 lines before the end, as if the rest had gone.
        const QString text = window.rtfText->text();
        int start = int(text.size());
        for (int n = 0; n <= 100 && start > 0;) {
            --start;
            if (text.at(start) == QLatin1Char('\n') && start + 1 < text.size())
                ++n;
        }
        window.StopSending();
        window.rtfText->select(start + 1, int(text.size()) - start - 1);
        window.Send();
        waitStarted(window);
        qint64 longest = 0;
        int steps = 0;
        QElapsedTimer clock;
        while (window.actAction != actIdle) {
            clock.start();
            window.tEvent_Timer();
            longest = std::max(longest, clock.nsecsElapsed());
            ++steps;
            // The piece leaves, is marked, and after the last the send ends, from the events.
            while (window.ucDnc1->Busy())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        std::printf("%d-line program, last 100 lines: longest step %.3f ms over %d steps\n",
                    longLines, longest / 1e6, steps);
    }

    // 3. The stop after a whole long program has gone: every line carries its mark.
    {
        frmProgram window;
        window.resize(900, 600);
        window.show();
        window.rtfText->setText(program(longLines));
        window.tEvent->stop();
        const int length = window.rtfText->textLength();
        for (int start = 0; start < length; start += 25)
            window.rtfText->markStruck(start, std::min(25, length - start));
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        window.StopSending();
        QCoreApplication::processEvents(); // the repaint belongs to the stop
        std::printf("%d-line program: stop after the whole program was sent %.3f ms\n", longLines,
                    clock.nsecsElapsed() / 1e6);
        // The same when the text itself holds strike-through, which has to be reformatted.
        window.rtfText->select(0, 5);
        window.rtfText->setSelStrikeThru(true);
        clock.start();
        window.StopSending();
        QCoreApplication::processEvents();
        std::printf("  and with strike-through formatting in the text itself %.3f ms\n",
                    clock.nsecsElapsed() / 1e6);
    }

    // 4. Receive steps while 1 MB arrives in 4 kB pieces.
    {
        frmProgram window;
        window.resize(900, 600);
        window.tEvent->stop();
        window.Receive();
        const QByteArray line = "N10 G01 X100 Y200 Z-5 F300\r\n";
        QByteArray piece;
        while (piece.size() < 4096)
            piece += line;
        qint64 firstMs = 0, total = 0;
        QElapsedTimer clock;
        double atStart = 0, atEnd = 0;
        int steps = 0;
        while (total < (1 << 20)) {
            const qint64 n = ::write(pty.master, piece.constData(), size_t(piece.size()));
            if (n > 0)
                total += n;
            // Let the channel collect it.
            const int before = window.rtfText->textLength();
            for (int i = 0; i < 50 && window.ucDnc1->Action() == actReceive; ++i)
                QCoreApplication::processEvents();
            clock.start();
            window.tEvent_Timer();
            const double ms = clock.nsecsElapsed() / 1e6;
            if (window.rtfText->textLength() == before)
                continue;
            ++steps;
            if (steps <= 10)
                atStart += ms;
            atEnd = ms;
            if (steps == 1)
                firstMs = qint64(ms);
        }
        std::printf("receive: %d steps of about 4 kB, first 10 average %.3f ms, the step at "
                    "1 MB %.3f ms, text %d characters\n",
                    steps, atStart / 10, atEnd, window.rtfText->textLength());
        Q_UNUSED(firstMs);
        window.StopSending();
    }
    // Line speed: throughput at 9600 7E2 and the longest stall of the event loop.
    if (speedLines > 0) {
        frmProgram window;
        const double perSecond = atLineSpeed(window);
        window.rtfText->setText(program(speedLines));
        const qint64 before = pty.received;
        pty.firstNs = -1;
        QElapsedTimer loop;
        qint64 longest = 0;
        QTimer beat;
        beat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&beat, &QTimer::timeout, [&] {
            longest = std::max(longest, loop.nsecsElapsed());
            loop.start();
        });
        window.Send();
        waitStarted(window); // the 2 s pause, then the port is open
        loop.start();
        beat.start(1);
        waitIdle(window);
        beat.stop();
        const qint64 bytes = pty.received - before;
        const double seconds = double(pty.lastNs - pty.firstNs) / 1e9;
        std::printf("line speed, %d lines at %s: %lld bytes in %.2f s from the first byte to "
                    "the last, %.1f characters/s = %.1f%% of the line's %.1f; longest "
                    "event-loop stall %.2f ms\n",
                    speedLines, qPrintable(window.ucDnc1->MSComm1().Settings()), (long long)bytes,
                    seconds, double(bytes) / seconds, 100.0 * double(bytes) / seconds / perSecond,
                    perSecond, longest / 1e6);
    }
    // Into a machine's buffer that fills during its dwells: XOFF at 180, XON at 50.
    if (speedLines > 0) {
        frmProgram window;
        const double perSecond = atLineSpeed(window);
        const QString text = program(speedLines);
        window.rtfText->setText(text);
        pty.notifier->setEnabled(false); // the machine below reads at the line's pace
        constexpr int kBuffer = 256, kXoffAt = 180, kXonAt = 50;
        QByteArray taken;
        int held = 0, lost = 0, xoffs = 0, afterXoff = 0, mostAfterXoff = 0;
        bool stopped = false;
        double lineBudget = 0, runBudget = 0;
        qint64 firstNs = -1, lastNs = -1, lastTick = 0;
        QElapsedTimer clock;
        QTimer machine;
        machine.setTimerType(Qt::PreciseTimer);
        QObject::connect(&machine, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            const double dt = double(now - lastTick) / 1e9;
            lastTick = now;
            lineBudget = std::min(lineBudget + dt * perSecond, 64.0);
            char bytes[256];
            const ssize_t n =
                ::read(pty.master, bytes, size_t(std::min(int(lineBudget), int(sizeof bytes))));
            if (n > 0) {
                lineBudget -= double(n);
                if (firstNs < 0)
                    firstNs = now;
                lastNs = now;
                taken.append(bytes, n);
                held += int(n);
                if (stopped)
                    afterXoff += int(n);
                mostAfterXoff = std::max(mostAfterXoff, afterXoff);
                lost += std::max(0, held - kBuffer);
                held = std::min(held, kBuffer);
            }
            const bool dwell = firstNs >= 0 && (now - firstNs) / 1000000 % 2000 < 150;
            runBudget = dwell ? 0 : std::min(runBudget + dt * perSecond, 64.0);
            const int run = std::min(held, int(runBudget));
            held -= run;
            runBudget -= run;
            if (!stopped && held >= kXoffAt) {
                stopped = true;
                afterXoff = 0;
                ++xoffs;
                (void)!::write(pty.master, "\x13", 1);
            } else if (stopped && held <= kXonAt) {
                stopped = false;
                (void)!::write(pty.master, "\x11", 1);
            }
        });
        window.Send();
        waitStarted(window); // the 2 s pause, then the port is open
        clock.start();
        machine.start(2);
        waitIdle(window);
        // The last characters the window wrote still cross the line.
        const QByteArray expected = text.toLatin1() + "\r\n";
        QElapsedTimer grace;
        grace.start();
        while (taken.size() < expected.size() && grace.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        machine.stop();
        const double seconds = double(lastNs - firstNs) / 1e9;
        const bool whole = taken == expected;
        std::printf("into a 256-character buffer, %d lines: %s, %d lost beyond the buffer, %d "
                    "XOFFs, at most %d characters entered the line after one, %.1f "
                    "characters/s = %.1f%% of the line's\n",
                    speedLines, whole ? "every character in order" : "NOT the program sent", lost,
                    xoffs, mostAfterXoff, double(taken.size()) / seconds,
                    100.0 * double(taken.size()) / seconds / perSecond);
        pty.notifier->setEnabled(true);
    }
    // Send File of a large program: the memory above the idle program.
    if (fileMB > 0) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("big.nc"));
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly))
                return 1;
            const QByteArray block = program(40000).toLatin1();
            while (file.size() < qint64(fileMB) * 1000000)
                file.write(block);
        }
        frmProgram window;
        window.resize(900, 600);
        window.show();
        selectItemText(window.picControl->controls->cboBaudRate, QStringLiteral("9600"));
        window.picControl->controls->cboPace->setCurrentIndex(1);
        QCoreApplication::processEvents();
        const double idle = residentMB();
        const qint64 before = pty.received;
        window.SendFile(path);
        waitStarted(window);
        double peak = idle;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < fileSeconds * 1000 && window.actAction != actIdle) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            peak = std::max(peak, residentMB());
        }
        const qint64 sent = pty.received - before;
        window.StopSending();
        QCoreApplication::processEvents();
        std::printf("send file of %d MB, %d s at 9600 baud: idle %.1f MB, peak %.1f MB above "
                    "idle, %.1f MB above idle after the stop; %lld bytes on the line so far\n",
                    fileMB, fileSeconds, idle, peak - idle, residentMB() - idle, (long long)sent);
    }
    // A flood into a Receive by hand without flow control.
    if (floodMB > 0) {
        QByteArray flood;
        for (int n = 0; flood.size() < qsizetype(floodMB) << 20; ++n)
            flood += QByteArray::number(n).rightJustified(8, '0').prepend('N') +
                     " G01 X1.5 Y2.5 F300\r\n";
        frmProgram window;
        window.resize(900, 600);
        window.show();
        window.picControl->controls->chkXOnXOff->setChecked(false);
        QCoreApplication::processEvents();
        window.Receive();
        qsizetype written = 0;
        QSocketNotifier writable(pty.master, QSocketNotifier::Write);
        QObject::connect(&writable, &QSocketNotifier::activated, [&] {
            const ssize_t n = ::write(pty.master, flood.constData() + written,
                                      size_t(std::min<qsizetype>(flood.size() - written, 65536)));
            written += std::max<ssize_t>(n, 0);
            if (written == flood.size())
                writable.setEnabled(false);
        });
        QElapsedTimer clock, loop;
        qint64 longest = 0;
        int longestAt = 0; // lines in the text after it
        QTimer beat;
        beat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&beat, &QTimer::timeout, [&] {
            if (loop.nsecsElapsed() > longest) {
                longest = loop.nsecsElapsed();
                longestAt = window.rtfText->document()->blockCount();
            }
            loop.start();
        });
        QString message; // a receive that reaches the window's limit stops with a message
        setMsgBoxHook([&](const QString &text, MsgIcon, const QString &) { message = text; });
        clock.start();
        loop.start();
        beat.start(1);
        while (window.rtfText->textLength() < flood.size() && window.actAction == actReceive &&
               !clock.hasExpired(600000))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        beat.stop();
        if (loop.nsecsElapsed() > longest) { // the last step, with no beat after it
            longest = loop.nsecsElapsed();
            longestAt = window.rtfText->document()->blockCount();
        }
        const double seconds = clock.elapsed() / 1000.0;
        const QByteArray text = window.rtfText->text().toLatin1();
        const double mb = double(text.size()) / (1 << 20);
        const char *got = text == flood             ? "every character in order"
                          : !flood.startsWith(text) ? "NOT what the machine sent"
                          : message.isEmpty()       ? "cut short"
                                                    : "stopped at the window's limit";
        window.StopSending();
        setMsgBoxHook(nullptr);
        std::printf("flood of %d MB into a receive without flow control: %s, %.1f MB (%d lines) "
                    "in %.2f s (%.2f MB/s); longest event-loop stall %.2f ms (at %d lines)\n",
                    floodMB, got, mb, window.rtfText->document()->blockCount(), seconds,
                    mb / seconds, longest / 1e6, longestAt);
    }
    return 0;
}
