// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame on a 1024x768 screen, in every language: every control of a program
// window's panel can be reached, and the preview stands beside the program text without
// covering the panel or the status bar.
#include "program/ProgramPanel.h"
#include "program/frmPreview.h"
#include "support/CaptionsFit.h"
#include "support/FrameSession.h"

#include <QMdiArea>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>

using namespace kordavel;
using namespace kordavel::test;

class TstScreen : public QObject {
    Q_OBJECT
private slots:
    void programWindow_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<bool>("maximized");
        const char *names[] = {"English", "Bulgarian", "Spanish"};
        for (int language = 1; language <= 3; ++language)
            for (const bool maximized : {false, true})
                QTest::addRow("%s, %s", names[language - 1], maximized ? "maximized" : "cascaded")
                    << language << maximized;
    }

    void programWindow()
    {
        QFETCH(int, language);
        QFETCH(bool, maximized);
        QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1024, 768));
        FrameSession s([language] {
            SaveSetting(QStringLiteral("Settings"), QStringLiteral("Language"),
                        QString::number(language));
        });
        QVERIFY(QTest::qWaitForWindowExposed(s.frame.get()));
        QCOMPARE(kordavel::language(), qint16(language));
        frmProgram *program = s.program();
        if (maximized)
            program->parentWidget()->showMaximized();
        program->rtfText->setText(QStringLiteral("G0 X10 Y0\nG1 X10 Y10 F100\n"));
        s.trigger("mnuProgramPreview");
        frmPreview *preview = program->preview();
        QTRY_VERIFY(preview && preview->isVisible());
        // The program window lies in the frame's area; the preview within it, clear of the
        // panel and the status bar.
        const auto global = [](const QWidget *w) {
            return QRect(w->mapToGlobal(QPoint()), w->size());
        };
        const QRect area = global(s.frame->mdiArea()->viewport());
        QVERIFY(area.contains(global(program->panelArea)));
        QVERIFY(area.contains(global(program->stbStatus)));
        QVERIFY(global(program).contains(global(preview)));
        QVERIFY(!global(preview).intersects(global(program->panelArea)));
        QVERIFY(!global(preview).intersects(global(program->stbStatus)));
        QVERIFY(preview->width() >= preview->minimumSizeHint().width());
        checkCaptionsFit(preview);
        // Every control of the panel shows whole once the panel's scroll bar is moved to it.
        QScrollArea *scroll = program->panelArea;
        QScrollBar *bar = scroll->verticalScrollBar();
        const QRect shown = scroll->viewport()->rect();
        QVERIFY(program->picControl->width() <= shown.width());
        checkCaptionsFit(program->picControl);
        for (QWidget *control :
             program->picControl->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (control->isHidden())
                continue;
            const int needed = std::max(0, control->y() + control->height() - shown.height());
            QVERIFY2(needed == 0 || (bar->isVisible() && needed <= bar->maximum()),
                     qPrintable(control->objectName()));
            bar->setValue(needed);
            const QRect at(control->mapTo(scroll->viewport(), QPoint(0, 0)), control->size());
            QVERIFY2(shown.contains(at), qPrintable(control->objectName()));
        }
    }
};

// The screen is the one the test is about: an offscreen screen of 1024x768.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KORDAVEL_TEST_DATA "/screen-1024x768.json");
    QApplication app(argc, argv);
    TstScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screen.moc"
