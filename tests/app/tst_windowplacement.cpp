// SPDX-License-Identifier: GPL-3.0-or-later
// New and opened program windows cascade from the one before, as the MDI default does, and
// stay wholly inside the frame's area, also those made before the frame had its size.
#include "support/FrameSession.h"

#include <QMdiArea>
#include <QMdiSubWindow>

using namespace kordavel;
using namespace kordavel::test;

class TstWindowPlacement : public QObject {
    Q_OBJECT
private slots:
    void cascadeInsideTheArea_data();
    void cascadeInsideTheArea();
};

void TstWindowPlacement::cascadeInsideTheArea_data()
{
    QTest::addColumn<bool>("beforeShown");
    QTest::newRow("shown frame") << false;
    QTest::newRow("made at start-up") << true;
}

void TstWindowPlacement::cascadeInsideTheArea()
{
    QFETCH(bool, beforeShown);
    TestFolders folders;
    ScriptedDialogs dialogs;
    QStringList files;
    for (int i = 0; beforeShown && i < 9; ++i)
        files << QStringLiteral(KORDAVEL_TESTS_DIR "/data/fanuc_pocket.nc");
    frmMain frame;
    QVERIFY(frame.startUp(beforeShown ? files + files.mid(0, 1) : QStringList{}));
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    for (int i = 0; !beforeShown && i < 9; ++i)
        (i % 2 ? frame.menuEntry(QStringLiteral("mnuFileNew"))->trigger()
               : frame.openFile(QStringLiteral(KORDAVEL_TESTS_DIR "/data/haas_turn.nc")));
    const QList<QMdiSubWindow *> subs = frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
    QCOMPARE(subs.size(), 10);
    const QRect area = frame.mdiArea()->viewport()->rect();
    int wraps = 0;
    for (int i = 0; i < subs.size(); ++i) {
        const QRect place = subs[i]->geometry();
        QVERIFY2(area.contains(place), qPrintable(QStringLiteral("window %1").arg(i + 1)));
        QCOMPARE(place.size(), area.size() * 3 / 4);
        if (i == 0 || place.topLeft() == area.topLeft()) {
            QCOMPARE(place.topLeft(), area.topLeft());
            wraps += i > 0;
            continue;
        }
        const QPoint step = place.topLeft() - subs[i - 1]->pos();
        QVERIFY(step.x() > 10 && step.x() == step.y());
    }
    QVERIFY(wraps > 0);
    QVERIFY(frame.close());
}

QTEST_MAIN(TstWindowPlacement)
#include "tst_windowplacement.moc"
