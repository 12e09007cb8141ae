#include "frmProgram.h"

#include "frmQuestion.h"

#include "app/AppState.h"
#include "app/CommonDialog.h"
#include "app/MessageBox.h"
#include "app/frmMain.h"
#include "editor/RichTextBox.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>

namespace kordavel {

frmProgram::frmProgram(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmProgram"));
    rtfText = new RichTextBox(this);
    rtfText->setObjectName(QStringLiteral("rtfText"));
    rtfRemote = new RichTextBox(this);
    rtfRemote->setObjectName(QStringLiteral("rtfRemote"));
    rtfRemote->hide();
    stbStatus = new QStatusBar(this);
    stbStatus->setObjectName(QStringLiteral("stbStatus"));
    stbStatus->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        stbPanel[i] = new QLabel(stbStatus);
        stbPanel[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        stbPanel[i]->setMinimumWidth(80);
        stbStatus->addWidget(stbPanel[i], i == 0 ? 1 : 0);
    }
    stbPanel[0]->setText(QStringLiteral("Ready"));
    setFocusProxy(rtfText);

    connect(rtfText, &RichTextBox::Change, this, [this] { bModified = true; });
    connect(rtfText, &RichTextBox::SelChange, this, &frmProgram::showFormatState);
    connect(rtfText, &RichTextBox::KeyPress, this, &frmProgram::filterKey);

    // The load step.
    layoutWindow();
    showFormatState();
    bModified = false;
}

frmProgram::~frmProgram()
{
    --ProgramWindowCount;
    if (frmMain *frame = frmMain::instance())
        frame->RefreshCommands();
}

void frmProgram::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutWindow();
}

void frmProgram::layoutWindow()
{
    const int statusHeight = stbStatus->sizeHint().height();
    const int w = width();
    const int h = height();
    if (h - statusHeight < 0)
        return;
    rtfText->setGeometry(0, 0, w, h - statusHeight);
    stbStatus->setGeometry(0, h - statusHeight, w, statusHeight);
}

// Program text takes printable ASCII; letters become capitals.
void frmProgram::filterKey(int &keyAscii)
{
    if (keyAscii >= 32 && keyAscii <= 127) {
        if (keyAscii >= 'a' && keyAscii <= 'z')
            keyAscii -= 32;
        return;
    }
    if (keyAscii == 13)
        return;
    keyAscii = 0;
    Beep();
}

void frmProgram::showFormatState()
{
    frmMain *frame = frmMain::instance();
    if (!frame)
        return;
    frame->setButtonValue(QStringLiteral("Bold"), rtfText->selBold() == RichTextBox::TriState::All);
    frame->setButtonValue(QStringLiteral("Italic"),
                          rtfText->selItalic() == RichTextBox::TriState::All);
    frame->setButtonValue(QStringLiteral("Underline"),
                          rtfText->selUnderline() == RichTextBox::TriState::All);
}

void frmProgram::Activate()
{
    SetLanguage();
    frmMain *frame = frmMain::instance();
    if (!frame)
        return;
    if (actAction == actIdle || actAction == actSend || actAction == actReceive) {
        frame->setButtonValue(QStringLiteral("Send"), actAction == actSend);
        frame->setButtonValue(QStringLiteral("Receive"), actAction == actReceive);
    }
}

bool frmProgram::SetLanguage()
{
    stbPanel[0]->setText(GetString(stbPanel[0]->text(), 1));
    return true;
}

bool frmProgram::writeTo(const QString &path, bool asNewName)
{
    const bool written = asNewName ? rtfText->saveFileAs(path) : rtfText->saveFile(path);
    if (written)
        bModified = false;
    return written;
}

bool frmProgram::SaveFile()
{
    if (bFlagNew) {
        const bool saved = SaveAsFile();
        bFlagNew = !saved;
        return saved;
    }
    return writeTo(windowTitle(), false);
}

bool frmProgram::SaveAsFile()
{
    const std::optional<QString> name = CommonDialog::instance().showSave(
        this, QStringLiteral("Save As"), QLatin1String(kProgramFileFilter));
    if (!name || name->isEmpty())
        return false;
    setWindowTitle(*name);
    return writeTo(*name, true);
}

void frmProgram::closeEvent(QCloseEvent *event)
{
    if (!bModified) {
        event->accept();
        return;
    }
    switch (AskQuestion(232, true)) {
    case frmQuestion::Yes:
        if (!SaveFile()) {
            event->ignore();
            return;
        }
        actAction = actIdle;
        event->accept();
        return;
    case frmQuestion::No:
        actAction = actIdle;
        event->accept();
        return;
    default:
        event->ignore();
        return;
    }
}

} // namespace kordavel
