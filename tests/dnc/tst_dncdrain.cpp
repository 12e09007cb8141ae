// Long pieces through a real pseudo-terminal whose machine end is read by a thread of its
// own, so that the line keeps pace without the test's event loop: the bytes on the wire,
// a machine that stops reading, XOFF, a stop, a closed window and a hang-up while the
// transmit queue drains.
#include "common/CodePage.h"
#include "common/SettingsStore.h"
#include "dnc/ucDnc.h"
#include "support/PtyMachine.h"
#include "support/TestFolders.h"

#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace kordavel;

namespace {

constexpr int kPort = 9;
constexpr qsizetype kNoLimit = std::numeric_limits<qsizetype>::max();
// The longest piece sent; the machine keeps room for it.
constexpr qsizetype kLongest = 8 << 20;
// More than the pseudo-terminal holds between the two ends.
constexpr qsizetype kPtyHolds = 1 << 20;

// The machine: reads the pty's master in a thread, at most a given number of bytes at a
// time. It can stop reading at a count until it is let go on, answer once a count has
// arrived, and hang up at a count.
class ThreadedMachine {
public:
    ThreadedMachine()
    {
        if (!kordavel::test::openRawPty(m_master, m_slave, m_device))
            return;
        m_received.reserve(kLongest);
        m_thread = std::thread([this] { run(); });
    }
    ~ThreadedMachine()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    ThreadedMachine(const ThreadedMachine &) = delete;
    ThreadedMachine &operator=(const ThreadedMachine &) = delete;

    bool ok() const { return m_thread.joinable(); }
    void mapTo(int n) const
    {
        SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(n), m_device);
    }
    void stopAt(qsizetype count)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopAt = count;
        }
        m_changed.notify_all();
    }
    void goOn() { stopAt(kNoLimit); }
    void readAtMost(qsizetype bytes)
    {
        const std::lock_guard lock(m_mutex);
        m_readAtMost = bytes;
    }
    bool stopped() const { return m_stopped; }
    void replyAt(qsizetype count, const QByteArray &reply)
    {
        const std::lock_guard lock(m_mutex);
        m_replyAt = count;
        m_reply = reply;
    }
    void hangUpAt(qsizetype count)
    {
        const std::lock_guard lock(m_mutex);
        m_hangUpAt = count;
    }
    void write(const QByteArray &bytes) const
    {
        QVERIFY(::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size());
    }
    qsizetype count() const { return m_count; }
    QByteArray received() const
    {
        const std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    void run()
    {
        char buffer[65536];
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (m_received.size() >= m_stopAt) {
                m_stopped = true;
                m_changed.wait(lock, [this] { return m_quit || m_received.size() < m_stopAt; });
                m_stopped = false;
                continue;
            }
            const size_t room = size_t(
                std::min({m_stopAt - m_received.size(), m_readAtMost, qsizetype(sizeof buffer)}));
            lock.unlock();
            pollfd master{m_master, POLLIN, 0};
            ssize_t n = 0;
            if (::poll(&master, 1, 10) > 0 && (master.revents & POLLIN))
                n = ::read(m_master, buffer, room);
            lock.lock();
            if (n <= 0)
                continue;
            m_received.append(buffer, n);
            m_count = m_received.size();
            if (m_received.size() >= m_replyAt) {
                m_replyAt = kNoLimit;
                if (::write(m_master, m_reply.constData(), size_t(m_reply.size())) < 0)
                    return;
            }
            if (m_received.size() >= m_hangUpAt) {
                ::close(m_master);
                m_master = -1;
                return;
            }
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_device;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_received;
    std::atomic<qsizetype> m_count{0};
    std::atomic<bool> m_stopped{false};
    qsizetype m_stopAt = kNoLimit;
    qsizetype m_readAtMost = kNoLimit;
    qsizetype m_replyAt = kNoLimit;
    QByteArray m_reply;
    qsizetype m_hangUpAt = kNoLimit;
    bool m_quit = false;
    std::thread m_thread;
};

struct Channel {
    Channel()
    {
        dnc = new ucDnc;
        QObject::connect(dnc, &ucDnc::ErrorStatus, [this](qint16 offset) { errors << offset; });
        dnc->setComPort(QString::number(kPort));
        dnc->setRTSCTS(false);
    }
    ~Channel() { delete dnc.data(); }
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;
    QPointer<ucDnc> dnc;
    QList<qint16> errors;
};

// The first size bytes of a long program, in numbered blocks ending with CR LF.
QByteArray program(qsizetype size)
{
    static const QByteArray text = [] {
        QByteArray blocks;
        blocks.reserve(kLongest + 32);
        for (int n = 10; blocks.size() < kLongest; n += 10)
            blocks += "N" + QByteArray::number(n) + " G01 X" + QByteArray::number(n % 997) + "\r\n";
        return blocks;
    }();
    return text.left(size);
}

// Runs check every millisecond until it answers true, from the event loop.
class Watch {
public:
    explicit Watch(std::function<bool()> check) : m_check(std::move(check))
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_check())
                m_timer.stop();
        });
        m_timer.start();
    }

private:
    std::function<bool()> m_check;
    QTimer m_timer;
};

} // namespace

class TstDncDrain : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void bytesOnTheWire_data();
    void bytesOnTheWire();
    void xoffWhileDraining();
    void endedWhileDraining_data();
    void endedWhileDraining();
    void hangUpWhileDraining();

private:
    std::unique_ptr<test::TestFolders> m_folders;
    std::unique_ptr<ThreadedMachine> m_machine;
};

void TstDncDrain::init()
{
    m_folders = std::make_unique<test::TestFolders>();
    m_machine = std::make_unique<ThreadedMachine>();
    QVERIFY(m_machine->ok());
    m_machine->mapTo(kPort);
}

void TstDncDrain::cleanup()
{
    m_machine.reset();
    m_folders.reset();
}

void TstDncDrain::bytesOnTheWire_data()
{
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<qsizetype>("stopAt");
    QTest::addColumn<qsizetype>("readAtMost");
    const QByteArray text = program(3 << 20);
    QTest::newRow("program text") << QString::fromLatin1(text) << text << kNoLimit << kNoLimit;
    QTest::newRow("machine stops reading for a while")
        << QString::fromLatin1(text) << text << qsizetype(300000) << kNoLimit;
    QTest::newRow("machine reading 100 bytes at a time")
        << QString::fromLatin1(text.left(300000)) << text.left(300000) << kNoLimit
        << qsizetype(100);
    QByteArray every;
    for (int i = 0; i < (1 << 20); ++i)
        every += char((i * 131 + i / 256) % 256);
    QTest::newRow("every byte value") << decodeBytes(every) << every << kNoLimit << kNoLimit;
    QByteArray late = program(200000);
    late[late.size() - 3] = char(0x80); // the euro sign
    QTest::newRow("one euro sign at the end") << decodeBytes(late) << late << kNoLimit << kNoLimit;
    QTest::newRow("a character without a byte")
        << QString::fromLatin1(text.left(100003)) + QChar(0x4E00) + QStringLiteral("\r\n")
        << text.left(100003) + "?\r\n"
        << kNoLimit << kNoLimit;
}

void TstDncDrain::bytesOnTheWire()
{
    QFETCH(QString, piece);
    QFETCH(QByteArray, wire);
    QFETCH(qsizetype, stopAt);
    QFETCH(qsizetype, readAtMost);
    m_machine->stopAt(stopAt);
    m_machine->readAtMost(readAtMost);
    // The machine goes on once it has kept the channel waiting for a while.
    QTimer goOn;
    goOn.setSingleShot(true);
    QObject::connect(&goOn, &QTimer::timeout, [this] { m_machine->goOn(); });
    Watch watch([&] {
        if (!m_machine->stopped())
            return false;
        goOn.start(20);
        return true;
    });
    Channel c;
    c.dnc->setAction(1);
    QCOMPARE(c.dnc->Action(), 1);
    c.dnc->Send(piece);
    // Returned once the piece had left the port: only what the pty holds is still to come.
    QVERIFY(m_machine->count() > wire.size() - kPtyHolds);
    QVERIFY(!c.dnc->SendInProgress());
    QTRY_COMPARE(m_machine->count(), wire.size());
    QCOMPARE(m_machine->received(), wire);
    QVERIFY(c.errors.isEmpty());
}

// An XOFF that arrives while a long piece drains holds the send after the piece: the rest of
// the piece still leaves, and the send returns only after XON.
void TstDncDrain::xoffWhileDraining()
{
    const QByteArray piece = program(2 << 20);
    Channel c;
    c.dnc->setXOnXOff(true);
    c.dnc->setAction(1);
    m_machine->replyAt(100000, "\x13");
    bool heldAfterPiece = false;
    Watch watch([&] {
        if (m_machine->count() < piece.size() || !c.dnc->XOffHeld())
            return false;
        heldAfterPiece = c.dnc->SendInProgress();
        m_machine->write("\x11");
        return true;
    });
    c.dnc->Send(QString::fromLatin1(piece));
    QVERIFY(heldAfterPiece);
    QVERIFY(!c.dnc->XOffHeld());
    QCOMPARE(m_machine->received(), piece);
}

void TstDncDrain::endedWhileDraining_data()
{
    QTest::addColumn<bool>("closeWindow");
    QTest::addColumn<bool>("machineStops");
    QTest::newRow("stop, machine reading") << false << false;
    QTest::newRow("stop, machine stopped") << false << true;
    QTest::newRow("window closed, machine reading") << true << false;
    QTest::newRow("window closed, machine stopped") << true << true;
}

// A stop or a closed window ends the drain at once: the send returns long before the
// piece could have left, nothing is reported and the port is let go.
void TstDncDrain::endedWhileDraining()
{
    QFETCH(bool, closeWindow);
    QFETCH(bool, machineStops);
    const QByteArray piece = program(kLongest);
    if (machineStops)
        m_machine->stopAt(200000);
    auto c = std::make_unique<Channel>();
    c->dnc->setAction(1);
    QPointer<ucDnc> dnc = c->dnc;
    Watch watch([&] {
        if (machineStops ? !m_machine->stopped() : m_machine->count() < 512 * 1024)
            return false;
        if (closeWindow)
            delete dnc.data();
        else
            dnc->setAction(0);
        return true;
    });
    dnc->Send(QString::fromLatin1(piece));
    const qsizetype atReturn = m_machine->count();
    QCOMPARE(dnc.isNull(), closeWindow);
    QVERIFY2(atReturn < piece.size() / 2, QByteArray::number(atReturn).constData());
    QVERIFY(c->errors.isEmpty());
    if (!closeWindow) {
        QCOMPARE(dnc->Action(), 0);
        QVERIFY(!dnc->SendInProgress());
    }
    m_machine->goOn();
    const QByteArray received = m_machine->received();
    QCOMPARE(received, piece.left(received.size()));
    // The port was let go, and nothing of the piece is left over: the next send, by the
    // same channel after a stop or by the next window, puts only its own bytes on the line.
    if (closeWindow)
        c = std::make_unique<Channel>();
    c->dnc->setAction(1);
    QCOMPARE(c->dnc->Action(), 1);
    c->dnc->Send(QStringLiteral("M30\r\n"));
    QTRY_VERIFY(m_machine->received().endsWith("M30\r\n"));
    const QByteArray all = m_machine->received();
    QVERIFY(all.size() < piece.size() / 2);
    QCOMPARE(all.left(all.size() - 5), piece.left(all.size() - 5));
}

void TstDncDrain::hangUpWhileDraining()
{
    Channel c;
    c.dnc->setAction(1);
    m_machine->hangUpAt(300000);
    c.dnc->Send(QString::fromLatin1(program(4 << 20)));
    QVERIFY(!c.dnc->SendInProgress());
    QCOMPARE(c.errors, QList<qint16>{403});
    QCOMPARE(c.dnc->Action(), 0);
    c.dnc->Send(QStringLiteral("N2\r\n"));
    QCOMPARE(c.errors, QList<qint16>{403});
}

QTEST_MAIN(TstDncDrain)
#include "tst_dncdrain.moc"
