// SPDX-License-Identifier: GPL-3.0-or-later
// Transfer figures of a program window over a pseudo-terminal:
//   1. the time to send an N-line program (default 1,000) beside N x 0.4 s + 2 s;
//   2. the longest timer step in ms at the end of a 100,000-line program;
//   3. the time per receive step once 1 MB has been received.
// Usage: QT_QPA_PLATFORM=offscreen bench_transfer [send-lines] [long-lines]
#include "common/SettingsStore.h"
#include "dnc/ucDnc.h"
#include "editor/RichTextBox.h"
#include "program/frmProgram.h"
#include "support/PtyMachine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

using namespace kordavel;

namespace {

struct Pty {
    int master = -1, slave = -1;
    QString device;
    qint64 received = 0;
    std::unique_ptr<QSocketNotifier> notifier;
    Pty()
    {
        if (!test::openRawPty(master, slave, device))
            return;
        notifier = std::make_unique<QSocketNotifier>(master, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
            char buffer[65536];
            ssize_t n;
            while ((n = ::read(master, buffer, sizeof buffer)) > 0)
                received += n;
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

void waitIdle(frmProgram &window)
{
    while (window.actAction != actIdle)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int sendLines = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int longLines = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir settings;
    setSettingsFolder(settings.path());
    Pty pty;
    SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com9"), pty.device);
    SaveSetting(QStringLiteral("Default"), QStringLiteral("Port"), QStringLiteral("Com9"));

    // 1. Sending N lines at one line per 400 ms tick.
    {
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
        qint64 longest = 0, last = 0;
        int steps = 0;
        QElapsedTimer clock;
        while (window.actAction != actIdle) {
            clock.start();
            window.tEvent_Timer();
            const qint64 ns = clock.nsecsElapsed();
            if (window.actAction != actIdle)
                longest = std::max(longest, ns);
            else
                last = ns;
            ++steps;
        }
        std::printf("%d-line program, last 100 lines: longest step %.3f ms over %d steps; "
                    "closing step with the stop %.3f ms\n",
                    longLines, longest / 1e6, steps, last / 1e6);
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
    return 0;
}
