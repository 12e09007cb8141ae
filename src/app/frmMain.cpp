// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmMain.h"

#include "CaretPanel.h"
#include "FileHandOver.h"
#include "KeyStatePanels.h"
#include "PrivateFolder.h"
#include "WindowPlacement.h"

#include "common/AppState.h"
#include "common/MessageBox.h"
#include "common/Resources.h"
#include "common/SettingsStore.h"
#include "common/Twips.h"

#include "editor/ProgramView.h"
#include "editor/RichTextBox.h"
#include "program/FileProblemText.h"
#include "program/frmProgram.h"
#include "program/frmQuestion.h"
#include "tools/frmFindReplace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>

#include <utility>

namespace kordavel {

namespace {

const QString kSettings = QStringLiteral("Settings");

// The lock that tells a second copy of the program that the first one runs, in the user's
// private folder. A lock left by a copy that crashed belongs to a process that is gone and
// does not count; one that is not a file of the user's own (a link, another user's file) is
// no lock of this program and is removed. Null when another copy holds the lock; without a
// private folder, or when the test itself fails, the program runs with a lock not taken.
std::unique_ptr<QLockFile> takeInstanceLock(const QString &folder)
{
    if (folder.isEmpty())
        return std::make_unique<QLockFile>(QString());
    const QString path = folder + QStringLiteral("/kordavel.lock");
    auto lock = std::make_unique<QLockFile>(path);
    if (entryAt(path, S_IFREG) == Entry::Foreign && !QFile::remove(path))
        return lock;
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    if (lock->error() == QLockFile::LockFailedError)
        return nullptr;
    return lock;
}

// The stored placement in pixels. Values are taken as they are, with no check against the
// screen, within what the platform can make: a window at most four times the virtual
// desktop (and no larger than a widget can be), placed at most that far from it.
QRect placementInPixels(double left, double top, double width, double height)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->virtualGeometry() : QRect(0, 0, 1920, 1080);
    const qint64 maxWidth = std::min<qint64>(QWIDGETSIZE_MAX, 4 * qint64(desktop.width()));
    const qint64 maxHeight = std::min<qint64>(QWIDGETSIZE_MAX, 4 * qint64(desktop.height()));
    const auto within = [](int pixels, qint64 low, qint64 high) {
        return int(std::clamp<qint64>(pixels, low, high));
    };
    return QRect(
        within(twipsToPixelsX(left), desktop.left() - maxWidth, desktop.right() + maxWidth),
        within(twipsToPixelsY(top), desktop.top() - maxHeight, desktop.bottom() + maxHeight),
        within(twipsToPixelsX(width), 1, maxWidth), within(twipsToPixelsY(height), 1, maxHeight));
}

} // namespace

frmMain::frmMain()
{
    initResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QLatin1String(kProductName));
    setWindowIcon(QIcon(QStringLiteral(":/kordavel.svg")));
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    m_mdi->viewport()->installEventFilter(this);
    buildMenus();
    buildToolbar();
    buildStatusBar();
    menuEntry(QStringLiteral("mnuToolsHighlight"))
        ->setChecked(GetSettingInt16(kSettings, QStringLiteral("Highlight"), 1) != 0);
    menuEntry(QStringLiteral("mnuToolsLineNumbers"))
        ->setChecked(GetSettingInt16(kSettings, QStringLiteral("LineNumbers"), 1) != 0);
    m_recent.load();
    showRecentFiles();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sub) {
        auto *program = sub ? qobject_cast<frmProgram *>(sub->widget()) : nullptr;
        if (program)
            program->Activate();
        m_caretPanel->follow(program ? program->editor() : nullptr);
        refreshUndoRedo();
    });
    refreshUndoRedo();
}

frmMain::~frmMain()
{
    // Windows that go with the frame report to nobody, nor does the area that holds them
    // (hiding its windows as the frame goes activates others).
    disconnect(m_mdi, nullptr, this, nullptr);
    m_caretPanel->follow(nullptr);
    for (frmProgram *program : m_mdi->findChildren<frmProgram *>()) {
        disconnect(program, nullptr, this, nullptr);
        disconnect(program->rtfText, nullptr, this, nullptr);
        disconnect(program->editor()->widget(), nullptr, this, nullptr);
    }
    if (IsFirstInstance) {
        frmFindReplace::setEditorSource(nullptr);
        frmFindReplace::setReportSink(nullptr);
    }
    frmQuestion::releaseInstance();
}

// A program window is gone: the document menus follow, and the find dialog goes with the
// last window.
void frmMain::programClosed()
{
    RefreshCommands();
    refreshUndoRedo();
    if (ProgramWindowCount < 1)
        CloseFindDialog();
}

bool frmMain::startUp(const QStringList &files)
{
    QApplication::setApplicationName(QLatin1String(kProductName));
    setLanguageNumber(GetSettingInt16(kSettings, QStringLiteral("Language"), 1));
    applyPlacement();

    m_lock = takeInstanceLock(runtimeFolder());
    if (!m_lock) {
        IsFirstInstance = false;
        // Files named at a second start go to the running copy; this one ends quietly. The
        // running copy takes only files that are there: this one says why it keeps the rest.
        if (!files.isEmpty()) {
            QStringList handed;
            for (const QString &file : files) {
                const FileCheck check = checkRegularFile(file);
                if (check.ok())
                    handed << file;
                else
                    MsgBox(fileProblemText(file, check), MsgIcon::Exclamation,
                           QLatin1String(kProductName), this);
            }
            if (handed.isEmpty() || FileHandOver::handOver(handed)) {
                close();
                return false;
            }
        }
        MsgBox(GetString(QLatin1String(kProductName), 0) + GetString(QString(), 401),
               MsgIcon::Critical, QLatin1String(kProductName));
        close();
        return false;
    }
    IsFirstInstance = true;
    // The find commands act on the active program window of the running copy.
    frmFindReplace::setEditorSource([this]() -> ProgramText * {
        frmProgram *program = activeProgram();
        return program ? program->editor() : nullptr;
    });
    // What they found, or not, and what they replaced shows in the status bar.
    frmFindReplace::setReportSink([this](const QString &report) {
        report.isEmpty() ? statusBar()->clearMessage() : statusBar()->showMessage(report);
    });
    SetLanguage();
    ProgramWindowCount = 0;
    FindDialogShown = false;
    m_handOver = new FileHandOver(this);
    connect(m_handOver, &FileHandOver::filesArrived, this, [this](const QStringList &arrived) {
        for (const QString &file : arrived)
            openFile(file);
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    });
    m_handOver->listen();
    if (files.isEmpty())
        NewProgramWindow(0);
    for (const QString &file : files)
        openFile(file);
    if (m_outerTarget.isNull())
        showMaximized();
    else
        show();
    return true;
}

void frmMain::applyPlacement()
{
    const qint16 state = GetSettingInt16(kSettings, QStringLiteral("WindowState"), 2);
    if (state == 2) {
        m_outerTarget = QRect();
        setWindowState(Qt::WindowMaximized);
        return;
    }
    setWindowState(Qt::WindowNoState);
    const double left = GetSettingFloat(kSettings, QStringLiteral("MainLeft"), 1000);
    const double top = GetSettingFloat(kSettings, QStringLiteral("MainTop"), 1000);
    const double width = GetSettingFloat(kSettings, QStringLiteral("MainWidth"), 6500);
    const double height = GetSettingFloat(kSettings, QStringLiteral("MainHeight"), 6500);
    m_outerTarget = placementInPixels(left, top, width, height);
    move(m_outerTarget.topLeft());
    resize(m_outerTarget.size());
}

// The stored size is the outer rectangle; once the window manager has framed the window,
// take its frame off the size so that the outer rectangle matches.
void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_outerTarget.isNull() || isMaximized())
        return;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.width() > 0 || frame.height() > 0)
        resize(m_outerTarget.size() - frame);
    m_outerTarget = QRect();
}

void frmMain::savePlacement()
{
    if (isMinimized())
        return;
    if (isMaximized()) {
        SaveSetting(kSettings, QStringLiteral("WindowState"), QStringLiteral("2"));
        return;
    }
    const QRect outer = frameGeometry();
    SaveSetting(kSettings, QStringLiteral("WindowState"), QStringLiteral("0"));
    SaveSetting(kSettings, QStringLiteral("MainLeft"),
                QString::number(pixelsToTwipsX(outer.left())));
    SaveSetting(kSettings, QStringLiteral("MainTop"), QString::number(pixelsToTwipsY(outer.top())));
    SaveSetting(kSettings, QStringLiteral("MainWidth"),
                QString::number(pixelsToTwipsX(outer.width())));
    SaveSetting(kSettings, QStringLiteral("MainHeight"),
                QString::number(pixelsToTwipsY(outer.height())));
}

bool frmMain::closeAllPrograms()
{
    // Oldest window first; a window that refuses stops the shutdown.
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->close())
            return false;
    }
    return true;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (IsFirstInstance && !closeAllPrograms()) {
        // A window whose long program is being saved stays until the save ends, one whose
        // send finishes its block until that stop ends; the quit goes on from there (after a
        // save, when it was written).
        m_quitAfterWait = false;
        for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
            if (auto *program = qobject_cast<frmProgram *>(sub->widget()))
                m_quitAfterWait = m_quitAfterWait || program->isSaving() || program->Stopping();
        }
        event->ignore();
        return;
    }
    if (IsFirstInstance)
        savePlacement();
    SaveSetting(kSettings, QStringLiteral("Language"), QString::number(language()));
    event->accept();
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        RefreshCommands();
    if (event->type() == QEvent::WindowStateChange)
        followFindDialog();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // The windows of the start-up cascade again over the area's final size.
    if (watched == m_mdi->viewport() && event->type() == QEvent::Resize) {
        // A window the user has moved, sized, minimized or maximized keeps its place.
        std::optional<QPoint> previous;
        QList<std::pair<QPointer<QMdiSubWindow>, QRect>> still;
        for (const auto &[sub, placed] : std::as_const(m_unsized)) {
            if (!sub || sub->geometry() != placed || sub->isMaximized() || sub->isMinimized())
                continue;
            placeProgramWindow(sub, previous);
            previous = sub->pos();
            still.append({sub, sub->geometry()});
        }
        m_unsized = still;
    }
    return QMainWindow::eventFilter(watched, event);
}

frmProgram *frmMain::NewProgramWindow(qint32 mode)
{
    for (const char *key : {"Bold", "Italic", "Underline"})
        setButtonValue(QLatin1String(key), false);
    ++NewWindowCounter;
    auto *program = new frmProgram;
    connect(program, &frmProgram::buttonState, this, &frmMain::setButtonValue);
    connect(program, &frmProgram::startEnded, this,
            [this, program] { showTransferButtons(program); });
    connect(program, &QObject::destroyed, this, &frmMain::programClosed);
    connect(program, &frmProgram::fileSaved, this, &frmMain::noteRecent);
    const auto quitOn = [this](bool ok) {
        if (!std::exchange(m_quitAfterWait, false) || !ok)
            return;
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    };
    connect(program, &frmProgram::saveFinished, this, quitOn);
    connect(program, &frmProgram::stopEnded, this, [quitOn] { quitOn(true); });
    // The last window that shows in its own place is the one the new window follows.
    std::optional<QPoint> previous;
    for (QMdiSubWindow *other : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (!other->isHidden() && !other->isMinimized() && !other->isMaximized())
            previous = other->pos();
    auto *sub = m_mdi->addSubWindow(program);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(QIcon(QStringLiteral(":/kordavel.svg")));
    RichTextBox *editor = program->rtfText;
    editor->setHighlighting(menuEntry(QStringLiteral("mnuToolsHighlight"))->isChecked());
    editor->setLineNumbers(menuEntry(QStringLiteral("mnuToolsLineNumbers"))->isChecked());
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    // The control that shows the program reports here; a program view that takes the
    // rich-text control's place (a plain program opened) takes over.
    const auto watchEditor = [this, sub, program] {
        ProgramText *text = program->editor();
        auto *area = static_cast<QAbstractScrollArea *>(text->widget());
        disconnect(area, nullptr, this, nullptr);
        connectText(text, &RichTextBox::undoRedoChanged, &ProgramView::undoRedoChanged, this,
                    [this] { refreshUndoRedo(); });
        connect(area, &QWidget::customContextMenuRequested, this, [this, sub, area](QPoint at) {
            showEditMenu(sub, area->viewport()->mapToGlobal(at));
        });
        if (activeProgram() == program)
            m_caretPanel->follow(text);
        refreshUndoRedo();
    };
    watchEditor();
    connect(program, &frmProgram::editorChanged, this, watchEditor);
    program->setWindowTitle(QStringLiteral("Program ") + QString::number(NewWindowCounter));
    ++ProgramWindowCount;
    RefreshCommands();
    if (mode == 0)
        program->bFlagNew = true;
    else if (mode == 1)
        program->bFlagNew = false;
    placeProgramWindow(sub, previous);
    if (!isActiveWindow())
        m_unsized.append({sub, sub->geometry()});
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    program->editor()->widget()->setFocus();
    return program;
}

int frmMain::cascadeStep() const
{
    return m_mdi->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
}

void frmMain::placeProgramWindow(QMdiSubWindow *sub, const std::optional<QPoint> &previous)
{
    const QRect area = m_mdi->viewport()->rect();
    sub->setGeometry(cascadePlace(area, area.size() * 3 / 4, previous, cascadeStep()));
}

frmProgram *frmMain::activeProgram() const
{
    // The current child also while the frame itself is in the background.
    QMdiSubWindow *sub = m_mdi->currentSubWindow();
    return sub ? qobject_cast<frmProgram *>(sub->widget()) : nullptr;
}

QList<frmProgram *> frmMain::programWindows() const
{
    QList<frmProgram *> out;
    for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (auto *program = qobject_cast<frmProgram *>(sub->widget()))
            out << program;
    return out;
}

frmProgram *frmMain::unlockedProgram() const
{
    frmProgram *program = activeProgram();
    return program && !program->editor()->locked() ? program : nullptr;
}

void frmMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    auto *product = new QLabel(QLatin1String(kProductName), bar);
    product->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    product->setMinimumWidth(twipsToPixelsX(1440));
    bar->addWidget(product, 1);
    m_caretPanel = new CaretPanel(bar);
    m_keyPanels = new KeyStatePanels(bar, [this] {
        frmProgram *program = activeProgram();
        const RichTextBox *box = program ? richText(program->editor()) : nullptr;
        return !box || !box->overwriteMode();
    });
}

} // namespace kordavel
