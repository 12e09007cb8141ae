// SPDX-License-Identifier: GPL-3.0-or-later
// Closing a program window while it sends, by every path: the close question answered
// Yes or No (Cancel: tst_program), an unchanged window, a close from inside the blocking send, and
// a close during the pause before the port opens. Nothing crashes and the port ends up closed.
#include "E2eSession.h"

#include "common/AppState.h"

using namespace kordavel;
using namespace kordavel::test;

namespace {

// The port is free again: a fresh channel can open it.
bool portFree(int n)
{
    ucDnc probe;
    probe.setComPort(QString::number(n));
    probe.setAction(2);
    const bool opened = probe.Action() == 2;
    probe.setAction(0);
    return opened;
}

const QString kProgram = QStringLiteral("N10 G01 X10\r\nN20 G01 X20\r\nN30 G01 X30\r\nN40 M30\r\n");

} // namespace

class TstE2eClose : public QObject {
    Q_OBJECT
private slots:
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
    }

    void closeDuringSend()
    {
        QFETCH(QString, when);
        QFETCH(bool, changed);
        QFETCH(QString, answer);
        E2eSession s;
        const QString saved = s.folders.file(QStringLiteral("saved.dnc"));
        s.dialogs.saveAnswers << saved;
        QPointer<frmProgram> p = s.program();
        p->rtfText->setText(kProgram);
        if (!changed)
            QVERIFY(p->SaveFile());
        QCOMPARE(p->isModified(), changed);
        QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow *>(p->parentWidget());
        bool closed = false;
        const auto closeNow = [&] {
            closed = true;
            if (answer != QLatin1String("none"))
                answerNextQuestion(answer == QLatin1String("yes") ? clickYes() : clickNo());
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
            QCOMPARE(p->actAction, qint32(actSend));
            QTRY_VERIFY_WITH_TIMEOUT(s.machine1.received.contains('\n'), 10000);
            if (!closed)
                closeNow();
        }
        QVERIFY(closed);
        QTRY_VERIFY(p.isNull());
        QTRY_VERIFY(sub.isNull());
        QVERIFY(portFree(kPort1));
        QCOMPARE(ProgramWindowCount, 0);
        const QByteArray got = s.machine1.received;
        QVERIFY(kProgram.toLatin1().startsWith(got));
        QVERIFY(got.size() < kProgram.size());
        QCOMPARE(got.isEmpty(), when == QLatin1String("pause"));
        // What was saved is the program itself, without the marks of the send.
        if (answer == QLatin1String("yes")) {
            RichTextBox reloaded;
            QVERIFY(reloaded.loadFile(saved));
            QCOMPARE(reloaded.text(), kProgram);
            QVERIFY(!reloaded.hasStrikeThru());
        }
    }
};

QTEST_MAIN(TstE2eClose)
#include "tst_e2e_close.moc"
