// The main frame against its settings store: start-up placement, shutdown, a second
// copy and a lock left by a crash; window numbering, the menus that follow the windows,
// and relabelling in every language.
#include "app/AppState.h"
#include "app/SettingsStore.h"
#include "app/Twips.h"
#include "app/frmMain.h"
#include "editor/RichTextBox.h"
#include "i18n/Language.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "support/GoldenStrings.h"
#include "support/QuestionAnswerer.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFolders.h"

#include <QLockFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

#include <memory>

using namespace kordavel;
using namespace kordavel::test;

namespace {

QVariantMap storedSettings(const TestFolders &folders)
{
    QSettings store(folders.settingsFile(), QSettings::IniFormat);
    QVariantMap out;
    for (const QString &key : store.allKeys())
        out.insert(key, store.value(key));
    return out;
}

void store(const TestFolders &folders, const QVariantMap &values)
{
    QSettings settings(folders.settingsFile(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        settings.setValue(it.key(), it.value());
}

QStringList captions(const frmMain &frame)
{
    QStringList out;
    for (frmProgram *program : frame.programWindows())
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
    void shutdownWritesPlacement();
    void minimizedShutdownWritesOnlyLanguage();
    void secondCopy_data();
    void secondCopy();
    void lockLeftByACrashDoesNotBlock();
    void captionsAreNeverReused();
    void menusFollowTheWindows();
    void hiddenEntriesShortcutsDoNotAct();
    void shutdownStopsWhenAWindowRefuses();
    void relabelling_data();
    void relabelling();
};

void TstMainFrame::startUpPlacement_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<bool>("maximized");
    QTest::addColumn<QRect>("twips"); // expected outer rectangle when not maximized

    QTest::newRow("new user") << QVariantMap{} << true << QRect();
    QTest::newRow("maximized") << QVariantMap{{"Settings/WindowState", "2"},
                                              {"Settings/MainLeft", "1500"}}
                               << true << QRect();
    QTest::newRow("normal") << QVariantMap{{"Settings/WindowState", "0"},
                                           {"Settings/MainLeft", "1440"},
                                           {"Settings/MainTop", "720"},
                                           {"Settings/MainWidth", "9000"},
                                           {"Settings/MainHeight", "7200"}}
                            << false << QRect(1440, 720, 9000, 7200);
    QTest::newRow("minimized is treated as normal") << QVariantMap{{"Settings/WindowState", "1"},
                                                                   {"Settings/MainLeft", "300"},
                                                                   {"Settings/MainTop", "300"},
                                                                   {"Settings/MainWidth", "8400"},
                                                                   {"Settings/MainHeight", "6000"}}
                                                    << false << QRect(300, 300, 8400, 6000);
    QTest::newRow("normal with defaults")
        << QVariantMap{{"Settings/WindowState", "0"}} << false << QRect(1000, 1000, 6500, 6500);
    QTest::newRow("values that are not numbers fall back")
        << QVariantMap{{"Settings/WindowState", "0"},
                       {"Settings/MainLeft", "left"},
                       {"Settings/MainTop", "12abc"},
                       {"Settings/MainWidth", ""},
                       {"Settings/MainHeight", "7200"}}
        << false << QRect(1000, 1000, 6500, 7200);
    QTest::newRow("a state that is not a number is maximized")
        << QVariantMap{{"Settings/WindowState", "max"}} << true << QRect();
}

void TstMainFrame::startUpPlacement()
{
    QFETCH(QVariantMap, settings);
    QFETCH(bool, maximized);
    QFETCH(QRect, twips);

    TestFolders folders;
    ScriptedDialogs dialogs;
    store(folders, settings);
    auto frame = std::make_unique<frmMain>();
    QVERIFY(frame->startUp());
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    QVERIFY(frame->IsFirstInstance);
    QCOMPARE(frame->isMaximized(), maximized);
    QCOMPARE(captions(*frame), QStringList{QStringLiteral("Program 1")});
    QCOMPARE(ProgramWindowCount, 1);
    QVERIFY(frame->programWindows().first()->bFlagNew);
    QCOMPARE(frame->windowTitle(), QStringLiteral("Kordavel"));
    if (!maximized) {
        const QRect outer = frame->frameGeometry();
        QCOMPARE(outer.left(), twipsToPixelsX(twips.left()));
        QCOMPARE(outer.top(), twipsToPixelsY(twips.top()));
        QCOMPARE(outer.width(), twipsToPixelsX(twips.width()));
        QCOMPARE(outer.height(), twipsToPixelsY(twips.height()));
    }
    QVERIFY(frame->close());
    QTRY_COMPARE(ProgramWindowCount, 0);
    const QVariantMap after = storedSettings(folders);
    QCOMPARE(after.value("Settings/Language").toString(), QStringLiteral("1"));
    QCOMPARE(after.value("Settings/WindowState").toString(),
             maximized ? QStringLiteral("2") : QStringLiteral("0"));
}

void TstMainFrame::shutdownWritesPlacement()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    store(folders, {{"Settings/WindowState", "0"}});
    auto frame = std::make_unique<frmMain>();
    QVERIFY(frame->startUp());
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    frame->move(twipsToPixelsX(2880), twipsToPixelsY(1440));
    QTRY_COMPARE(frame->frameGeometry().topLeft(),
                 QPoint(twipsToPixelsX(2880), twipsToPixelsY(1440)));
    const QRect outer = frame->frameGeometry();
    QVERIFY(frame->close());

    const QVariantMap after = storedSettings(folders);
    QCOMPARE(after.value("Settings/WindowState").toString(), QStringLiteral("0"));
    const auto near = [&](const char *key, double expected) {
        return std::abs(after.value(QLatin1String(key)).toDouble() - expected) < 16;
    };
    QVERIFY(near("Settings/MainLeft", 2880));
    QVERIFY(near("Settings/MainTop", 1440));
    QVERIFY(near("Settings/MainWidth", pixelsToTwipsX(outer.width())));
    QVERIFY(near("Settings/MainHeight", pixelsToTwipsY(outer.height())));

    // And the next start puts the frame back where it was.
    frame = std::make_unique<frmMain>();
    QVERIFY(frame->startUp());
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    QCOMPARE(frame->frameGeometry(), outer);
    QVERIFY(frame->close());
}

void TstMainFrame::minimizedShutdownWritesOnlyLanguage()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    const QVariantMap before{{"Settings/WindowState", "0"},   {"Settings/MainLeft", "1440"},
                             {"Settings/MainTop", "1440"},    {"Settings/MainWidth", "7200"},
                             {"Settings/MainHeight", "7200"}, {"Settings/Language", "1"}};
    store(folders, before);
    auto frame = std::make_unique<frmMain>();
    QVERIFY(frame->startUp());
    frame->changeLanguage(3);
    frame->showMinimized();
    QTRY_VERIFY(frame->isMinimized());
    QVERIFY(frame->close());
    QVariantMap expected = before;
    expected.insert("Settings/Language", "3");
    QCOMPARE(storedSettings(folders), expected);
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
    TestFolders folders;
    ScriptedDialogs dialogs;
    store(folders, {{"Settings/Language", QString::number(language)},
                    {"Settings/WindowState", "0"},
                    {"Settings/MainLeft", "1440"}});
    auto first = std::make_unique<frmMain>();
    QVERIFY(first->startUp());
    const QVariantMap before = storedSettings(folders);

    {
        frmMain second;
        QVERIFY(!second.startUp());
        QVERIFY(!second.IsFirstInstance);
        QVERIFY(!second.isVisible());
        QVERIFY(second.programWindows().isEmpty());
        QCOMPARE(dialogs.messages, QStringList{golden(language, 0) + golden(language, 401)});
        QCOMPARE(dialogs.lastIcon, MsgIcon::Critical);
        QCOMPARE(dialogs.lastTitle, QStringLiteral("Kordavel"));
        // Only the language was written.
        QCOMPARE(storedSettings(folders), before);
    }
    QCOMPARE(ProgramWindowCount, 1);
    QVERIFY(first->close());
}

void TstMainFrame::lockLeftByACrashDoesNotBlock()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    // A copy that takes the lock and dies without releasing it.
    const pid_t child = fork();
    if (child == 0) {
        QLockFile lock(folders.runtime() + QStringLiteral("/kordavel.lock"));
        lock.tryLock(0);
        _exit(0);
    }
    QVERIFY(child > 0);
    int status = 0;
    waitpid(child, &status, 0);
    QVERIFY(QFile::exists(folders.runtime() + QStringLiteral("/kordavel.lock")));

    frmMain frame;
    QVERIFY(frame.startUp());
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(frame.close());
}

void TstMainFrame::captionsAreNeverReused()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    frmMain frame;
    QVERIFY(frame.startUp());
    frame.NewProgramWindow(0);
    QCOMPARE(captions(frame), (QStringList{"Program 1", "Program 2"}));
    QVERIFY(frame.mdiArea()->currentSubWindow()->close());
    QTRY_COMPARE(frame.programWindows().size(), 1);
    frame.NewProgramWindow(0);
    QCOMPARE(captions(frame), (QStringList{"Program 1", "Program 3"}));
    QTRY_COMPARE(ProgramWindowCount, 2);
    QCOMPARE(frame.activeProgram()->windowTitle(), QStringLiteral("Program 3"));
    QVERIFY(frame.close());
}

void TstMainFrame::menusFollowTheWindows()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    frmMain frame;
    QVERIFY(frame.startUp());
    const QStringList documentEntries{"mnuFileClose",     "mnuFileSave",   "mnuFileSaveAs",
                                      "mnuFilePrint",     "mnuEdit",       "mnuEditPaste",
                                      "mnuFormat",        "mnuFormatBold", "mnuProgram",
                                      "mnuCommunication", "mnuWindow"};
    const QStringList alwaysThere{"mnuFile",  "mnuFileNew",      "mnuFileOpen", "mnuFileExit",
                                  "mnuTools", "mnuToolsOptions", "mnuHelp",     "mnuHelpAbout"};
    const auto visible = [&](const QString &name) { return frame.menuEntry(name)->isVisible(); };
    for (const QString &name : documentEntries + alwaysThere)
        QVERIFY2(visible(name), qPrintable(name));

    QVERIFY(frame.mdiArea()->currentSubWindow()->close());
    QTRY_COMPARE(ProgramWindowCount, 0);
    QVERIFY(frame.isVisible());
    for (const QString &name : documentEntries)
        QVERIFY2(!visible(name), qPrintable(name));
    for (const QString &name : alwaysThere)
        QVERIFY2(visible(name), qPrintable(name));

    frame.NewProgramWindow(0);
    for (const QString &name : documentEntries)
        QVERIFY2(visible(name), qPrintable(name));

    // Shown greyed, never chosen.
    for (const char *name : {"mnuCommunicationRemote", "mnuHelpIndex", "mnuHelpSearch"}) {
        QVERIFY(frame.menuEntry(QLatin1String(name))->isVisible());
        QVERIFY(!frame.menuEntry(QLatin1String(name))->isEnabled());
    }
    QVERIFY(frame.close());
}

void TstMainFrame::hiddenEntriesShortcutsDoNotAct()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    frmMain frame;
    QVERIFY(frame.startUp());
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QVERIFY(frame.mdiArea()->currentSubWindow()->close());
    QTRY_COMPARE(ProgramWindowCount, 0);

    QTest::keyClick(&frame, Qt::Key_P, Qt::ControlModifier); // Print
    QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier); // Save
    QVERIFY(dialogs.calls.isEmpty());
    QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier); // New stays
    QCOMPARE(ProgramWindowCount, 1);
    QTest::keyClick(&frame, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(dialogs.calls, QStringList{QStringLiteral("print:all")});
    QVERIFY(frame.close());
}

void TstMainFrame::shutdownStopsWhenAWindowRefuses()
{
    TestFolders folders;
    ScriptedDialogs dialogs;
    frmMain frame;
    QVERIFY(frame.startUp());
    frame.NewProgramWindow(0);
    frame.programWindows().first()->rtfText->setText(QStringLiteral("G01 X10"));
    // The first window asks and the user cancels: nothing closes, nothing is written.
    QuestionSeen seen;
    answerNextQuestion(clickCancel(), &seen);
    QVERIFY(!frame.close());
    QVERIFY(seen.shown);
    QCOMPARE(frame.programWindows().size(), 2);
    QVERIFY(!QFile::exists(folders.settingsFile()));
    // Asked again, No lets every window go and the frame close.
    answerNextQuestion(clickNo());
    QVERIFY(frame.close());
    QTRY_COMPARE(ProgramWindowCount, 0);
    QVERIFY(QFile::exists(folders.settingsFile()));
}

void TstMainFrame::relabelling_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("english") << 1;
    QTest::newRow("bulgarian") << 2;
    QTest::newRow("spanish") << 3;
}

void TstMainFrame::relabelling()
{
    QFETCH(int, language);
    TestFolders folders;
    ScriptedDialogs dialogs;
    frmMain frame;
    QVERIFY(frame.startUp());
    frmProgram *background = frame.programWindows().first();
    frame.NewProgramWindow(0);
    frmProgram *front = frame.activeProgram();
    // Round the languages once, so that every text is relabelled from a foreign one.
    for (int other = 1; other <= 3; ++other)
        frame.changeLanguage(qint16(other));
    frame.changeLanguage(qint16(language));

    const std::pair<const char *, int> entries[] = {{"mnuFile", 101},
                                                    {"mnuFileNew", 102},
                                                    {"mnuFileSaveAs", 106},
                                                    {"mnuFileExit", 108},
                                                    {"mnuEditPaste", 113},
                                                    {"mnuEditFindNext", 116},
                                                    {"mnuFormatUnderline", 122},
                                                    {"mnuProgramNumbering", 125},
                                                    {"mnuCommunicationReceive", 128},
                                                    {"mnuWindowTileVertical", 133},
                                                    {"mnuToolsChangeSpanish", 137},
                                                    {"mnuTools", 143},
                                                    {"mnuToolsOptions", 144},
                                                    {"mnuHelpContents", 139},
                                                    {"mnuHelpAbout", 142}};
    for (const auto &[name, offset] : entries)
        QCOMPARE(frame.menuEntry(QLatin1String(name))->text(), golden(language, offset));
    QCOMPARE(frame.menuEntry(QStringLiteral("mnuCommunicationRemote"))->text(),
             QStringLiteral("Remote"));
    QCOMPARE(frame.toolbarButton(QStringLiteral("Save"))->toolTip(), golden(language, 303));
    QCOMPARE(frame.toolbarButton(QStringLiteral("Receive"))->toolTip(), golden(language, 314));
    QCOMPARE(front->stbPanel[0]->text(), golden(language, 1));
    QCOMPARE(background->stbPanel[0]->text(), golden(language, 1));
    QCOMPARE(frame.windowTitle(), QStringLiteral("Kordavel"));
    const char *help[] = {"", "/Kordavel.chm", "/Kordavelbg.chm", "/Kordaveles.chm"};
    QVERIFY(frame.helpFile().endsWith(QLatin1String(help[language])));
    QVERIFY(frame.close());
    QCOMPARE(storedSettings(folders).value("Settings/Language").toString(),
             QString::number(language));
}

QTEST_MAIN(TstMainFrame)
#include "tst_mainframe.moc"
