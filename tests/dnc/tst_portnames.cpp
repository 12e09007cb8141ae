// SPDX-License-Identifier: GPL-3.0-or-later
// Port numbers to devices, and the port probe.
#include "dnc/PortNames.h"
#include "support/PtyMachine.h"
#include "support/TestFolders.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace kordavel;

class TstPortNames : public QObject {
    Q_OBJECT
private slots:
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
        test::TestFolders folders;
        QCOMPARE(portDevice(qint16(port)), device);
    }

    void storedDevice()
    {
        test::TestFolders folders;
        SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com3"),
                    QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(portDevice(3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(portDevice(4), QStringLiteral("/dev/ttyS3"));
    }

    void presence()
    {
        test::TestFolders folders;
        test::PtyMachine machine;
        QVERIFY(machine.ok());
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
        test::TestFolders folders;
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
};

QTEST_GUILESS_MAIN(TstPortNames)
#include "tst_portnames.moc"
