// Closing a program window while it sends, by every path: the close question answered
// Yes, No or Cancel, an unchanged window, a close from inside the blocking send, and a close
// during the pause before the port opens. Nothing crashes and the port ends up closed.
#include "E2eSession.h"

#include "app/AppState.h"

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

const QString kProgram = [] {
    QString text;
    for (int i = 1; i <= 30; ++i)
        text += QStringLiteral("N%1 G01 X%1\r\n").arg(i * 10);
    return text;
}();

} // namespace

class TstE2eClose : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { frmQuestion::releaseInstance(); }
    void closeDuringSend_data();
    void closeDuringSend();
    void closeDuringPause();
};

void TstE2eClose::closeDuringSend_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("answer");  // yes, no, cancel or none
    QTest::addColumn<bool>("insideSend"); // closed from inside the channel's blocking send
    QTest::addColumn<bool>("closes");
    QTest::newRow("changed, No") << true << "no" << false << true;
    QTest::newRow("changed, Yes and saved") << true << "yes" << false << true;
    QTest::newRow("changed, Cancel keeps sending") << true << "cancel" << false << false;
    QTest::newRow("unchanged") << false << "none" << false << true;
    QTest::newRow("changed, No, from inside the send") << true << "no" << true << true;
    QTest::newRow("unchanged, from inside the send") << false << "none" << true << true;
}

void TstE2eClose::closeDuringSend()
{
    QFETCH(bool, changed);
    QFETCH(QString, answer);
    QFETCH(bool, insideSend);
    QFETCH(bool, closes);
    E2eSession s;
    s.dialogs.saveAnswers << s.folders.file(QStringLiteral("saved.dnc"));
    QPointer<frmProgram> p = s.program();
    p->rtfText->setText(kProgram);
    if (!changed)
        QVERIFY(p->SaveFile());
    QCOMPARE(p->isModified(), changed);
    QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow *>(p->parentWidget());
    const auto closeNow = [&] {
        if (answer == QLatin1String("yes"))
            answerNextQuestion(clickYes());
        else if (answer == QLatin1String("no"))
            answerNextQuestion(clickNo());
        else if (answer == QLatin1String("cancel"))
            answerNextQuestion(clickCancel());
        sub->close();
    };
    bool closed = false;
    if (insideSend) {
        s.machine1.onData = [&] {
            if (!closed && s.machine1.received.count('\n') >= 2) {
                closed = true;
                closeNow();
            }
        };
    }
    s.menu("mnuCommunicationSend");
    QCOMPARE(p->actAction, qint32(actSend));
    QTRY_VERIFY_WITH_TIMEOUT(s.machine1.received.count('\n') >= 2, 10000);
    if (!insideSend)
        closeNow();
    if (closes) {
        QTRY_VERIFY(p.isNull());
        QTRY_VERIFY(sub.isNull());
        QVERIFY(portFree(kPort1));
        const QByteArray got = s.machine1.received;
        QVERIFY(kProgram.toLatin1().startsWith(got));
        QVERIFY(got.size() < kProgram.size());
        QCOMPARE(ProgramWindowCount, 0);
    } else {
        QVERIFY(!p.isNull());
        QCOMPARE(p->actAction, qint32(actSend));
        p->StopSending();
        QVERIFY(!E2eSession::portOpen(p));
    }
}

void TstE2eClose::closeDuringPause()
{
    E2eSession s;
    QPointer<frmProgram> p = s.program();
    p->rtfText->setText(kProgram);
    QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow *>(p->parentWidget());
    QTimer::singleShot(500, [&] {
        answerNextQuestion(clickNo());
        sub->close();
    });
    s.menu("mnuCommunicationSend");
    QTRY_VERIFY(p.isNull());
    QVERIFY(portFree(kPort1));
    QVERIFY(s.machine1.received.isEmpty());
}

QTEST_MAIN(TstE2eClose)
#include "tst_e2e_close.moc"
