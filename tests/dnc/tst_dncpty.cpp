// SPDX-License-Identifier: GPL-3.0-or-later
// Port numbers to devices and the port probe; byte streams through real pseudo-terminals. On port 7
// the test is the machine, in the event loop: every byte value, XON/XOFF, a port held by another
// open. On port 9 a thread of its own reads the machine end, so that the line keeps pace without
// the event loop: long pieces, a machine that stops reading, XOFF, a stop and a closed window while
// the transmit queue drains.
#include "common/CodePage.h"
#include "common/SettingsStore.h"
#include "dnc/PortNames.h"
#include "support/DncChannel.h"
#include "support/PtyMachine.h"
#include "support/TestFolders.h"

#include <QtTest>

using namespace kordavel;
using kordavel::test::Channel;

namespace {

constexpr int kPort = 7;
constexpr qsizetype kNoLimit = test::PtyMachine::kNoLimit;
// The longest piece sent; the machine keeps room for it.
constexpr qsizetype kLongest = 8 << 20;
// More than the pseudo-terminal holds between the two ends.
constexpr qsizetype kPtyHolds = 1 << 20;

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

// Runs check every millisecond from the event loop until it answers true.
class Watch {
public:
    explicit Watch(std::function<bool()> check) : m_check(std::move(check))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_check())
                m_timer.stop();
        });
        m_timer.start(1);
    }

private:
    std::function<bool()> m_check;
    QTimer m_timer;
};

} // namespace

class TstDncPty : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_folders = std::make_unique<test::TestFolders>();
        m_pty = std::make_unique<test::PtyMachine>();
        QVERIFY(m_pty->ok());
        m_pty->mapTo(kPort);
    }

    void cleanup()
    {
        m_pty.reset();
        m_folders.reset();
    }

    void defaults_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        for (const char *row : {"1 /dev/ttyS0", "4 /dev/ttyS3", "5 /dev/ttyUSB0", "12 /dev/ttyUSB7",
                                "13 /dev/ttyACM0", "16 /dev/ttyACM3", "0", "17"}) {
            const QStringList parts = QString::fromLatin1(row).split(QLatin1Char(' '));
            QTest::newRow(row) << parts[0].toInt() << parts.value(1);
        }
    }

    void defaults()
    {
        QFETCH(int, port);
        QFETCH(QString, device);
        QCOMPARE(portDevice(qint16(port)), device);
    }

    void presence()
    {
        test::TestFolders &folders = *m_folders;
        test::PtyMachine &machine = *m_pty;
        const QString link = folders.file(QStringLiteral("ttyV0"));
        QVERIFY(QFile::link(machine.device(), link));
        const QString plain = test::writeFile(folders.file(QStringLiteral("plain")), QByteArray());
        const struct {
            int port;
            QString device;
            bool present;
        } rows[] = {
            {1, machine.device(), true},
            {2, link, true},
            {3, folders.file(QStringLiteral("missing")), false},
            {4, plain, false},
            {5, QStringLiteral("/dev/null"), false},
            {6, folders.file(QString()), false},
            {7, folders.file(QStringLiteral("missing/inside")), false},
        };
        for (const auto &row : rows)
            SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(row.port),
                        row.device);
        for (const auto &row : rows)
            QVERIFY2(IsPortPresent(qint16(row.port)) == row.present, qPrintable(row.device));
        QVERIFY(isPseudoTerminal(link));
        QVERIFY(!isPseudoTerminal(QStringLiteral("/dev/null")));
    }

    // The kernel lists /dev/ttyS entries for ports without hardware; they are not present.
    void phantomSerialPortsAreAbsent()
    {
        int checked = 0;
        for (int n = 1; n <= 4; ++n) {
            const QString name = QStringLiteral("ttyS") + QString::number(n - 1);
            QFile type(QStringLiteral("/sys/class/tty/") + name + QStringLiteral("/type"));
            if (!QFile::exists(QStringLiteral("/dev/") + name) || !type.open(QIODevice::ReadOnly))
                continue;
            ++checked;
            QCOMPARE(IsPortPresent(qint16(n)), type.readAll().trimmed() != "0");
        }
        if (checked == 0)
            QSKIP("no /dev/ttyS entries on this machine");
    }

    void everyByteCrossesUnchanged()
    {
        QByteArray every;
        for (int b = 0; b < 256; ++b)
            every += char(b);
        Channel c(kPort);
        c.dnc->setXOnXOff(true);
        c.dnc->setAction(1);
        c.dnc->Send(decodeBytes(every));
        QTRY_COMPARE(m_pty->received, every);
        // And back, in receive, NUL and flow-control bytes included.
        c.dnc->setAction(0);
        c.dnc->setAction(2);
        m_pty->write(every);
        QString text;
        QTRY_COMPARE(text += c.dnc->Receive(), decodeBytes(every));
    }

    // Held by an XOFF as the first character of a chunk, or by Wait for XOn: nothing of the
    // piece leaves until an XON.
    void heldBeforeTheSend_data()
    {
        QTest::addColumn<char>("stop"); // 0: Wait for XOn
        QTest::addColumn<char>("go");
        QTest::newRow("DC3, DC1") << char(19) << char(17);
        QTest::newRow("DC3, DC2") << char(19) << char(18);
        QTest::newRow("DC4, DC1") << char(20) << char(17);
        QTest::newRow("Wait for XOn") << char(0) << char(17);
    }

    void heldBeforeTheSend()
    {
        QFETCH(char, stop);
        QFETCH(char, go);
        Channel c(kPort);
        c.dnc->setXOnXOff(true);
        c.dnc->setWaitXOn(stop == 0);
        c.dnc->setAction(1);
        if (stop != 0) {
            m_pty->write(QByteArray(1, stop) + "N5");
            QTRY_VERIFY(c.dnc->XOffHeld());
            QCOMPARE(c.status, QList<qint16>{3});
        }
        QVERIFY(c.dnc->XOffHeld());
        int checks = 0;
        std::function<void()> check = [&] {
            QVERIFY(c.dnc->SendInProgress());
            QVERIFY(m_pty->lineQuiet() && m_pty->received.isEmpty());
            if (++checks < 3)
                c.later(2, check);
            else
                m_pty->write(QByteArray(1, go));
        };
        c.later(2, check);
        c.dnc->Send(QStringLiteral("N10 G01 X10\r\n"));
        QCOMPARE(checks, 3);
        QVERIFY(!c.dnc->XOffHeld());
        QTRY_COMPARE(m_pty->received, QByteArray("N10 G01 X10\r\n"));
    }

    void xoffSecondCharacterIsNotNoticed()
    {
        Channel c(kPort);
        c.dnc->setXOnXOff(true);
        c.dnc->setAction(1);
        m_pty->write("%\x13");
        QTRY_COMPARE(c.status, QList<qint16>{3});
        QVERIFY(!c.dnc->XOffHeld());
        c.dnc->Send(QStringLiteral("N10\r\n"));
        QTRY_COMPARE(m_pty->received, QByteArray("N10\r\n"));
    }

    // A missing device; a port held by another open, until the first lets go. A pty opens
    // whatever the framing and the handshake, and holds nothing.
    void openFailures()
    {
        SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com8"),
                    QStringLiteral("/no-such-tty"));
        Channel missing(8);
        missing.dnc->setAction(1);
        QCOMPARE(missing.dnc->Action(), 0);
        QCOMPARE(missing.errors, QList<qint16>{24});
        Channel first(kPort);
        first.dnc->setDataBits(QStringLiteral("4"));
        first.dnc->setStopBits(QStringLiteral("1.5"));
        first.dnc->setRTSCTS(true);
        first.dnc->setDTRDTS(true);
        first.dnc->setAction(2);
        QCOMPARE(first.dnc->Action(), 2);
        QVERIFY(!first.dnc->CtsHeld() && !first.dnc->DsrHeld());
        Channel second(kPort);
        second.dnc->setAction(1);
        QCOMPARE(second.dnc->Action(), 0);
        QCOMPARE(second.errors, QList<qint16>{27});
        QVERIFY(first.errors.isEmpty());
        first.dnc->setAction(0);
        second.errors.clear();
        second.dnc->setAction(1);
        QCOMPARE(second.dnc->Action(), 1);
        QVERIFY(second.errors.isEmpty());
    }

    void bytesOnTheWire_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<qsizetype>("stopAt");
        const QByteArray text = program(3 << 20);
        QTest::newRow("program text") << QString::fromLatin1(text) << text << kNoLimit;
        QTest::newRow("machine stops reading for a while")
            << QString::fromLatin1(text) << text << qsizetype(300000);
        QByteArray late = program(200000);
        late[late.size() - 3] = char(0x80); // the euro sign
        QTest::newRow("one euro sign at the end") << decodeBytes(late) << late << kNoLimit;
        QTest::newRow("a character without a byte")
            << QString::fromLatin1(text.left(100003)) + QChar(0x4E00) + QStringLiteral("\r\n")
            << text.left(100003) + "?\r\n"
            << kNoLimit;
    }

    void bytesOnTheWire()
    {
        QFETCH(QString, piece);
        QFETCH(QByteArray, wire);
        QFETCH(qsizetype, stopAt);
        m_pty->stopAt(stopAt);
        // The machine goes on once it has kept the channel waiting for a while.
        Channel c(kPort);
        Watch watch([&] {
            if (!m_pty->stopped())
                return false;
            c.later(20, [this] { m_pty->goOn(); });
            return true;
        });
        c.dnc->setRTSCTS(false);
        c.dnc->setAction(1);
        QCOMPARE(c.dnc->Action(), 1);
        c.dnc->Send(piece);
        // Returned once the piece had left the port: only what the pty holds is still to come.
        QVERIFY(m_pty->received.size() > wire.size() - kPtyHolds);
        QVERIFY(!c.dnc->SendInProgress());
        QTRY_COMPARE(m_pty->received.size(), wire.size());
        QCOMPARE(m_pty->received, wire);
        QVERIFY(c.errors.isEmpty());
    }

    // An XOFF that arrives while a long piece drains holds the send after the piece: the rest of
    // the piece still leaves, and the send returns only after XON. (Before a piece, an XOFF holds
    // all of it: heldBeforeTheSend; between the window's lines: tst_e2e.)
    void xoffWhileDraining()
    {
        const QByteArray piece = program(2 << 20);
        bool xoffSent = false;
        Channel c(kPort);
        c.dnc->setRTSCTS(false);
        c.dnc->setXOnXOff(true);
        c.dnc->setAction(1);
        m_pty->onData = [&] {
            if (m_pty->received.size() >= 100000 && !std::exchange(xoffSent, true))
                m_pty->write("\x13");
        };
        bool heldAfterPiece = false;
        Watch watch([&] {
            if (m_pty->received.size() < piece.size() || !c.dnc->XOffHeld())
                return false;
            heldAfterPiece = c.dnc->SendInProgress();
            m_pty->write("\x11");
            return true;
        });
        c.dnc->Send(QString::fromLatin1(piece));
        QVERIFY(heldAfterPiece);
        QVERIFY(!c.dnc->XOffHeld());
        QCOMPARE(m_pty->received, piece);
    }

    void endedWhileDraining_data()
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
    void endedWhileDraining()
    {
        QFETCH(bool, closeWindow);
        QFETCH(bool, machineStops);
        const QByteArray piece = program(kLongest);
        if (machineStops)
            m_pty->stopAt(200000);
        auto c = std::make_unique<Channel>(kPort);
        c->dnc->setRTSCTS(false);
        c->dnc->setAction(1);
        QPointer<ucDnc> dnc = c->dnc;
        Watch watch([&] {
            if (machineStops ? !m_pty->stopped() : m_pty->received.size() < 512 * 1024)
                return false;
            closeWindow ? delete dnc.data() : dnc->setAction(0);
            return true;
        });
        dnc->Send(QString::fromLatin1(piece));
        const qsizetype atReturn = m_pty->received.size();
        QCOMPARE(dnc.isNull(), closeWindow);
        QVERIFY2(atReturn < piece.size() / 2, QByteArray::number(atReturn).constData());
        QVERIFY(c->errors.isEmpty());
        if (!closeWindow) {
            QCOMPARE(dnc->Action(), 0);
            QVERIFY(!dnc->SendInProgress());
        }
        m_pty->goOn();
        const QByteArray received = m_pty->received;
        QCOMPARE(received, piece.left(received.size()));
        // The port was let go, and nothing of the piece is left over: the next send, by the
        // same channel after a stop or by the next window, puts only its own bytes on the line.
        if (closeWindow) {
            c = std::make_unique<Channel>(kPort);
            c->dnc->setRTSCTS(false);
        }
        c->dnc->setAction(1);
        QCOMPARE(c->dnc->Action(), 1);
        c->dnc->Send(QStringLiteral("M30\r\n"));
        QTRY_VERIFY(m_pty->received.endsWith("M30\r\n"));
        const QByteArray all = m_pty->received;
        QVERIFY(all.size() < piece.size() / 2);
        QCOMPARE(all.left(all.size() - 5), piece.left(all.size() - 5));
    }

private:
    std::unique_ptr<test::TestFolders> m_folders;
    std::unique_ptr<test::PtyMachine> m_pty;
};

QTEST_MAIN(TstDncPty)
#include "tst_dncpty.moc"
