// SPDX-License-Identifier: GPL-3.0-or-later
// Costs of the DNC channel over a pseudo-terminal, with a reader thread as the machine.
//
//   QT_QPA_PLATFORM=offscreen bench_dnc [held seconds] [megabytes]
//
// held seconds (30): a send held by XOFF for that long; prints the CPU time the process used
// meanwhile. megabytes (1): sent as one piece with no flow control; prints the time beside
// a plain write loop on the same kind of line (median and best of 9 runs each).

#include "common/SettingsStore.h"
#include "dnc/ucDnc.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kordavel;

namespace {

constexpr int kPort = 16;
constexpr int kRuns = 9;

// A pseudo-terminal whose master a thread drains, counting the bytes.
class Machine {
public:
    Machine()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            std::perror("openpty");
            std::exit(1);
        }
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        m_device = QString::fromLocal8Bit(name);
        m_reader = std::thread([this] {
            char buffer[65536];
            for (;;) {
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n <= 0)
                    return;
                m_received += n;
            }
        });
    }
    // Once no one holds the slave, the reader's next read fails and it ends.
    ~Machine()
    {
        ::close(m_slave);
        m_reader.join();
        ::close(m_master);
    }
    Machine(const Machine &) = delete;
    Machine &operator=(const Machine &) = delete;

    QString device() const { return m_device; }
    int slave() const { return m_slave; }
    void write(const char *bytes, size_t size) const
    {
        if (::write(m_master, bytes, size) < 0)
            std::perror("write");
    }
    long long received() const { return m_received; }
    void waitFor(long long bytes) const
    {
        while (m_received < bytes)
            std::this_thread::yield();
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_device;
    std::thread m_reader;
    std::atomic<long long> m_received{0};
};

// Sends a piece and lets the events run until it has left.
void sendAll(ucDnc &dnc, const QString &text)
{
    dnc.Send(text);
    while (dnc.SendInProgress())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void heldByXoff(int seconds)
{
    Machine machine;
    SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(kPort),
                machine.device());
    ucDnc dnc;
    dnc.setComPort(QString::number(kPort));
    dnc.setXOnXOff(true);
    dnc.setWaitXOn(true); // held from the start, as by an XOFF
    dnc.setAction(1);
    QTimer::singleShot(seconds * 1000, [&] { machine.write("\x11", 1); });
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    sendAll(dnc, QStringLiteral("N10 G01 X10\r\n"));
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    machine.waitFor(13);
    std::printf("held by XOFF: %.1f s wall, %.3f s CPU = %.3f%% of one core (goal < 2%%)\n",
                elapsed, cpu, 100.0 * cpu / elapsed);
    dnc.setAction(0);
}

double plainWriteLoop(const QByteArray &bytes)
{
    Machine machine;
    QElapsedTimer timer;
    timer.start();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(machine.slave(), bytes.constData() + done,
                                  size_t(std::min<qsizetype>(bytes.size() - done, 4096)));
        if (n <= 0)
            break;
        done += n;
    }
    machine.waitFor(bytes.size());
    return double(timer.nsecsElapsed()) / 1e6;
}

double channelSend(const QString &text)
{
    Machine machine;
    SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(kPort),
                machine.device());
    ucDnc dnc;
    dnc.setComPort(QString::number(kPort));
    dnc.setRTSCTS(false);
    dnc.setAction(1);
    QElapsedTimer timer;
    timer.start();
    sendAll(dnc, text);
    machine.waitFor(text.size());
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    dnc.setAction(0);
    return ms;
}

void throughput(int megabytes)
{
    const qsizetype size = qsizetype(megabytes) * 1024 * 1024;
    QByteArray bytes(size, 'X');
    for (qsizetype i = 0; i < size; i += 40)
        bytes[i] = '\n';
    const QString text = QString::fromLatin1(bytes);

    // Interleaved, so that a busy moment of the machine falls on both alike.
    std::vector<double> plain;
    std::vector<double> channel;
    for (int run = 0; run < kRuns; ++run) {
        plain.push_back(plainWriteLoop(bytes));
        channel.push_back(channelSend(text));
    }
    const double p = median(plain);
    const double c = median(channel);
    const double pBest = *std::min_element(plain.begin(), plain.end());
    const double cBest = *std::min_element(channel.begin(), channel.end());
    std::printf("%d MB through a pty, no flow control (median of %d / best):\n"
                "  channel %.1f / %.1f ms, plain write loop %.1f / %.1f ms,"
                " ratio %.2f / %.2f (goal <= 1.5)\n",
                megabytes, kRuns, c, cBest, p, pBest, c / p, cBest / pBest);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    QTemporaryDir settings;
    setSettingsFolder(settings.path());
    throughput(megabytes);
    heldByXoff(seconds);
    return 0;
}
