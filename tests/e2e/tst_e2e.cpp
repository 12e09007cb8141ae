// SPDX-License-Identifier: GPL-3.0-or-later
// Transfers between program windows and machines simulated on pseudo-terminals, one test per
// user path: send from the editor or a file, receive and its ends, stops, closes and port
// trouble during a transfer. The steps themselves are checked in tst_program and tst_dnc.
#include "common/AppState.h"
#include "dnc/SerialLine.h"
#include "dnc/TerminalCalls.h"
#include "dnc/ucDnc.h"
#include "i18n/Language.h"
#include "profiles/ValueLists.h"
#include "program/FileSendView.h"
#include "program/Pause.h"
#include "program/ProgramPanel.h"
#include "program/ToolpathView.h"
#include "program/TransferSteps.h"
#include "program/frmPreview.h"
#include "program/frmRestart.h"
#include "support/FrameSession.h"
#include "support/PtyMachine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTime>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// The terminal calls of every port, made as usual and noted in order: "drain", "discard",
// "close". With drainsWait a drain lasts until output is discarded, as on a line that does
// not move.
class RecordingTerminal : public TerminalCalls {
public:
    RecordingTerminal() { TerminalCalls::replace(this); }
    ~RecordingTerminal() override { TerminalCalls::replace(nullptr); }

    int drain(qintptr handle) override
    {
        std::unique_lock lock(m_mutex);
        m_calls << QStringLiteral("drain");
        m_discarded.wait(lock, [this] { return !drainsWait || m_wasDiscarded; });
        lock.unlock();
        return TerminalCalls::drain(handle);
    }
    void discardOutput(qintptr handle) override
    {
        note(QStringLiteral("discard"));
        m_discarded.notify_all();
        TerminalCalls::discardOutput(handle);
    }
    void close(QSerialPort &port) override
    {
        note(QStringLiteral("close"));
        TerminalCalls::close(port);
    }
    QStringList calls() const
    {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }
    std::atomic<bool> drainsWait{false};

private:
    void note(const QString &call)
    {
        const std::lock_guard lock(m_mutex);
        m_calls << call;
        m_wasDiscarded = m_wasDiscarded || call == QLatin1String("discard");
    }
    mutable std::mutex m_mutex;
    QStringList m_calls;
    std::condition_variable m_discarded;
    bool m_wasDiscarded = false;
};

// Simulated machines on ports 7 and 8; they outlive the frame, whose windows close first.
constexpr int kPort1 = 7;
constexpr int kPort2 = 8;

struct E2eMachines {
    RecordingTerminal terminal;
    PtyMachine machine1;
    PtyMachine machine2;
};

struct E2eSession : E2eMachines, FrameSession {
    E2eSession()
        : FrameSession([this] {
              machine1.mapTo(kPort1, true);
              machine2.mapTo(kPort2);
          })
    {
        setPauseClock([this] { return pauseHeld ? pauseNow : (pauseNow += 1000); });
        setTransferClock([this] { return transferNow; });
    }
    ~E2eSession()
    {
        setPauseClock(nullptr);
        setTransferClock(nullptr);
    }
    // The transfer clock runs a second a reading, so that the pace never holds the send.
    void runClock()
    {
        setTransferClock([this] { return transferNow += 1000; });
    }

    // The pause before a send runs a second a reading, so that it ends at once; while held it
    // stands still, and the test acts inside the pause.
    qint64 pauseNow = 0;
    bool pauseHeld = false;
    // The transfer's clock (time left, quiet line) stands still until the test moves it.
    qint64 transferNow = 0;

    static QString panel(frmProgram *p, int i) { return p->stbPanel[i]->text(); }
    // Back to idle as after a stop: port closed, text editable, marks gone, panels cleared
    // but the status (after a receive, how it ended), no button down.
    bool idle(frmProgram *p, const QString &status = QStringLiteral("Ready")) const
    {
        return p->actAction == actIdle && !p->ucDnc1->MSComm1().PortOpen() &&
               !p->rtfText->locked() && p->picControl->isEnabled() &&
               p->rtfText->struckMarks().isEmpty() && panel(p, 0) == status &&
               (panel(p, 1) + panel(p, 2) + panel(p, 3)).isEmpty() &&
               !frame->buttonValue(QStringLiteral("Send")) &&
               !frame->buttonValue(QStringLiteral("Receive"));
    }
};

// The port is free again: a fresh channel can open it.
bool portFree(int n)
{
    ucDnc probe;
    probe.setComPort(QString::number(n));
    probe.setAction(actReceive);
    return probe.Action() == actReceive;
}

// Returns as the send starts, before another event: a short program at line speed may be
// gone within the next few events.
void waitForTheStart(frmProgram *p)
{
    if (p->Starting())
        QVERIFY(QSignalSpy(p, &frmProgram::startEnded).wait(10000));
}

// A send of the bytes from the editor, or with Send File from a file of that name, at the pace
// chosen (0: 0.4 s a line, 1: the line's speed); with still, the transfer clock stands.
void startSend(E2eSession &s, const QByteArray &bytes, int pace, const QString &file, bool still)
{
    if (!still)
        s.runClock();
    frmProgram *p = s.program();
    p->picControl->controls->cboPace->setCurrentIndex(pace);
    if (file.isEmpty()) {
        p->rtfText->setText(QString::fromLatin1(bytes));
        s.trigger("mnuCommunicationSend");
    } else {
        p->rtfText->setText(QStringLiteral("G00 X0"));
        p->rtfText->select(1, 2);
        s.dialogs.openAnswers << writeFile(s.folders.file(file), bytes);
        s.trigger("mnuCommunicationSendFile");
    }
    if (!s.pauseHeld) // else the pause runs on, with the events
        waitForTheStart(p);
    QVERIFY(file.isEmpty() || (!p->fileView->isHidden() && p->rtfText->isHidden()));
}

QByteArray longProgram(int lines)
{
    QByteArray text;
    for (int i = 1; i <= lines; ++i)
        text += QString::asprintf("N%d G01 X%d Y%d Z-1.25 F300\r\n", i, i % 97, i % 89).toLatin1();
    return text;
}

} // namespace

class TstE2e : public QObject {
    Q_OBJECT
private slots:
    void sendsExactBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // the program's text, or the file's bytes
        QTest::addColumn<QString>("file");     // empty: from the editor; "open:" opened, then sent
        QTest::addColumn<int>("pace");         // 0: 0.4 s a line, 1: the line's speed
        QTest::addColumn<bool>("eia");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<qint64>("elapsed"); // the time left after two lines, that many ms on
        QTest::addColumn<QString>("timeLeft");
        const auto row = [](const char *name, const QByteArray &bytes, const char *file, int pace,
                            bool eia, const QByteArray &wire, qint64 elapsed = 0,
                            const char *timeLeft = "") {
            QTest::newRow(name) << bytes << QString(file) << pace << eia << wire << elapsed
                                << QString(timeLeft);
        };
        const QByteArray lines = longProgram(120); // lines longer than half the window
        row("120 lines, line speed", lines, "", 1, false, lines + "\r\n");
        // G01 X10 LF M30 LF LF in EIA code: CR is left out.
        const QByteArray eia("\x67\x20\x01\x10\x37\x01\x20\x00\x54\x13\x20\x00\x00", 13);
        row("EIA, 0.4 s per line", "G01 X10\r\nM30\r\n", "", 0, true, eia);
        row("EIA file, line speed", "G01 X10\nM30\n", "part.nc", 1, true, eia);
        // Every line end as CR LF; Windows-1252 and UTF-8 letters as their bytes.
        const QByteArray plain("%\r\nO1000\nG01 X1\rM30 (\xe9)\r\n(\xc3\x98"
                               "6 \xe2\x80\x93 \xe2\x9c\x93)\n%");
        const QByteArray plainWire("%\r\nO1000\r\nG01 X1\r\nM30 (\xe9)\r\n(\xc3\x98"
                                   "6 \xe2\x80\x93 \xe2\x9c\x93)\r\n%\r\n");
        row("file, 0.4 s per line", plain, "part.nc", 0, false, plainWire);
        row("file, line speed", plain, "part.nc", 1, false, plainWire);
        // A plain program in UTF-8, opened (its letters shown) and sent: the bytes of its file.
        const QByteArray utf8("%\nO2002 (\xc3\x98"
                              "6 FLAT)\n(Tiefe 5 mm \xe2\x80\x93 Schlichten)\nM30\n%");
        row("UTF-8 opened", utf8, "open:post.nc", 1, false,
            QByteArray(utf8).replace("\n", "\r\n") + "\r\n");
        // 18 characters sent, 3 to go: a sixth of the time so far.
        const QByteArray three("G01 X10\r\nG01 X20\r\nM30");
        row("time left in minutes", three, "", 0, false, three + "\r\n", 30000, "00:05");
    }

    // Back to idle after the last bytes have left: an editor send leaves the text as it was, a
    // file leaves the editor and its selection as they were and shows its name and last lines.
    void sendsExactBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, file);
        QFETCH(int, pace);
        QFETCH(bool, eia);
        QFETCH(QByteArray, wire);
        QFETCH(qint64, elapsed);
        QFETCH(QString, timeLeft);
        E2eSession s;
        frmProgram *p = s.program();
        p->picControl->controls->optFormat[eia ? 1 : 0]->setChecked(true);
        const bool opened = file.startsWith(QLatin1String("open:"));
        if (opened) {
            s.runClock();
            QSignalSpy loaded(p->rtfText, &RichTextBox::fileOpened);
            p->rtfText->openFile(writeFile(s.folders.file(file.mid(5)), bytes));
            QTRY_COMPARE(loaded.size(), 1);
            QVERIFY(p->rtfText->text().contains(QStringLiteral("(\u00d8"
                                                               "6 FLAT)")));
            p->picControl->controls->cboPace->setCurrentIndex(pace);
            s.trigger("mnuCommunicationSend");
            waitForTheStart(p);
        } else {
            startSend(s, bytes, pace, file, !timeLeft.isEmpty());
        }
        QCOMPARE(p->actAction, qint32(actSend));
        QVERIFY(p->rtfText->locked() && !p->picControl->isEnabled());
        QVERIFY(s.frame->buttonValue(QStringLiteral("Send")));
        if (!timeLeft.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(E2eSession::panel(p, 2), QStringLiteral("9"), 10000);
            QCOMPARE(E2eSession::panel(p, 3), QString()); // no rate before the clock moves
            s.transferNow = elapsed;
            QTRY_COMPARE_WITH_TIMEOUT(E2eSession::panel(p, 2), QStringLiteral("18"), 10000);
            QCOMPARE(E2eSession::panel(p, 3), timeLeft);
        }
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
        QCOMPARE(s.machine1.received, wire);
        QVERIFY(s.idle(p) && !p->rtfText->isHidden());
        QCOMPARE(s.terminal.calls(), (QStringList{"drain", "close"}));
        if (file.isEmpty()) {
            QCOMPARE(p->rtfText->text().toLatin1(), bytes);
        } else if (!opened) {
            QVERIFY(p->fileView->isHidden());
            QCOMPARE(p->fileView->lblFile->text(), file);
            QVERIFY(p->fileView->txtLines->toPlainText().contains(QLatin1String("M30")));
            QCOMPARE(p->rtfText->text(), QStringLiteral("G00 X0"));
            QCOMPARE((QList<int>{p->rtfText->selStart(), p->rtfText->selLength()}),
                     (QList<int>{1, 2}));
        }
    }

    // A FIFO for Send File: nothing goes out, nothing waits; a message names it and says why.
    void sendFileRefusesAFifo()
    {
        E2eSession s;
        const QString path = s.folders.file(QStringLiteral("part.nc"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        s.dialogs.openAnswers << path;
        s.trigger("mnuCommunicationSendFile");
        QCOMPARE(s.dialogs.messages, QStringList{path + '\n' + GetString({}, 502)});
        QVERIFY(s.idle(s.program()) && s.machine1.lineQuiet() && s.machine1.received.isEmpty());
        QVERIFY(!s.program()->rtfText->isHidden());
    }

    void sendFileStopsWhenTheFileChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("message"); // its offset in the string table
        for (const auto &[change, offset] :
             {std::pair{"shrink", 505}, {"replace", 506}, {"delete", 507}, {"grow", 508}})
            QTest::newRow(change) << QString(change) << offset;
    }

    // Once 64 characters are out, the file changes. Shrunk, replaced or deleted: the send stops
    // with a message and never ends as if complete (no closing line end). Grown: what the file
    // held at the start goes, the closing line end after it, and a message says so.
    void sendFileStopsWhenTheFileChanges()
    {
        QFETCH(QString, change);
        QFETCH(int, message);
        E2eSession s;
        const QByteArray program = longProgram(40);
        const QString path = s.folders.file(QStringLiteral("part.nc"));
        startSend(s, program, 1, QStringLiteral("part.nc"), true);
        QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64), 10000);
        QFile file(path);
        if (change == QLatin1String("shrink"))
            QVERIFY(file.resize(program.size() / 2));
        else if (change == QLatin1String("replace"))
            QCOMPARE(::rename(QFile::encodeName(writeFile(path + "2", program)).constData(),
                              QFile::encodeName(path).constData()),
                     0);
        else if (change == QLatin1String("delete"))
            QVERIFY(file.remove());
        else
            QVERIFY(file.open(QIODevice::Append) && file.write("N99999 M30\r\n") == 12 &&
                    file.flush());
        s.runClock();
        QTRY_COMPARE_WITH_TIMEOUT(s.program()->actAction, qint32(actIdle), 10000);
        QVERIFY(s.idle(s.program()));
        const QByteArray &got = s.machine1.received;
        const bool grown = change == QLatin1String("grow");
        // A stop throws away what had not left: a beginning of the file.
        QVERIFY2(grown ? got == program + "\r\n" : program.startsWith(got), got.right(40));
        const QString text = GetString({}, message);
        QCOMPARE(s.dialogs.messages,
                 QStringList{path + '\n' + (grown ? text.arg(program.size()) : text)});
    }

    // The second window starts during the first one's pause; a second Send (menu or toolbar)
    // or a Receive during a window's own pause does nothing: each machine gets its program, or
    // the selection, once.
    void twoWindowsTwoMachines()
    {
        E2eSession s;
        frmProgram *p1 = s.program();
        p1->rtfText->setText(QStringLiteral("O1001\r\nG01 X1\r\nM30"));
        p1->rtfText->select(7, 6); // the second line
        frmProgram *p2 = s.frame->NewProgramWindow(0);
        QVERIFY(selectItemText(p2->picControl->controls->cboPort, QStringLiteral("Com8")));
        p2->rtfText->setText(QStringLiteral("O2002\r\nG02 Y2\r\nG03 Z3\r\nM30"));
        QMdiSubWindow *sub1 = qobject_cast<QMdiSubWindow *>(p1->parentWidget());
        QMdiSubWindow *sub2 = qobject_cast<QMdiSubWindow *>(p2->parentWidget());
        bool restarted = false;
        s.pauseHeld = true;
        // Inside the first window's pause, then inside both.
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                QCOMPARE(p1->actAction, qint32(actIdle));
                QCOMPARE(p2->actAction, qint32(actIdle));
                // Both pauses end once this returns; a restart would pause anew and send again.
                s.pauseHeld = false;
                s.trigger("mnuCommunicationSend"); // in the second window
                s.frame->mdiArea()->setActiveSubWindow(sub1);
                p1->Send();
                p1->Receive();
                s.frame->toolbarClick(QStringLiteral("Send"));
                restarted = true;
            });
            s.frame->mdiArea()->setActiveSubWindow(sub2);
            s.trigger("mnuCommunicationSend");
        });
        s.frame->mdiArea()->setActiveSubWindow(sub1);
        s.trigger("mnuCommunicationSend");
        QTRY_VERIFY(restarted);
        // Switching windows shows each window's own state.
        for (QMdiSubWindow *sub : {sub2, sub1}) {
            s.frame->mdiArea()->setActiveSubWindow(sub);
            QCOMPARE(s.frame->buttonValue(QStringLiteral("Send")),
                     (sub == sub1 ? p1 : p2)->actAction == actSend);
        }
        QTRY_VERIFY_WITH_TIMEOUT(p1->actAction == actIdle && p2->actAction == actIdle, 20000);
        QCOMPARE(s.machine1.received, QByteArray("G01 X1\r\n"));
        QCOMPARE(s.machine2.received, QByteArray("O2002\r\nG02 Y2\r\nG03 Z3\r\nM30\r\n"));
    }

    void portTroubleEndsTheTransfer_data()
    {
        QTest::addColumn<bool>("receive");
        QTest::addColumn<bool>("missing"); // the device gone before the start, else during it
        for (const bool receive : {false, true})
            for (const bool missing : {false, true})
                QTest::addRow("%s, %s", missing ? "missing" : "lost", receive ? "receive" : "send")
                    << receive << missing;
    }

    // A device gone before the start: a message, and the window stays idle and editable. The
    // machine's end of the line closing during a transfer: one message, and the window ends it
    // as a stop does; in a receive every byte that arrived goes into the text, also those that
    // no step has taken yet.
    void portTroubleEndsTheTransfer()
    {
        QFETCH(bool, receive);
        QFETCH(bool, missing);
        E2eSession s;
        frmProgram *p = s.program();
        const QString program = QStringLiteral("N10 G01 X1\r\nN20 G01 X2\r\nN30 M30\r\n");
        p->rtfText->setText(program);
        if (missing) // after the window chose its port
            SaveSetting(QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(kPort1),
                        s.folders.file(QStringLiteral("no-such-device")));
        s.trigger(receive ? "mnuCommunicationReceive" : "mnuCommunicationSend");
        if (missing) {
            QTRY_COMPARE(s.dialogs.messages.size(), 1);
            QCOMPARE(s.dialogs.lastIcon, MsgIcon::Exclamation);
            QVERIFY(s.idle(p) && p->ucDnc1->Action() == actIdle && s.machine1.received.isEmpty());
            return;
        }
        QTRY_COMPARE(p->actAction, receive ? qint32(actReceive) : qint32(actSend));
        if (receive) {
            p->tEvent->stop();
            s.machine1.punch("N40 X4\r\n", 64, 1);
            QTRY_COMPARE(E2eSession::panel(p, 0), QStringLiteral("Receiving"));
            s.machine1.hangUp();
        } else {
            s.machine1.onData = [&] { s.machine1.hangUp(); };
        }
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 10000);
        QTRY_COMPARE(s.dialogs.messages, QStringList{"The comm device is no longer there"});
        QVERIFY(s.idle(p, receive ? "Receive broken off: 8 characters" : "Ready"));
        if (receive)
            QCOMPARE(p->rtfText->text(), program + "N40 X4\r\n");
    }

    void receives_data()
    {
        QTest::addColumn<QList<QByteArray>>("punched"); // each a receive
        QTest::addColumn<int>("receiveEnd"); // 0 by hand, 1 at the closing %, 2 after 5 s quiet
        QTest::addColumn<bool>("eia");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("status");
        const auto row = [](const char *name, const QList<QByteArray> &punched, int receiveEnd,
                            bool eia, const char *expected, const char *status) {
            QTest::newRow(name) << punched << receiveEnd << eia << QString(expected)
                                << QString(status);
        };
        // The last CR is held back by the step; the stop takes it.
        row("by hand, the last line end held", {"N20\rN30\r"}, 0, false,
            "N10 G00\r\nN20\r\nN30\r\n", "Receive stopped by hand: 8 characters");
        // "N20 X1", LF, "N30 M30", LF in EIA code.
        row("EIA", {QByteArray("\x45\x02\x20\x10\x37\x01\x00\x45\x13\x20\x10\x54\x13\x20\x00", 15)},
            0, true, "N10 G00\r\nN20 X1\r\nN30 M30\r\n", "Receive stopped by hand: 15 characters");
        row("after 5 s quiet", {"N20\r\nM30\r\n"}, 2, false, "N10 G00\r\nN20\r\nM30\r\n",
            "Receive ended after 5 s quiet: 10 characters");
        // Each of two receives in a row ends at its own closing %; the tape leader before the
        // first % and what follows the closing line stay out of the program.
        const QByteArray leader("\0\0\0\0   \x7f\x7f LEADER 7\r\n", 20), after("AFTER %\r\nN9\r\n");
        row("two, each at its closing %",
            {leader + "%\r\nO1\r\nM30\r\n%\r\n" + after,
             leader + "%\r\nO2 (B)\r\nM30\r\n%\r\n" + after},
            1, false, "N10 G00\r\n%\r\nO1\r\nM30\r\n%\r\n%\r\nO2 (B)\r\nM30\r\n%\r\n",
            "Receive ended at the closing %: 39 characters");
    }

    // What the machine sends goes after the text, as one step for Undo (with the formatting
    // it dropped), and the receive ends its chosen way. Quiet before the first byte does not
    // end it, and by hand it never ends by itself.
    void receives()
    {
        QFETCH(QList<QByteArray>, punched);
        QFETCH(int, receiveEnd);
        QFETCH(bool, eia);
        QFETCH(QString, expected);
        QFETCH(QString, status);
        E2eSession s;
        frmProgram *p = s.program();
        p->picControl->controls->optFormat[eia ? 1 : 0]->setChecked(true);
        p->picControl->controls->cboReceiveEnd->setCurrentIndex(receiveEnd);
        p->rtfText->setText(QStringLiteral("N10 G00\r\n"));
        p->rtfText->select(0, 3);
        p->rtfText->setSelBold(true);
        for (const QByteArray &bytes : punched) {
            s.trigger("mnuCommunicationReceive");
            QVERIFY(p->actAction == actReceive && s.frame->buttonValue(QStringLiteral("Receive")));
            QVERIFY(E2eSession::panel(p, 1) == QStringLiteral("Receive") && p->rtfText->locked());
            s.transferNow += 10000;
            p->tEvent_Timer();
            QCOMPARE(p->actAction, qint32(actReceive));
            // Four bytes every 250 ms, a step every 400 ms; a receive to its closing % at once.
            s.machine1.punch(bytes, receiveEnd == 1 ? int(bytes.size()) : 4, 250);
            if (receiveEnd != 1) {
                // The count is what came, not what the program holds.
                QTRY_COMPARE_WITH_TIMEOUT(E2eSession::panel(p, 2), QString::number(bytes.size()),
                                          20000);
                QTRY_COMPARE(p->rtfText->selStart(), p->rtfText->textLength());
                s.transferNow += 4999;
                p->tEvent_Timer();
                QCOMPARE(p->actAction, qint32(actReceive));
                s.transferNow += 1;
                receiveEnd ? p->tEvent_Timer() : s.trigger("mnuCommunicationReceive");
            }
            QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
        }
        QVERIFY(s.idle(p, status));
        QCOMPARE(p->rtfText->text(), expected);
        p->rtfText->select(0, 3);
        QCOMPARE(p->rtfText->selBold(), RichTextBox::TriState::None);
        QVERIFY(p->isModified());
        s.trigger("mnuEditUndo");
        if (punched.size() == 1) {
            QCOMPARE(p->rtfText->text(), QStringLiteral("N10 G00\r\n"));
            p->rtfText->select(0, 3);
            QCOMPARE(p->rtfText->selBold(), RichTextBox::TriState::All);
        }
        s.trigger("mnuEditRedo");
        QCOMPARE(p->rtfText->text(), expected);
    }

    void closeDuringSend_data()
    {
        QTest::addColumn<QString>("when"); // pause, between lines, or inside the blocking send
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("answer"); // yes, no or none
        QTest::newRow("changed, Yes and saved") << "between" << true << "yes";
        QTest::newRow("unchanged") << "between" << false << "none";
        QTest::newRow("changed, No, from inside the send") << "inside" << true << "no";
        QTest::newRow("unchanged, from inside the send") << "inside" << false << "none";
        QTest::newRow("changed, No, during the pause") << "pause" << true << "no";
        QTest::newRow("Escape during the pause") << "pause" << true << "escape";
    }

    // The window closes, or Escape is pressed (nothing goes out, the window stays idle).

    void closeDuringSend()
    {
        QFETCH(QString, when);
        QFETCH(bool, changed);
        QFETCH(QString, answer);
        E2eSession s;
        const QString saved = s.folders.file(QStringLiteral("saved.dnc"));
        s.dialogs.saveAnswers << saved;
        QPointer<frmProgram> p = s.program();
        const QString program = QStringLiteral("N10 G01 X10\r\nN20 G01 X20\r\nN30 M30\r\n");
        p->rtfText->setText(program);
        if (!changed)
            QVERIFY(p->SaveFile());
        QCOMPARE(p->isModified(), changed);
        QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow *>(p->parentWidget());
        bool closed = false;
        const auto closeNow = [&] {
            closed = true;
            if (answer == QLatin1String("escape"))
                return QTest::keyClick(p, Qt::Key_Escape);
            if (answer != QLatin1String("none"))
                answerNextQuestion(answer == QLatin1String("yes") ? click(&frmQuestion::cmdYes)
                                                                  : click(&frmQuestion::cmdNo));
            sub->close();
        };
        if (when == QLatin1String("inside")) {
            s.machine1.onData = [&] {
                if (!closed && s.machine1.received.contains('\n'))
                    closeNow();
            };
        } else if (when == QLatin1String("pause")) {
            s.pauseHeld = true;
            QTimer::singleShot(0, [&] {
                closeNow();
                s.pauseHeld = false;
            });
        }
        s.trigger("mnuCommunicationSend");
        if (when != QLatin1String("pause")) {
            QTRY_COMPARE(p->actAction, qint32(actSend));
            QTRY_VERIFY_WITH_TIMEOUT(s.machine1.received.contains('\n'), 10000);
            if (!closed)
                closeNow();
        }
        if (answer == QLatin1String("escape")) {
            QTRY_VERIFY(closed && !s.pauseHeld);
            QVERIFY(!p->Starting() && s.idle(p) && s.machine1.received.isEmpty());
            return;
        }
        QTRY_VERIFY(closed && p.isNull() && sub.isNull());
        QVERIFY(portFree(kPort1));
        QCOMPARE(ProgramWindowCount, 0);
        const QByteArray got = s.machine1.received;
        QVERIFY(program.toLatin1().startsWith(got) && got.size() < program.size());
        QCOMPARE(got.isEmpty(), when == QLatin1String("pause"));
        // What was saved is the program itself, without the marks of the send.
        if (answer == QLatin1String("yes")) {
            RichTextBox reloaded;
            QVERIFY(reloaded.loadFile(saved));
            QCOMPARE(reloaded.text(), program);
            QVERIFY(!reloaded.hasStrikeThru());
        }
    }

    // Send from Caret: the header as the operator left it, then the program from the block
    // of the caret on; the progress counts from that block; Cancel sends nothing.
    void sendFromCaret_data()
    {
        QTest::addColumn<int>("pace");
        QTest::addColumn<QString>("answer"); // send, edit (a block added first), cancel
        QTest::addColumn<QByteArray>("wire");
        const QByteArray header("%\r\nO1001\r\nG21 G90\r\nT2 M06\r\nS900 M03\r\nG00 Z5.\r\n"
                                "G00 X10. Y0.\r\nG01 Z-1. F150\r\n");
        const QByteArray rest("X20.\r\nY10.\r\nM30\r\n%\r\n");
        QTest::newRow("line speed") << 1 << "send" << header + rest;
        QTest::newRow("header changed by hand") << 0 << "edit"
                                                << "M01\r\n" + header + rest;
        QTest::newRow("cancel") << 0 << "cancel" << QByteArray();
    }

    void sendFromCaret()
    {
        QFETCH(int, pace);
        QFETCH(QString, answer);
        QFETCH(QByteArray, wire);
        E2eSession s;
        s.runClock();
        frmProgram *p = s.program();
        p->picControl->controls->cboPace->setCurrentIndex(pace);
        const QString program("%\r\nO1001\r\nG21 G90\r\nT1 M06\r\nS1200 M03\r\nG00 Z5.\r\n"
                              "X0. Y0.\r\nG01 Z-1. F100\r\nG00 Z5.\r\nT2 M06\r\nS900 M03\r\n"
                              "G00 Z5.\r\nX10. Y0.\r\nG01 Z-1. F150\r\nX20.\r\nY10.\r\nM30\r\n%");
        p->rtfText->setText(program);
        const int block = int(program.indexOf(QLatin1String("X20.")));
        p->rtfText->select(block + 2, 0);
        s.trigger("mnuProgramSendFromCaret");
        frmRestart *dialog = p->findChild<frmRestart *>();
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible() && p->actAction == actIdle);
        QVERIFY(dialog->lblHeader->text().contains(QLatin1String("15")));
        if (answer == QLatin1String("edit"))
            dialog->txtHeader->setPlainText("M01\n\t" + dialog->txtHeader->toPlainText() + "\n\n");
        (answer == QLatin1String("cancel") ? dialog->cmdCancel : dialog->cmdSend)->click();
        if (answer == QLatin1String("cancel")) {
            QTRY_VERIFY(!p->findChild<frmRestart *>());
            QVERIFY(!p->Starting() && s.idle(p) && s.machine1.received.isEmpty());
            return;
        }
        QSignalSpy progress(p, &frmProgram::sendProgress);
        waitForTheStart(p);
        QCOMPARE(p->actAction, qint32(actSend));
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
        QCOMPARE(s.machine1.received, wire);
        QCOMPARE(p->rtfText->selStart(), block);
        QVERIFY(progress.size() >= 2);
        progress.removeLast(); // the end: (0, -1)
        for (const QList<QVariant> &shown : progress)
            QCOMPARE(shown.first().toLongLong(), block);
        QVERIFY(progress.last().last().toLongLong() >= program.size());
    }

    void stopsOnWholeBlocks_data()
    {
        QTest::addColumn<QString>("stop"); // escape, send again, close (the window) or quit
        QTest::addColumn<QString>("file"); // empty: from the editor
        QTest::addColumn<bool>("held");    // the machine holds the send (XOFF) at the stop
        for (const char *stop : {"escape", "send again", "close", "quit"})
            for (const char *file : {"", "part.nc"})
                for (const bool held : {false, true})
                    if (!held || (*file != 0) == (stop[0] == 's' || stop[0] == 'q'))
                        QTest::addRow("%s, %s%s", stop, *file ? "Send File" : "line speed",
                                      held ? ", held" : "")
                            << stop << file << held;
        // Escape wherever it is pressed: the program's panes, the lines of a file being sent, the
        // preview in any of its parts.
        for (const char *where : {"text", "remote pane", "toolpath", "view list", "preview"})
            QTest::addRow("escape in the %s", where)
                << QStringLiteral("escape:") + where << "" << false;
        for (const char *where : {"file's lines", "file view"})
            QTest::addRow("escape in the %s", where)
                << QStringLiteral("escape:") + where << "part.nc" << false;
    }

    // The clock stands still: 64 characters go at line speed and the send waits for the line;
    // 300 ms later (130.9 carried at 4800,E,7,2) 64 more and the progress, inside the fifth
    // block. Every stop, wherever Escape is pressed, lets that block finish, with its end of
    // block and nothing after it, and the line carry it before the port closes; a closing
    // window or a quit waits for that. While the machine holds the send nothing more goes: the
    // stop ends it at once, throwing away what has not left.
    void stopsOnWholeBlocks()
    {
        QFETCH(QString, stop);
        QFETCH(QString, file);
        QFETCH(bool, held);
        E2eSession s;
        QPointer<frmProgram> p = s.program();
        const QByteArray program = longProgram(40);
        QVERIFY(program.at(127) != '\n' && program.at(128) != '\n');
        startSend(s, program, 1, file, true);
        QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64), 10000);
        s.transferNow += 300;
        QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(128), 10000);
        QTRY_COMPARE(E2eSession::panel(p, 2), QStringLiteral("128"));
        QCOMPARE(E2eSession::panel(p, 1), QStringLiteral("Send - %1%").arg(12800 / program.size()));
        if (held) {
            s.machine1.write("\x13");
            QTRY_VERIFY(p->ucDnc1->XOffHeld());
        }
        const bool inWindow = stop.startsWith(QLatin1String("escape")) || stop == "send again";
        if (!inWindow && p->isModified())
            answerNextQuestion(click(&frmQuestion::cmdNo));
        if (stop.startsWith(QLatin1String("escape"))) {
            const QString where = stop.section(QLatin1Char(':'), 1);
            frmPreview *preview = nullptr;
            if (where == "toolpath" || where == "view list" || where == "preview") {
                p->Preview();
                preview = p->findChild<frmPreview *>();
            }
            const QHash<QString, QWidget *> targets{
                {"text", p->rtfText},
                {"remote pane", p->rtfRemote},
                {"file view", p->fileView},
                {"file's lines", p->fileView ? p->fileView->txtLines : nullptr},
                {"preview", preview},
                {"toolpath", preview ? preview->view : nullptr},
                {"view list", preview ? preview->cboView : nullptr}};
            QTest::keyClick(targets.value(where, p), Qt::Key_Escape);
        } else if (stop == QLatin1String("send again"))
            s.trigger("mnuCommunicationSend");
        else if (stop == QLatin1String("close"))
            QCOMPARE(p->parentWidget()->close(), held);
        else
            QCOMPARE(s.frame->close(), held);
        if (held) // at once
            QCOMPARE(s.terminal.calls(), (QStringList{"discard", "close"}));
        else
            QVERIFY(p->Stopping() && p->actAction == actSend &&
                    E2eSession::panel(p, 1) == QStringLiteral("Stopping after this block"));
        if (inWindow)
            QTRY_VERIFY_WITH_TIMEOUT(s.idle(p) && !p->rtfText->isHidden(), 10000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(p.isNull() && s.frame->isVisible() == (stop == "close"),
                                     10000);
        QCOMPARE(s.terminal.calls(), (QStringList{held ? "discard" : "drain", "close"}));
        QCOMPARE(s.machine1.received, program.left(held ? 128 : program.indexOf('\n', 127) + 1));
        QVERIFY(portFree(kPort1));
    }

    // The stop waits for the line to carry the rest of the third block, and the line does not
    // move; the machine then holds the send with XOFF: nothing more can go, and the stop ends
    // at once, throwing away what has not left.
    void heldWhileTheStopFinishes()
    {
        E2eSession s;
        s.terminal.drainsWait = true;
        frmProgram *p = s.program();
        const QByteArray program = longProgram(40);
        startSend(s, program, 1, QString(), true);
        QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64), 10000);
        QTest::keyClick(p, Qt::Key_Escape);
        QVERIFY(p->Stopping());
        QTRY_COMPARE(s.terminal.calls(), QStringList{"drain"});
        bool endedAtXoff = false;
        connect(p->ucDnc1, &ucDnc::Status, p,
                [&] { endedAtXoff = p->actAction == actIdle && !p->Stopping(); });
        s.machine1.write("\x13");
        QTRY_VERIFY(s.idle(p));
        QVERIFY(endedAtXoff);
        QCOMPARE(s.terminal.calls(), (QStringList{"drain", "discard", "close"}));
    }

    void holdsShowInTheStatusBar_data()
    {
        QTest::addColumn<bool>("waitXOn");
        QTest::newRow("XOFF after 128 characters") << false;
        QTest::newRow("Wait for XOn") << true;
    }

    // The machine holds the send: the status bar says so and since when, and the time left
    // stays as it was however long the hold lasts, the held time left out of the rate. Under
    // Wait for XOn the send says that it waits for the first XON. XON, and it is "Sending".
    void holdsShowInTheStatusBar()
    {
        QFETCH(bool, waitXOn);
        E2eSession s;
        setTimeOfDayClock([] { return QTime(10, 42, 7); });
        const auto restore = qScopeGuard([] { setTimeOfDayClock(nullptr); });
        frmProgram *p = s.program();
        p->picControl->controls->chkWaitXOn->setChecked(waitXOn);
        const QByteArray program = longProgram(40);
        startSend(s, program, 1, QString(), true);
        QSignalSpy steps(p->findChild<QTimer *>(QStringLiteral("feed")), &QTimer::timeout);
        if (waitXOn) {
            QCOMPARE(E2eSession::panel(p, 0), QStringLiteral("Waiting for XON since 10:42:07"));
            QTRY_VERIFY(steps.count() >= 2);
            QVERIFY(s.machine1.lineQuiet() && s.machine1.received.isEmpty());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received.size(), qsizetype(64), 10000);
            s.transferNow += 300;
            QTRY_COMPARE_WITH_TIMEOUT(E2eSession::panel(p, 2), QStringLiteral("128"), 10000);
            const QString timeLeft = E2eSession::panel(p, 3);
            QVERIFY(!timeLeft.isEmpty());
            s.machine1.write("\x13");
            QTRY_COMPARE(E2eSession::panel(p, 0),
                         QStringLiteral("Held by the machine since 10:42:07"));
            // A minute held: the progress shows again, the time left as before.
            s.transferNow += 60000;
            steps.clear();
            QTRY_VERIFY(steps.count() >= 2);
            QCOMPARE(E2eSession::panel(p, 3), timeLeft);
            QCOMPARE(E2eSession::panel(p, 0), QStringLiteral("Held by the machine since 10:42:07"));
            QVERIFY(s.machine1.lineQuiet() && s.machine1.received.size() == 128);
        }
        s.machine1.write("\x11");
        QTRY_COMPARE(E2eSession::panel(p, 0), QStringLiteral("Sending"));
        s.runClock();
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 20000);
        QCOMPARE(s.machine1.received, program + "\r\n");
    }

    // A machine that sends faster than the window takes: a step adds at most 16 KiB; behind,
    // the window holds the machine with XOFF (and lets it go with XON), or, without flow
    // control, stops reading the port at its bound; the text comes whole, in order.
    void floodTakenInSteps_data()
    {
        QTest::addColumn<bool>("xon");
        QTest::newRow("XOn/XOff") << true;
        QTest::newRow("no flow control") << false;
    }

    void floodTakenInSteps()
    {
        QFETCH(bool, xon);
        E2eSession s;
        frmProgram *p = s.program();
        p->picControl->controls->chkXOnXOff->setChecked(xon);
        p->tEvent->stop();
        s.trigger("mnuCommunicationReceive");
        const QByteArray flood = longProgram(20000);
        s.machine1.flood(flood, true);
        if (xon)
            QTRY_COMPARE_WITH_TIMEOUT(s.machine1.received, QByteArray("\x13"), 10000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(p->ucDnc1->MSComm1().InputPaused(), 10000);
        QCOMPARE(p->rtfText->textLength(), 0);
        p->tEvent_Timer();
        QCOMPARE(p->rtfText->textLength(), 16384);
        p->tEvent->start();
        QTRY_COMPARE_WITH_TIMEOUT(p->rtfText->textLength(), flood.size(), 60000);
        QCOMPARE(p->rtfText->text().toLatin1(), flood);
        QVERIFY(s.machine1.floodDone());
        const qsizetype turns = xon ? qMax<qsizetype>(1, s.machine1.received.size() / 2) : 0;
        QCOMPARE(s.machine1.received, QByteArray("\x13\x11").repeated(turns)); // held, let go
    }

    // A receive that would take the program past what a window takes stops there with a
    // message; the text ends with the last line that fits.
    void receiveStopsAtItsLimit()
    {
        E2eSession s;
        setReceiveLimit(ReceiveLimit{3, 1000});
        const auto restore = qScopeGuard([] { setReceiveLimit(std::nullopt); });
        frmProgram *p = s.program();
        s.trigger("mnuCommunicationReceive");
        s.machine1.write("N1\r\nN2\r\nN3\r\nN4\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(p->actAction, qint32(actIdle), 5000);
        QCOMPARE(p->rtfText->text(), QStringLiteral("N1\r\nN2\r\nN3"));
        QCOMPARE(s.dialogs.messages, QStringList{GetString({}, 515).arg(3).arg(1000)});
        QVERIFY(s.idle(p, "Receive broken off: 16 characters"));
    }
};

QTEST_MAIN(TstE2e)
#include "tst_e2e.moc"
