// SPDX-License-Identifier: GPL-3.0-or-later
// Sends at the line's speed to a simulated machine through a pseudo-terminal: byte for byte
// with one closing CR LF, never more than 64 characters ahead of the line (a pty cannot
// tell, so the pace is the baud rate on the transfer clock), XOFF holding it, Escape
// stopping it; the stored pace through Options; and Send File at either pace, plain and
// RTF, with the editor's text untouched.
#include "E2eSession.h"

#include "dnc/LineSettings.h"
#include "profiles/DefaultLineSettings.h"
#include "profiles/frmOptions.h"
#include "program/FileSendView.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// A send from the editor, or with a file, of the given bytes at the given pace. The
// transfer clock runs a second a reading, so that the pace never holds the send, unless still.
void startSend(E2eSession &s, const QByteArray &bytes, int pace, const char *file, bool still)
{
    if (!still)
        setTransferClock([&s] { return s.transferNow += 1000; });
    frmProgram *p = s.program();
    p->picControl->controls->cboPace->setCurrentIndex(pace);
    if (!*file) {
        p->rtfText->setText(QString::fromLatin1(bytes));
        return s.trigger("mnuCommunicationSend");
    }
    p->rtfText->setText(QStringLiteral("G00 X0"));
    p->rtfText->select(1, 2);
    s.dialogs.openAnswers << writeFile(s.folders.file(QLatin1String(file)), bytes);
    s.trigger("mnuCommunicationSendFile");
    QVERIFY(!p->fileView->isHidden() && p->rtfText->isHidden());
}

QByteArray longProgram(int lines)
{
    QByteArray text;
    for (int i = 1; i <= lines; ++i)
        text += QStringLiteral("N%1 G01 X%2 Y%3 Z-1.25 F300\r\n")
                    .arg(i)
                    .arg(i % 97)
                    .arg(i % 89)
                    .toLatin1();
    return text;
}

} // namespace

class TstE2eLineSpeed : public QObject {
    Q_OBJECT
private slots:
    void charactersPerSecond_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<double>("perSecond");
        QTest::newRow("7E2: 11 bits") << "9600,E,7,2" << 9600.0 / 11;
        QTest::newRow("8N1: 10 bits") << "9600,N,8,1" << 960.0;
        QTest::newRow("8N1.5: 10.5 bits") << "4800,n,8,1.5" << 4800.0 / 10.5;
    }

    void charactersPerSecond()
    {
        QFETCH(QString, settings);
        QFETCH(double, perSecond);
        QCOMPARE(kordavel::charactersPerSecond(*parseLineSettings(settings)), perSecond);
    }

    void sendsExactBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // the program's text, or the file's bytes
        QTest::addColumn<QString>("file");     // empty: from the editor
        QTest::addColumn<int>("pace");
        QTest::addColumn<bool>("eia");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("ISO") << QByteArray("G01 X10\r\nM30") << "" << 1 << false
                             << QByteArray("G01 X10\r\nM30\r\n");
        // G01 X10 LF M30 LF LF in EIA code: CR is left out.
        const QByteArray eia("\x67\x20\x01\x10\x37\x01\x20\x00\x54\x13\x20\x00\x00", 13);
        QTest::newRow("EIA") << QByteArray("G01 X10\r\nM30\r\n") << "" << 1 << true << eia;
        const QByteArray program = longProgram(120); // lines longer than half the window
        QTest::newRow("120 lines") << program << "" << 1 << false << program + "\r\n";
        // Every line end as CR LF, a Windows-1252 letter as its byte.
        const QByteArray plain("%\r\nO1000\nG01 X1\rM30 (\xe9)\r\n%");
        const QByteArray plainWire("%\r\nO1000\r\nG01 X1\r\nM30 (\xe9)\r\n%\r\n");
        QTest::newRow("file, 0.4 s per line") << plain << "part.nc" << 0 << false << plainWire;
        QTest::newRow("file, line speed") << plain << "part.nc" << 1 << false << plainWire;
        QTest::newRow("file, EIA") << QByteArray("G01 X10\nM30\n") << "part.nc" << 1 << true << eia;
        QTest::newRow("RTF file")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 G01 X1\\par M30\\par }")
            << "part.dnc" << 1 << false
            << QByteArray("G01 X1\r\nM30\r\n"); // the last \par ends the text
    }

    // One closing CR LF; a file leaves the editor as it was and shows its name and last lines.
    void sendsExactBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, file);
        QFETCH(int, pace);
        QFETCH(bool, eia);
        QFETCH(QByteArray, wire);
        E2eSession s;
        frmProgram *p = s.program();
        p->picControl->controls->optFormat[eia ? 1 : 0]->setChecked(true);
        startSend(s, bytes, pace, qPrintable(file), false);
        QCOMPARE(p->actAction, qint32(actSend));
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
        QCOMPARE(s.machine1.received, wire);
        QVERIFY(s.idle(p));
        QCOMPARE(s.terminal.calls(), (QStringList{"drain", "close"}));
        QVERIFY(!p->rtfText->isHidden());
        if (file.isEmpty()) {
            QCOMPARE(p->rtfText->text().toLatin1(), bytes);
            return;
        }
        QVERIFY(p->fileView->isHidden());
        QCOMPARE(p->fileView->lblFile->text(), file);
        QVERIFY(p->fileView->txtLines->toPlainText().contains(QLatin1String("M30")));
        QCOMPARE(p->rtfText->text(), QStringLiteral("G00 X0"));
        QCOMPARE(p->rtfText->selStart(), 1);
        QCOMPARE(p->rtfText->selLength(), 2);
    }

    void paceAtTheBaudRateThenEscape_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("from the editor") << "";
        QTest::newRow("from a file") << "part.nc";
    }

    // 4800,E,7,2 carries 436.36 characters a second. The clock stands still: 64 go and the send
    // waits; 300 ms later (130.9 carried) 64 more and the progress; Escape then ends it with
    // nothing more on the line.
    void paceAtTheBaudRateThenEscape()
    {
        QFETCH(QString, file);
        E2eSession s;
        frmProgram *p = s.program();
        const QByteArray program = longProgram(40);
        startSend(s, program, 1, qPrintable(file), true);
        QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64), 10000);
        s.transferNow += 300;
        QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(128), 10000);
        QTRY_COMPARE(E2eSession::panel(p, 2), QStringLiteral("128"));
        QCOMPARE(E2eSession::panel(p, 1), QStringLiteral("Send - %1%").arg(12800 / program.size()));
        QTest::keyClick(file.isEmpty() ? static_cast<QWidget *>(p->rtfText) : p->fileView->txtLines,
                        Qt::Key_Escape);
        QVERIFY(s.idle(p));
        QCoreApplication::processEvents();
        QCOMPARE(s.machine1.received, program.left(128));
        QCOMPARE(s.terminal.calls(), (QStringList{"discard", "close"}));
        QVERIFY(!p->rtfText->isHidden());
    }

    // The machine sends XOFF once 100 characters have come: however long the clock runs while
    // it holds, at most 64 more arrive; after XON the rest follows in order.
    void xoffHoldsWithinTheWindow()
    {
        E2eSession s;
        frmProgram *p = s.program();
        qsizetype atXoff = -1;
        s.machine1.onData = [&] {
            if (atXoff < 0 && s.machine1.received.size() >= 100) {
                atXoff = s.machine1.received.size();
                s.machine1.punch(QByteArray(1, '\x13'), 1, 0);
            }
        };
        const QByteArray program = longProgram(60);
        startSend(s, program, 1, "", true);
        QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64), 10000);
        s.transferNow += 300;
        QTRY_VERIFY_WITH_TIMEOUT(p->ucDnc1->XOffHeld(), 10000);
        // The held send keeps stepping while the clock runs on.
        QSignalSpy steps(p->findChild<QTimer *>(QStringLiteral("feed")), &QTimer::timeout);
        setTransferClock([&s] { return s.transferNow += 1000; });
        QTRY_VERIFY_WITH_TIMEOUT(steps.count() >= 20, 10000);
        QVERIFY2(s.machine1.received.size() - atXoff <= 64,
                 qPrintable(QString::number(s.machine1.received.size() - atXoff)));
        s.machine1.punch(QByteArray(1, '\x11'), 1, 0);
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 30000);
        QCOMPARE(s.machine1.received, program + "\r\n");
    }

    void paceKeyThroughOptions_data()
    {
        QTest::addColumn<QString>("stored"); // before the dialog; empty: absent
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("chosen");
        QTest::newRow("absent, line speed chosen") << "" << 0 << 1;
        QTest::newRow("1 back to 0.4 s") << "1" << 1 << 0;
        QTest::newRow("any other value") << "7" << 0 << 1;
    }

    void paceKeyThroughOptions()
    {
        QFETCH(QString, stored);
        QFETCH(int, shown);
        QFETCH(int, chosen);
        E2eSession s;
        if (!stored.isEmpty())
            SaveSetting(QStringLiteral("Default"), QStringLiteral("Pace"), stored);
        frmOptions options;
        QCOMPARE(options.controls->cboPace->currentIndex(), shown);
        options.controls->cboPace->setCurrentIndex(chosen);
        options.cmdOK->click();
        QCOMPARE(ReadDefaultLineSettings().Pace, QString::number(chosen));
        QCOMPARE(s.frame->NewProgramWindow(0)->picControl->controls->cboPace->currentIndex(),
                 chosen);
    }
};

QTEST_MAIN(TstE2eLineSpeed)
#include "tst_e2e_linespeed.moc"
