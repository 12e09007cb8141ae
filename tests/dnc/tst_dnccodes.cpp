// SPDX-License-Identifier: GPL-3.0-or-later
// EIA code tables, settings strings and the characters a second they carry, the
// error-number-to-text table and the driver's marks of bytes received with an error.
#include "dnc/CodeTables.h"
#include "dnc/ErrorTexts.h"
#include "dnc/LineSettings.h"
#include "dnc/MarkedInput.h"

#include <QtTest>

using namespace kordavel;

class TstDncCodes : public QObject {
    Q_OBJECT
private slots:
    void convert_data()
    {
        QTest::addColumn<QByteArray>("iso");
        QTest::addColumn<QByteArray>("eia");
        QTest::addColumn<bool>("inverse"); // the EIA bytes read back as the ISO text
        // The rows hold all 49 codes of the tape, each written out.
        QTest::newRow("block") << QByteArray("G01 X10\r\n")
                               << QByteArray("\x67\x20\x01\x10\x37\x01\x20\x00", 8) << true;
        QTest::newRow("every letter")
            << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ")
            << QByteArray("\x61\x62\x73\x64\x75\x76\x67\x68\x79\x51\x52\x43\x54\x45"
                          "\x46\x57\x58\x49"
                          "\x32\x23\x34\x25\x26\x37\x38\x29")
            << true;
        QTest::newRow("signs") << QByteArray("%()+,-./:\t\x7f")
                               << QByteArray("\x0b\x0a\x4a\x70\x3b\x40\x6b\x31\x2f\x3e\x7f")
                               << true;
        QTest::newRow("digits") << QByteArray("0123456789")
                                << QByteArray("\x20\x01\x02\x13\x04\x15\x16\x07\x08\x19") << true;
        // Characters outside the code cross unchanged to EIA. Back from EIA only
        // those that are no EIA code stay: "g" (0x67) and "#" (0x23) are the EIA
        // codes of "G" and "T".
        QTest::newRow("pass through") << QByteArray("g#=;") << QByteArray("g#=;") << false;
        QTest::newRow("pass through both ways") << QByteArray("=![") << QByteArray("=![") << true;
        QTest::newRow("128 passes") << QByteArray("\x80") << QByteArray("\x80") << true;
        QTest::newRow("CR alone is left out") << QByteArray("\r\r") << QByteArray() << true;
    }

    void convert()
    {
        QFETCH(QByteArray, iso);
        QFETCH(QByteArray, eia);
        QFETCH(bool, inverse);
        const CodeTables tables = InitCodeTables();
        QCOMPARE(convertCode(iso, true, tables).value_or("failed"), eia);
        if (!inverse) {
            QCOMPARE(convertCode(eia, false, tables).value_or("failed"), QByteArray("GT=,"));
            return;
        }
        QByteArray isoWithoutCr = iso;
        isoWithoutCr.replace("\r", "");
        QCOMPARE(convertCode(eia, false, tables).value_or("failed"), isoWithoutCr);
    }

    void aboveTwoHundredTwentyEightFails()
    {
        const CodeTables tables = InitCodeTables();
        QVERIFY(!convertCode("G01\xc8", true, tables));
        QVERIFY(!convertCode("\x81", false, tables));
    }

    // Error numbers, then line events (from 1000 on), to string offsets: every end
    // of a range.
    void errorOffsets_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("offset");
        const int rows[][2] = {
            {9, 0},      {380, 9},   {383, 10},  {394, 10},  {5011, 11}, {5021, 21},
            {5010, 0},   {5022, 0},  {8000, 22}, {8002, 24}, {8005, 27}, {8010, 32},
            {8016, 38},  {8017, 0},  {8018, 39}, {8020, 41}, {8021, 42}, {8022, 402},
            {8023, 403}, {8024, 0},  {7999, 0},  {0, 0},     {-1, 0},    {1001, 11},
            {1007, 12},  {1002, 13}, {1011, 14}, {1003, 15}, {1004, 16}, {1006, 17},
            {1008, 18},  {1009, 19}, {1010, 20}, {1005, 21}, {1000, 21}, {1012, 21}};
        for (const auto &row : rows)
            QTest::addRow("%d", row[0]) << row[0] << row[1];
    }

    void errorOffsets()
    {
        QFETCH(int, number);
        QFETCH(int, offset);
        QCOMPARE(int(number >= 1000 && number < 1100 ? lineErrorOffset(qint16(number))
                                                     : errorOffset(number)),
                 offset);
    }

    void settingsStrings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("baud");
        QTest::addColumn<char>("parity");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<double>("bits"); // a character's bits on the line, with start and stop
        QTest::newRow("default") << "4800,e,7,2" << true << 4800 << 'E' << 7 << 2 << 11.0;
        QTest::newRow("one and a half") << "110,N,5,1.5" << true << 110 << 'N' << 5 << 15 << 7.5;
        QTest::newRow("mark, four bits") << "9600,m,4,1" << true << 9600 << 'M' << 4 << 1 << 7.0;
        QTest::newRow("space") << "19200,S,8,1" << true << 19200 << 'S' << 8 << 1 << 11.0;
        for (const char *invalid :
             {"4800,e,7", "4800,e,7,2,1", "fast,e,7,2", "4800.5,e,7,2", "0,e,7,2", "4800,even,7,2",
              "4800,x,7,2", "4800,e,9,2", "4800,e,3,2", "4800,e,7,3", "4800,e,7,1,5", ""})
            QTest::addRow("invalid '%s'", invalid) << invalid << false << 0 << 'N' << 0 << 0 << 0.0;
    }

    void settingsStrings()
    {
        QFETCH(QString, settings);
        QFETCH(bool, valid);
        const std::optional<LineSettings> parsed = parseLineSettings(settings);
        QCOMPARE(parsed.has_value(), valid);
        if (!valid)
            return;
        QFETCH(int, baud);
        QFETCH(char, parity);
        QFETCH(int, dataBits);
        QFETCH(int, stopBits);
        QCOMPARE(parsed->baudRate, baud);
        QCOMPARE(parsed->parity, parity);
        QCOMPARE(parsed->dataBits, dataBits);
        QCOMPARE(parsed->stopBits, stopBits);
        QFETCH(double, bits);
        QCOMPARE(charactersPerSecond(*parsed), baud / bits);
    }

    void markedInput_data()
    {
        QTest::addColumn<QByteArray>("first"); // two chunks, as they arrive
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<int>("parityErrors");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<int>>("found"); // breaks, parity, framing
        const QByteArray mark("\xff\x00", 2);
        QTest::newRow("parity error")
            << "N1" + mark + "A" << QByteArray() << 1 << QByteArray("N1 ") << QList<int>{0, 1, 0};
        QTest::newRow("framing error keeps its byte")
            << "N1" + mark + "A" << QByteArray() << 0 << QByteArray("N1A") << QList<int>{0, 0, 1};
        QTest::newRow("one of each") << mark + "A" + mark + "B" << QByteArray() << 1
                                     << QByteArray(" B") << QList<int>{0, 1, 1};
        QTest::newRow("break adds nothing") << "N1" + mark + '\0' + "N2" << QByteArray() << 1
                                            << QByteArray("N1N2") << QList<int>{1, 0, 0};
        QTest::newRow("0xFF doubled") << QByteArray("\xff\xffX") << QByteArray() << 1
                                      << QByteArray("\xffX") << QList<int>{0, 0, 0};
        QTest::newRow("mark cut between chunks")
            << "N1" + mark << QByteArray("AB") << 0 << QByteArray("N1AB") << QList<int>{0, 0, 1};
    }

    void markedInput()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(int, parityErrors);
        QFETCH(QByteArray, data);
        QFETCH(QList<int>, found);
        MarkedInput input;
        MarkedInput::Found seen;
        QByteArray taken = input.take(first, parityErrors, " ", seen);
        taken += input.take(second, parityErrors, " ", seen);
        QCOMPARE(taken, data);
        QCOMPARE((QList<int>{seen.breaks, seen.parity, seen.framing}), found);
    }
};

QTEST_GUILESS_MAIN(TstDncCodes)
#include "tst_dnccodes.moc"
