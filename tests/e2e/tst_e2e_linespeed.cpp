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

// A send at line speed in the session's window; the transfer clock runs a second a reading,
// so that the pace never holds it, unless still.
void startLineSpeed(E2eSession &s, const QString &text, bool still = false)
{
    if (!still)
        setTransferClock([&s] { return s.transferNow += 1000; });
    frmProgram *p = s.program();
    p->picControl->controls->cboPace->setCurrentIndex(1);
    p->rtfText->setText(text);
    s.trigger("mnuCommunicationSend");
    QCOMPARE(p->actAction, qint32(actSend));
}

// Send File of a file with these bytes, chosen in the file dialog.
QString startSendFile(E2eSession &s, const QByteArray &bytes, const char *name = "part.nc")
{
    const QString path = s.folders.file(QLatin1String(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    file.close();
    s.dialogs.openAnswers << path;
    s.trigger("mnuCommunicationSendFile");
    return path;
}

QString longProgram(int lines)
{
    QString text;
    for (int i = 1; i <= lines; ++i)
        text += QStringLiteral("N%1 G01 X%2 Y%3 Z-1.25 F300\r\n").arg(i).arg(i % 97).arg(i % 89);
    return text;
}

} // namespace

class TstE2eLineSpeed : public QObject {
    Q_OBJECT
private slots:
    void charactersPerSecond_data();
    void charactersPerSecond();
    void sendsExactBytes_data();
    void sendsExactBytes();
    void paceAtTheBaudRateThenEscape();
    void xoffHoldsWithinTheWindow();
    void paceKeyThroughOptions_data();
    void paceKeyThroughOptions();
    void sendFile_data();
    void sendFile();
    void sendFileStopsOnEscape();
};

void TstE2eLineSpeed::charactersPerSecond_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<double>("perSecond");
    QTest::newRow("7E2: 11 bits") << "9600,E,7,2" << 9600.0 / 11;
    QTest::newRow("8N1: 10 bits") << "9600,N,8,1" << 960.0;
    QTest::newRow("8N1.5: 10.5 bits") << "4800,n,8,1.5" << 4800.0 / 10.5;
}

void TstE2eLineSpeed::charactersPerSecond()
{
    QFETCH(QString, settings);
    QFETCH(double, perSecond);
    QCOMPARE(kordavel::charactersPerSecond(*parseLineSettings(settings)), perSecond);
}

void TstE2eLineSpeed::sendsExactBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("eia");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("ISO") << "G01 X10\r\nM30" << false << QByteArray("G01 X10\r\nM30\r\n");
    // G01 X10 LF M30 LF LF in EIA code: CR is left out.
    QTest::newRow("EIA") << "G01 X10\r\nM30\r\n"
                         << true
                         << QByteArray("\x67\x20\x01\x10\x37\x01\x20\x00\x54\x13\x20\x00\x00", 13);
    const QString program = longProgram(120); // lines longer than half the window
    QTest::newRow("120 lines") << program << false << (program + "\r\n").toLatin1();
}

void TstE2eLineSpeed::sendsExactBytes()
{
    QFETCH(QString, text);
    QFETCH(bool, eia);
    QFETCH(QByteArray, wire);
    E2eSession s;
    frmProgram *p = s.program();
    p->picControl->controls->optFormat[eia ? 1 : 0]->setChecked(true);
    startLineSpeed(s, text);
    QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
    QCOMPARE(s.machine1.received, wire);
    QVERIFY(s.idle(p));
    QCOMPARE(p->rtfText->text(), text);
    QCOMPARE(s.terminal.calls(), (QStringList{"drain", "close"}));
}

// 4800,E,7,2 carries 436.36 characters a second. The clock stands still: 64 go and the send
// waits; 100 ms later 43 more have room; Escape then ends it with nothing more on the line.
void TstE2eLineSpeed::paceAtTheBaudRateThenEscape()
{
    E2eSession s;
    frmProgram *p = s.program();
    const QByteArray program = longProgram(40).toLatin1();
    startLineSpeed(s, QString::fromLatin1(program), true);
    QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64), 10000);
    s.transferNow += 100;
    QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64 + 43), 10000);
    QTest::keyClick(p->rtfText, Qt::Key_Escape);
    QVERIFY(s.idle(p));
    QCoreApplication::processEvents();
    QCOMPARE(s.machine1.received, program.left(107));
    QCOMPARE(s.terminal.calls(), (QStringList{"discard", "close"}));
}

// The machine takes 400 characters a second into a buffer that sends XOFF above 100 held:
// after each XOFF at most 64 characters arrive before the XON, and all arrive in order.
void TstE2eLineSpeed::xoffHoldsWithinTheWindow()
{
    E2eSession s;
    s.machine1.setFlowControl(100, 400);
    const QString program = longProgram(60);
    startLineSpeed(s, program);
    QTRY_COMPARE_WITH_TIMEOUT(s.program()->actAction, qint32(actIdle), 30000);
    QCOMPARE(s.machine1.received, (program + "\r\n").toLatin1());
    const auto &ctl = s.machine1.controls;
    QVERIFY(ctl.size() >= 4);
    for (qsizetype i = 0; i + 1 < ctl.size(); i += 2) {
        QCOMPARE(ctl[i].code, MachineSimulator::XOFF);
        QVERIFY2(ctl[i + 1].received - ctl[i].received <= 64,
                 qPrintable(QString::number(ctl[i + 1].received - ctl[i].received)));
    }
}

void TstE2eLineSpeed::paceKeyThroughOptions_data()
{
    QTest::addColumn<QString>("stored"); // before the dialog; empty: absent
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("chosen");
    QTest::newRow("absent, line speed chosen") << "" << 0 << 1;
    QTest::newRow("1 back to 0.4 s") << "1" << 1 << 0;
    QTest::newRow("any other value") << "7" << 0 << 1;
}

void TstE2eLineSpeed::paceKeyThroughOptions()
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
    QCOMPARE(s.frame->NewProgramWindow(0)->picControl->controls->cboPace->currentIndex(), chosen);
}

void TstE2eLineSpeed::sendFile_data()
{
    QTest::addColumn<int>("pace");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("wire");
    // Every line end as CR LF, a Windows-1252 letter as its byte.
    const QByteArray plain("%\r\nO1000\nG01 X1\rM30 (\xe9)\r\n%");
    const QByteArray plainWire("%\r\nO1000\r\nG01 X1\r\nM30 (\xe9)\r\n%\r\n");
    QTest::newRow("0.4 s per line") << 0 << plain << plainWire;
    QTest::newRow("line speed") << 1 << plain << plainWire;
    QTest::newRow("RTF, line speed")
        << 1 << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 G01 X1\\par M30\\par }")
        << QByteArray("G01 X1\r\nM30\r\n"); // the last \par ends the text
}

void TstE2eLineSpeed::sendFile()
{
    QFETCH(int, pace);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, wire);
    E2eSession s;
    setTransferClock([&s] { return s.transferNow += 1000; });
    frmProgram *p = s.program();
    p->picControl->controls->cboPace->setCurrentIndex(pace);
    p->rtfText->setText(QStringLiteral("G00 X0"));
    p->rtfText->select(1, 2);
    startSendFile(s, file, file.startsWith('{') ? "part.dnc" : "part.nc");
    QCOMPARE(p->actAction, qint32(actSend));
    QVERIFY(!p->fileView->isHidden() && p->rtfText->isHidden());
    QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
    QCOMPARE(s.machine1.received, wire);
    QVERIFY(s.idle(p));
    QVERIFY(!p->rtfText->isHidden() && p->fileView->isHidden());
    QCOMPARE(p->fileView->lblFile->text(), file.startsWith('{') ? "part.dnc" : "part.nc");
    QVERIFY(p->fileView->txtLines->toPlainText().contains(QLatin1String("M30")));
    QCOMPARE(p->rtfText->text(), QStringLiteral("G00 X0"));
    QCOMPARE(p->rtfText->selStart(), 1);
    QCOMPARE(p->rtfText->selLength(), 2);
    QCOMPARE(s.terminal.calls(), (QStringList{"drain", "close"}));
}

// At line speed on a still clock: 64 characters, 300 ms later 64 more and the progress;
// Escape ends it with nothing more on the line.
void TstE2eLineSpeed::sendFileStopsOnEscape()
{
    E2eSession s;
    frmProgram *p = s.program();
    p->picControl->controls->cboPace->setCurrentIndex(1);
    const QByteArray file = longProgram(40).toLatin1();
    startSendFile(s, file);
    QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64), 10000);
    s.transferNow += 300;
    QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(128), 10000);
    QTRY_COMPARE(E2eSession::panel(p, 2), QStringLiteral("128"));
    QCOMPARE(E2eSession::panel(p, 1), QStringLiteral("Send - %1%").arg(12800 / file.size()));
    QTest::keyClick(p->fileView->txtLines, Qt::Key_Escape);
    QVERIFY(s.idle(p));
    QCoreApplication::processEvents();
    QCOMPARE(s.machine1.received, file.left(128));
    QVERIFY(!p->rtfText->isHidden());
}

QTEST_MAIN(TstE2eLineSpeed)
#include "tst_e2e_linespeed.moc"
