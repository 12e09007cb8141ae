// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmProgram.h"

#include "FileDialogChoice.h"
#include "FileSendView.h"
#include "PaneHandle.h"
#include "PreviewSplit.h"
#include "ProgramPanel.h"
#include "SendSource.h"
#include "TransferSteps.h"
#include "frmPreview.h"
#include "frmQuestion.h"

#include "common/AppState.h"
#include "common/CommonDialog.h"
#include "common/MessageBox.h"
#include "common/Twips.h"
#include "dnc/ucDnc.h"
#include "editor/ProgramView.h"
#include "editor/RichTextBox.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <utility>

namespace kordavel {

namespace {

// The time left panel, in twips: "0:00:00" and its frame.
constexpr double kTimeLeftWidth = 1200;

} // namespace

frmProgram::frmProgram(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmProgram"));
    rtfText = new RichTextBox(this);
    rtfText->setObjectName(QStringLiteral("rtfText"));
    m_text = rtfText;
    rtfRemote = new RichTextBox(this);
    rtfRemote->setObjectName(QStringLiteral("rtfRemote"));
    rtfRemote->hide();
    stbStatus = new QStatusBar(this);
    stbStatus->setObjectName(QStringLiteral("stbStatus"));
    stbStatus->setSizeGripEnabled(false);
    for (int i = 0; i < 4; ++i) {
        stbPanel[i] = new QLabel(stbStatus);
        stbPanel[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        stbPanel[i]->setMinimumWidth(80);
    }
    // The time left stands between the operation and the count.
    for (const int i : {0, 1, 3, 2})
        stbStatus->addWidget(stbPanel[i], i == 0 ? 1 : 0);
    stbPanel[0]->setText(QStringLiteral("Ready"));
    setFocusProxy(rtfText);

    // The channel works unseen; the panel at the right edge sets it up.
    ucDnc1 = new ucDnc(this);
    ucDnc1->setObjectName(QStringLiteral("ucDnc1"));
    ucDnc1->hide();
    connect(ucDnc1, &ucDnc::Status, this, &frmProgram::ucDnc1_Status);
    connect(ucDnc1, &ucDnc::ErrorStatus, this, &frmProgram::ucDnc1_ErrorStatus);
    connect(ucDnc1, &ucDnc::Finished, this, &frmProgram::channelFinished);
    connect(ucDnc1, &ucDnc::HoldChanged, this, &frmProgram::noteHold);
    picControl = new ProgramPanel(
        ucDnc1, [this](const QString &name) { return SetMachineIcon(name); }, this);
    panelArea = new QScrollArea(this);
    panelArea->setObjectName(QStringLiteral("panelArea"));
    panelArea->setFrameShape(QFrame::NoFrame);
    panelArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    panelArea->setWidget(picControl);
    tEvent = new QTimer(this);
    tEvent->setObjectName(QStringLiteral("tEvent"));
    tEvent->setInterval(400);
    tEvent->setTimerType(Qt::PreciseTimer);
    connect(tEvent, &QTimer::timeout, this, &frmProgram::tEvent_Timer);
    m_feed = new QTimer(this);
    m_feed->setObjectName(QStringLiteral("feed"));
    m_feed->setSingleShot(true);
    m_feed->setTimerType(Qt::PreciseTimer);
    connect(m_feed, &QTimer::timeout, this, &frmProgram::feedStep);
    m_receiveMore = new QTimer(this);
    m_receiveMore->setSingleShot(true);
    connect(m_receiveMore, &QTimer::timeout, this, &frmProgram::receiveMore);
    const auto escape = [this](int keyCode) {
        if (keyCode == 27)
            StopSending();
    };
    connect(rtfText, &RichTextBox::KeyDown, this, escape);
    connect(rtfRemote, &RichTextBox::KeyDown, this, escape);

    // Changed follows the history: an Undo back to the text as saved leaves it unchanged.
    connect(rtfText, &RichTextBox::modificationChanged, this, [this](bool modified) {
        bModified = modified;
        showCaption();
    });
    connect(this, &QWidget::windowTitleChanged, this, &frmProgram::showCaption);
    connect(rtfText, &RichTextBox::SelChange, this, &frmProgram::showFormatState);
    connect(rtfText, &RichTextBox::KeyPress, this, &frmProgram::filterKey);
    connect(rtfText, &RichTextBox::fileProgress, this, [this](bool saving, int percent) {
        showWorkProgress(saving ? GetString(QStringLiteral("Saving"), 446)
                                : GetString(QStringLiteral("Opening"), 445),
                         percent);
    });
    connect(rtfText, &RichTextBox::workProgress, this, [this](RichTextBox::Work work, int percent) {
        QString caption;
        if (work == RichTextBox::Work::Undo)
            caption = GetString(QStringLiteral("Undo"), 110);
        else if (work == RichTextBox::Work::Redo)
            caption = GetString(QStringLiteral("Redo"), 530);
        else if (m_cleaning)
            caption = GetString(QStringLiteral("Cleaning"), 533);
        else
            caption = GetString(QStringLiteral("Numbering"), 532);
        showWorkProgress(caption, percent);
    });
    connect(rtfText, &RichTextBox::fileSaved, this, &frmProgram::saveEnded);
    connect(rtfText, &RichTextBox::fileOpened, this, [this](bool ok) {
        m_openProblem = rtfText->openProblem();
        emit programOpened(ok);
    });

    // The load step.
    layoutWindow();
    showFormatState();
    picControl->Fill();
    bModified = false;
    picControl->LoadDefaults();
    picControl->SetLanguage();
    layoutWindow(); // the panel is as wide as its captions in this language
    tEvent->start();
}

void frmProgram::useView(bool on)
{
    if (on == (m_view != nullptr))
        return;
    const bool focused = m_text->widget()->hasFocus();
    if (on) {
        m_view = new ProgramView(this);
        m_view->setObjectName(QStringLiteral("programView"));
        m_view->setHighlighting(rtfText->highlighting());
        m_view->setLineNumbers(rtfText->lineNumbers());
        m_view->setContextMenuPolicy(rtfText->contextMenuPolicy());
        connect(m_view, &ProgramView::KeyDown, this, [this](int keyCode) {
            if (keyCode == 27)
                StopSending();
        });
        connect(m_view, &ProgramView::modificationChanged, this, [this](bool modified) {
            bModified = modified;
            showCaption();
        });
        connect(m_view, &ProgramView::KeyPress, this, &frmProgram::filterKey);
        connect(m_view, &ProgramView::fileSaved, this, &frmProgram::saveEnded);
        m_text = m_view;
        rtfText->hide();
        m_view->show();
    } else {
        m_text = rtfText;
        rtfText->show();
        delete std::exchange(m_view, nullptr);
    }
    setFocusProxy(m_text->widget());
    if (focused)
        m_text->widget()->setFocus();
    layoutWindow();
    showFormatState();
    emit editorChanged();
}

void frmProgram::openProgram(const QString &path)
{
    if (formatForFileName(path) == FileFormat::Rtf) {
        useView(false);
        rtfText->openFile(path);
        return;
    }
    useView(true);
    m_view->openFile(path);
    m_openProblem = m_view->openProblem();
    const bool ok = m_openProblem.ok();
    if (ok && plainTextEncoding(m_view->buffer().loadedBytes()) == TextEncoding::Utf8) {
        // Characters beyond ASCII in UTF-8 (a CAM post's "(Ø6 FLAT)"): the view shows one
        // byte as one character, the rich-text control reads them as they are meant.
        useView(false);
        rtfText->openFile(path);
        return;
    }
    // Nothing was read: the window is a new program, in the rich-text control.
    if (!ok)
        useView(false);
    emit programOpened(ok);
}

frmProgram::~frmProgram()
{
    --ProgramWindowCount;
}

void frmProgram::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutWindow();
}

// Text panes to the left of the panel, the preview (when open) between them, the status bar
// along the bottom. The panel scrolls when the window is lower than it. A step that would
// give a negative size is skipped.
void frmProgram::layoutWindow()
{
    const int statusHeight = stbStatus->sizeHint().height();
    const int paneHeight = height() - statusHeight;
    const bool scrolls = picControl->height() > paneHeight;
    const int panelWidth =
        picControl->width() + (scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0);
    const ProgramLayout layout = computeProgramLayout(
        pixelsToTwipsX(width()), pixelsToTwipsY(height()), pixelsToTwipsX(panelWidth),
        pixelsToTwipsY(statusHeight), actAction == actRemote);
    // The scroll bar shows exactly when the width above has room for it.
    panelArea->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (paneHeight >= 0) {
        stbStatus->setGeometry(0, paneHeight, width(), statusHeight);
        panelArea->setGeometry(std::max(0, width() - panelWidth), 0, panelWidth, paneHeight);
    }
    rtfRemote->setVisible(layout.remoteShown);
    const bool previewShown = m_preview && !m_preview->isHidden();
    if (m_previewHandle)
        m_previewHandle->setVisible(previewShown);
    if (layout.panesValid) {
        const int remoteWidth = twipsToPixelsX(layout.remoteWidth);
        if (layout.remoteShown)
            rtfRemote->setGeometry(0, 0, remoteWidth, paneHeight);
        const int textLeft = layout.remoteShown ? remoteWidth : 0;
        const int area = std::max(0, width() - panelWidth - textLeft);
        PreviewSplit split{area, 0, 0};
        if (previewShown)
            split = splitForPreview(area, m_previewShare, m_preview->minimumSizeHint().width());
        m_text->widget()->setGeometry(textLeft, 0, split.text, paneHeight);
        if (previewShown) {
            m_previewHandle->setGeometry(textLeft + split.text, 0, split.handle, paneHeight);
            m_preview->setGeometry(textLeft + split.text + split.handle, 0, split.preview,
                                   paneHeight);
        }
        if (fileView)
            fileView->setGeometry(m_text->widget()->geometry());
    }
    if (layout.panel3Valid)
        stbPanel[2]->setFixedWidth(twipsToPixelsX(layout.panel3));
    if (layout.panels12Valid) {
        // The time left takes its width from the status panel's.
        const int timeWidth = twipsToPixelsX(kTimeLeftWidth);
        stbPanel[3]->setFixedWidth(timeWidth);
        stbPanel[1]->setFixedWidth(twipsToPixelsX(layout.panel2));
        stbPanel[0]->setFixedWidth(std::max(0, twipsToPixelsX(layout.panel1) - timeWidth));
    }
}

void frmProgram::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        StopSending();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Program text takes printable ASCII; letters become capitals. Backspace puts no character
// in: it deletes the one before the caret.
void frmProgram::filterKey(int &keyAscii)
{
    if (keyAscii >= 32 && keyAscii <= 127) {
        if (keyAscii >= 'a' && keyAscii <= 'z')
            keyAscii -= 32;
        return;
    }
    if (keyAscii == 13 || keyAscii == 8)
        return;
    keyAscii = 0;
    Beep();
}

// What the window's frame shows: the caption, and a "*" after it while the program holds
// changes not saved. The caption itself stays the file's name.
void frmProgram::showCaption()
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->setWindowTitle(shownCaption());
}

QString frmProgram::shownCaption() const
{
    return bModified ? windowTitle() + QLatin1Char('*') : windowTitle();
}

void frmProgram::showFormatState()
{
    // A program in the view has no formatting.
    RichTextBox *box = richText(m_text);
    const auto all = [box](RichTextBox::TriState (RichTextBox::*state)() const) {
        return box && (box->*state)() == RichTextBox::TriState::All;
    };
    emit buttonState(QStringLiteral("Bold"), all(&RichTextBox::selBold));
    emit buttonState(QStringLiteral("Italic"), all(&RichTextBox::selItalic));
    emit buttonState(QStringLiteral("Underline"), all(&RichTextBox::selUnderline));
}

void frmProgram::Activate()
{
    SetLanguage();
    if (actAction == actIdle || actAction == actSend || actAction == actReceive) {
        emit buttonState(QStringLiteral("Send"), actAction == actSend);
        emit buttonState(QStringLiteral("Receive"), actAction == actReceive);
    }
}

bool frmProgram::SetLanguage()
{
    stbPanel[0]->setText(GetString(stbPanel[0]->text(), 1));
    if (actAction == actSend && m_sendClock.held())
        showHold();
    if (m_stopping)
        stbPanel[1]->setText(GetString(QStringLiteral("Stopping after this block"), 543));
    picControl->SetLanguage();
    // The preview's least width follows its captions.
    if (m_preview)
        m_preview->SetLanguage();
    layoutWindow();
    return true;
}

bool frmProgram::writeTo(const QString &path, bool asNewName)
{
    if (m_text->isSaving())
        return false; // the save under way ends first
    m_savePath = path;
    m_saveAsNewName = asNewName;
    const bool written = asNewName ? m_text->saveFileAs(path) : m_text->saveFile(path);
    m_longSave = written && m_text->isSaving();
    if (!m_longSave)
        saveEnded(written);
    return written;
}

void frmProgram::saveEnded(bool ok)
{
    if (ok) {
        bModified = false;
        showCaption();
        // The caption names the program's file: it changes only once the file is written.
        if (m_saveAsNewName) {
            setWindowTitle(m_savePath);
            bFlagNew = false;
            noteProgramFile(m_savePath);
        }
        emit fileSaved(m_savePath);
    } else if (!m_text->saveError().isEmpty()) {
        MsgBox(GetString(QStringLiteral("The file could not be saved."), 510) + QLatin1Char('\n') +
                   m_savePath + QLatin1Char('\n') + m_text->saveError(),
               MsgIcon::Exclamation, QLatin1String(kProductName), this);
    }
    if (!m_longSave)
        return;
    m_longSave = false;
    if (std::exchange(m_closeAfterSave, false) && ok) {
        // The window closes once the save its close asked for has written the file.
        auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
        frame ? frame->close() : close();
    }
    emit saveFinished(ok);
}

bool frmProgram::isSaving() const
{
    return m_text->isSaving();
}

bool frmProgram::SaveFile()
{
    if (bFlagNew)
        return SaveAsFile();
    return writeTo(windowTitle(), false);
}

bool frmProgram::SaveAsFile()
{
    if (m_text->isSaving())
        return false;
    const std::optional<QString> name = CommonDialog::instance().showSave(
        this, QStringLiteral("Save As"), programFileFilter(),
        saveAsDialogStart(lastProgramFile(), windowTitle(), bFlagNew));
    if (!name || name->isEmpty())
        return false;
    return writeTo(*name, true);
}

void frmProgram::showWorkProgress(const QString &caption, int percent)
{
    if (percent < 0) {
        delete m_fileProgress;
        m_fileProgress = nullptr;
        return;
    }
    if (!m_fileProgress) {
        m_fileProgress = new QProgressBar(stbStatus);
        m_fileProgress->setRange(0, 100);
        stbStatus->insertWidget(0, m_fileProgress, 1);
    }
    m_fileProgress->setFormat(caption + QStringLiteral(" %p%"));
    m_fileProgress->setValue(percent);
}

void frmProgram::closeEvent(QCloseEvent *event)
{
    // A save, a rewrite, or the Undo or Redo of one, under way finishes first; its window
    // stays open. So does a stop that lets the block on the line finish: the window closes
    // once it has ended.
    if (m_text->isSaving() || m_text->isBusy() || m_closeAfterStop) {
        event->ignore();
        return;
    }
    if (bModified && !std::exchange(m_closeDecided, false)) {
        switch (AskQuestion(232, true, QFileInfo(windowTitle()).fileName())) {
        case frmQuestion::Yes:
            if (!SaveFile()) {
                event->ignore();
                return;
            }
            if (m_text->isSaving()) {
                // A long program: the window closes when the save has ended well.
                m_closeAfterSave = true;
                event->ignore();
                return;
            }
            break;
        case frmQuestion::No:
            break;
        default:
            event->ignore();
            return;
        }
    }
    if (!m_stopping)
        stopAfterBlock();
    if (m_stopping) {
        m_closeAfterStop = true;
        event->ignore();
        return;
    }
    endTransferForClose();
    event->accept();
}

} // namespace kordavel
