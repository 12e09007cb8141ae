// The main frame against its settings store: start-up placement, shutdown, a second
// copy and a lock left by a crash; window numbering, the menus that follow the windows,
// and relabelling in every language.
#include "app/frmMain.h"
#include "common/AppState.h"
#include "common/Twips.h"
#include "i18n/Language.h"
#include "support/FrameSession.h"

#include <QLockFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSettings>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

#include <memory>

using namespace kordavel;
using namespace kordavel::test;

namespace {

// Stores "Key=value;..." in the section [Settings]; for a session's preparation.
std::function<void()> store(const QString &list)
{
    return [list] {
        for (const QString &pair : list.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            SaveSetting(QStringLiteral("Settings"), pair.section(QLatin1Char('='), 0, 0),
                        pair.section(QLatin1Char('='), 1));
    };
}

QVariantMap stored(const FrameSession &s)
{
    QSettings store(s.folders.settingsFile(), QSettings::IniFormat);
    QVariantMap out;
    for (const QString &key : store.allKeys())
        out.insert(key, store.value(key));
    return out;
}

QStringList captions(const FrameSession &s)
{
    QStringList out;
    for (frmProgram *program : s.frame->programWindows())
        out << program->windowTitle();
    return out;
}

} // namespace

class TstMainFrame : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        frmQuestion::releaseInstance();
        setLanguageNumber(1);
    }
    void startUpPlacement_data();
    void startUpPlacement();
    void minimizedShutdownWritesOnlyLanguage();
    void secondCopy_data();
    void secondCopy();
    void lockLeftByACrashDoesNotBlock();
    void captionsAreNeverReused();
    void withoutWindowsOnlyFrameEntriesAct();
    void shutdownStopsWhenAWindowRefuses();
    void relabelling_data();
    void relabelling();
};

void TstMainFrame::startUpPlacement_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("maximized");
    QTest::addColumn<QRect>("twips"); // expected outer rectangle when not maximized
    QTest::newRow("new user") << "" << true << QRect();
    QTest::newRow("maximized") << "WindowState=2;MainLeft=1500" << true << QRect();
    QTest::newRow("normal") << "WindowState=0;MainLeft=1440;MainTop=720;MainWidth=9000;"
                               "MainHeight=7200"
                            << false << QRect(1440, 720, 9000, 7200);
    QTest::newRow("minimized is treated as normal")
        << "WindowState=1;MainLeft=300;MainTop=300;MainWidth=8400;MainHeight=6000" << false
        << QRect(300, 300, 8400, 6000);
    QTest::newRow("values that are not numbers fall back")
        << "WindowState=0;MainLeft=left;MainTop=12abc;MainWidth=;MainHeight=7200" << false
        << QRect(1000, 1000, 6500, 7200);
    QTest::newRow("a state that is not a number is maximized")
        << "WindowState=max" << true << QRect();
    // Huge values, which would not fit a window or an int, are cut to four desktops.
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    const auto twips = [](int x, int y, int width, int height) {
        return QRect(qRound(pixelsToTwipsX(x)), qRound(pixelsToTwipsY(y)),
                     qRound(pixelsToTwipsX(width)), qRound(pixelsToTwipsY(height)));
    };
    const int width = 4 * desktop.width();
    const int height = 4 * desktop.height();
    QTest::newRow("huge size") << "WindowState=0;MainLeft=1440;MainTop=720;MainWidth=2e9;"
                                  "MainHeight=2e9"
                               << false
                               << twips(twipsToPixelsX(1440), twipsToPixelsY(720), width, height);
    QTest::newRow("all four beyond an int")
        << "WindowState=0;MainLeft=3e10;MainTop=3e10;MainWidth=3e10;MainHeight=3e10" << false
        << twips(desktop.right() + width, desktop.bottom() + height, width, height);
}

void TstMainFrame::startUpPlacement()
{
    QFETCH(QString, settings);
    QFETCH(bool, maximized);
    QFETCH(QRect, twips);
    FrameSession s(store(settings));
    QVERIFY(QTest::qWaitForWindowExposed(s.frame.get()));
    QVERIFY(s.frame->IsFirstInstance);
    QVERIFY(s.frame->programWindows().first()->bFlagNew);
    QCOMPARE(s.frame->isMaximized(), maximized);
    if (!maximized) {
        QCOMPARE(s.frame->frameGeometry(),
                 QRect(twipsToPixelsX(twips.left()), twipsToPixelsY(twips.top()),
                       twipsToPixelsX(twips.width()), twipsToPixelsY(twips.height())));
        // Moved by the user, it keeps the new place for the next start.
        const QPoint place(twipsToPixelsX(2880), twipsToPixelsY(1440));
        s.frame->move(place);
        QTRY_COMPARE(s.frame->frameGeometry().topLeft(), place);
    }
    const QRect outer = s.frame->frameGeometry();
    QVERIFY(s.frame->close());
    QTRY_COMPARE(ProgramWindowCount, 0);
    const QVariantMap after = stored(s);
    QCOMPARE(after.value("Settings/Language").toString(), QStringLiteral("1"));
    QCOMPARE(after.value("Settings/WindowState").toString(), QString::number(maximized ? 2 : 0));
    if (maximized)
        return;
    const auto near = [&](const char *key, double expected) {
        return std::abs(after.value(QLatin1String(key)).toDouble() - expected) < 16;
    };
    QVERIFY(near("Settings/MainLeft", 2880));
    QVERIFY(near("Settings/MainTop", 1440));
    QVERIFY(near("Settings/MainWidth", pixelsToTwipsX(outer.width())));
    QVERIFY(near("Settings/MainHeight", pixelsToTwipsY(outer.height())));
    s.frame = std::make_unique<frmMain>();
    QVERIFY(s.frame->startUp());
    QVERIFY(QTest::qWaitForWindowExposed(s.frame.get()));
    QCOMPARE(s.frame->frameGeometry(), outer);
}

void TstMainFrame::minimizedShutdownWritesOnlyLanguage()
{
    const QString before = QStringLiteral("WindowState=0;MainLeft=1440;MainTop=1440;Language=1");
    FrameSession s(store(before));
    s.frame->changeLanguage(3);
    s.frame->showMinimized();
    QTRY_VERIFY(s.frame->isMinimized());
    QVERIFY(s.frame->close());
    QVariantMap expected;
    for (const QString &pair : QString(before).replace("Language=1", "Language=3").split(';'))
        expected.insert("Settings/" + pair.section('=', 0, 0), pair.section('=', 1));
    QCOMPARE(stored(s), expected);
}

void TstMainFrame::secondCopy_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("english") << 1;
    QTest::newRow("bulgarian") << 2;
    QTest::newRow("spanish") << 3;
}

void TstMainFrame::secondCopy()
{
    QFETCH(int, language);
    // Stored as "0N", so that a write of the language shows.
    FrameSession s(store(QStringLiteral("Language=0%1;WindowState=0;MainLeft=1440").arg(language)));
    QVariantMap after = stored(s);
    after.insert(QStringLiteral("Settings/Language"), QString::number(language));
    {
        frmMain second;
        QVERIFY(!second.startUp());
        QVERIFY(!second.IsFirstInstance);
        QVERIFY(!second.isVisible());
        QVERIFY(second.programWindows().isEmpty());
        QCOMPARE(s.dialogs.messages, QStringList{GetString({}, 0) + GetString({}, 401)});
        if (language == 1)
            QCOMPARE(s.dialogs.messages.first(), QStringLiteral("Kordavel is in use"));
        QCOMPARE(s.dialogs.lastIcon, MsgIcon::Critical);
        QCOMPARE(s.dialogs.lastTitle, QStringLiteral("Kordavel"));
        QCOMPARE(stored(s), after); // the language alone written
    }
    QCOMPARE(ProgramWindowCount, 1);
}

void TstMainFrame::lockLeftByACrashDoesNotBlock()
{
    // A copy that takes the lock and dies without releasing it.
    FrameSession s([] {
        const QString lockFile = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kordavel.lock";
        const pid_t child = fork();
        if (child == 0) {
            QLockFile lock(lockFile);
            lock.tryLock(0);
            _exit(0);
        }
        QVERIFY(child > 0);
        waitpid(child, nullptr, 0);
        QVERIFY(QFile::exists(lockFile));
    });
    QVERIFY(s.frame->IsFirstInstance);
    QVERIFY(s.dialogs.messages.isEmpty());
}

void TstMainFrame::captionsAreNeverReused()
{
    FrameSession s;
    s.frame->NewProgramWindow(0);
    QCOMPARE(captions(s), (QStringList{"Program 1", "Program 2"}));
    QVERIFY(s.frame->mdiArea()->currentSubWindow()->close());
    QTRY_COMPARE(s.frame->programWindows().size(), 1);
    s.frame->NewProgramWindow(0);
    QCOMPARE(captions(s), (QStringList{"Program 1", "Program 3"}));
    QTRY_COMPARE(ProgramWindowCount, 2);
    QCOMPARE(s.program()->windowTitle(), QStringLiteral("Program 3"));
}

// With no program window the entries for one are hidden, and their shortcuts do nothing.
void TstMainFrame::withoutWindowsOnlyFrameEntriesAct()
{
    FrameSession s;
    frmMain &frame = *s.frame;
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    const QStringList documentEntries{"mnuFileClose",     "mnuFileSave",   "mnuFileSaveAs",
                                      "mnuFilePrint",     "mnuEdit",       "mnuEditPaste",
                                      "mnuFormat",        "mnuFormatBold", "mnuProgram",
                                      "mnuCommunication", "mnuWindow"};
    const QStringList alwaysThere{"mnuFile",  "mnuFileNew",      "mnuFileOpen", "mnuFileExit",
                                  "mnuTools", "mnuToolsOptions", "mnuHelp",     "mnuHelpAbout"};
    const auto visible = [&](const QStringList &names, bool shown) {
        for (const QString &name : names)
            QVERIFY2(frame.menuEntry(name)->isVisible() == shown, qPrintable(name));
    };
    visible(documentEntries + alwaysThere, true);
    QVERIFY(frame.mdiArea()->currentSubWindow()->close());
    QTRY_COMPARE(ProgramWindowCount, 0);
    QVERIFY(frame.isVisible());
    visible(documentEntries, false);
    visible(alwaysThere, true);
    QTest::keyClick(&frame, Qt::Key_P, Qt::ControlModifier); // Print
    QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier); // Save
    QVERIFY(s.dialogs.calls.isEmpty());

    QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier); // New stays
    QCOMPARE(ProgramWindowCount, 1);
    visible(documentEntries, true);
    QTest::keyClick(&frame, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(s.dialogs.calls, QStringList{QStringLiteral("print:all")});
    // Shown greyed, never chosen.
    for (const char *name : {"mnuCommunicationRemote", "mnuHelpIndex", "mnuHelpSearch"}) {
        QVERIFY(frame.menuEntry(QLatin1String(name))->isVisible());
        QVERIFY(!frame.menuEntry(QLatin1String(name))->isEnabled());
    }
}

void TstMainFrame::shutdownStopsWhenAWindowRefuses()
{
    FrameSession s;
    s.frame->NewProgramWindow(0);
    s.frame->programWindows().first()->rtfText->setText(QStringLiteral("G01 X10"));
    // The first window asks and the user cancels: nothing closes, nothing is written.
    QuestionSeen seen;
    answerNextQuestion(clickCancel(), &seen);
    QVERIFY(!s.frame->close());
    QVERIFY(seen.shown);
    QCOMPARE(s.frame->programWindows().size(), 2);
    QVERIFY(!QFile::exists(s.folders.settingsFile()));
    // Asked again, No lets every window go and the frame close.
    answerNextQuestion(clickNo());
    QVERIFY(s.frame->close());
    QTRY_COMPARE(ProgramWindowCount, 0);
    QVERIFY(QFile::exists(s.folders.settingsFile()));
}

void TstMainFrame::relabelling_data()
{
    secondCopy_data();
}

void TstMainFrame::relabelling()
{
    QFETCH(int, language);
    FrameSession s;
    frmMain &frame = *s.frame;
    frmProgram *background = frame.programWindows().first();
    frame.NewProgramWindow(0);
    // Round the languages once, so that every text is relabelled from a foreign one.
    for (int other = 1; other <= 3; ++other)
        frame.changeLanguage(qint16(other));
    frame.changeLanguage(qint16(language));
    const auto text = [](int offset) { return GetString(QStringLiteral("?"), offset); };
    for (const QString entry : {"mnuFile:101", "mnuFileSaveAs:106", "mnuEditFindNext:116",
                                "mnuCommunicationReceive:128", "mnuToolsOptions:144"})
        QCOMPARE(frame.menuEntry(entry.section(QLatin1Char(':'), 0, 0))->text(),
                 text(entry.section(QLatin1Char(':'), 1).toInt()));
    QCOMPARE(frame.menuEntry(QStringLiteral("mnuCommunicationRemote"))->text(),
             QStringLiteral("Remote"));
    QCOMPARE(frame.toolbarButton(QStringLiteral("Save"))->toolTip(), text(303));
    QCOMPARE(s.program()->stbPanel[0]->text(), text(1));
    QCOMPARE(background->stbPanel[0]->text(), text(1));
    QCOMPARE(frame.windowTitle(), QStringLiteral("Kordavel"));
    const char *help[] = {"", "/Kordavel.chm", "/Kordavelbg.chm", "/Kordaveles.chm"};
    QVERIFY(frame.helpFile().endsWith(QLatin1String(help[language])));
    QVERIFY(frame.close());
    QCOMPARE(stored(s).value("Settings/Language").toString(), QString::number(language));
}

QTEST_MAIN(TstMainFrame)
#include "tst_mainframe.moc"
