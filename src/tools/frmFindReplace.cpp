// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmFindReplace.h"

#include "TextSearch.h"

#include "common/AppState.h"
#include "common/Twips.h"
#include "editor/ProgramText.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace kordavel {

namespace {

QPointer<frmFindReplace> g_dialog;

ProgramText *noEditor()
{
    return nullptr;
}

// The keyboard goes to the editor: its window becomes the active one, and the find dialog
// stays on top without the keyboard.
void focusEditor(ProgramText *editor)
{
    editor->widget()->activateWindow();
    editor->widget()->setFocus();
}

std::function<ProgramText *()> &editorSource()
{
    static std::function<ProgramText *()> source = noEditor;
    return source;
}

std::function<void(const QString &)> &reportSink()
{
    static std::function<void(const QString &)> sink;
    return sink;
}

void report(const QString &text)
{
    if (reportSink())
        reportSink()(text);
}

// Enter in a combo box lists its text; in the find box it then searches.
class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QObject *parent, std::function<void()> onEnter)
        : QObject(parent), m_onEnter(std::move(onEnter))
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_onEnter();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onEnter;
};

QComboBox *makeCombo(QWidget *parent, const char *name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setDuplicatesEnabled(true);
    return box;
}

QPushButton *makeButton(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QPushButton(QLatin1String(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false); // Enter belongs to the combo boxes
    return button;
}

} // namespace

void addSorted(QComboBox *box, const QString &text)
{
    int at = box->count();
    for (int i = 0; i < box->count(); ++i) {
        if (QString::compare(box->itemText(i), text, Qt::CaseInsensitive) > 0) {
            at = i;
            break;
        }
    }
    const QString typed = box->currentText();
    box->insertItem(at, text);
    box->setEditText(typed);
}

frmFindReplace *frmFindReplace::loaded()
{
    return g_dialog;
}

frmFindReplace &frmFindReplace::load()
{
    if (!g_dialog)
        g_dialog = new frmFindReplace;
    return *g_dialog;
}

void frmFindReplace::setEditorSource(std::function<ProgramText *()> source)
{
    editorSource() = source ? std::move(source) : noEditor;
}

void frmFindReplace::setReportSink(std::function<void(const QString &)> sink)
{
    reportSink() = std::move(sink);
}

ProgramText *findTarget()
{
    return editorSource()();
}

frmFindReplace::frmFindReplace() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("frmFindReplace"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Find"));
    setFixedSize(twipsToPixelsX(5244), twipsToPixelsY(2016));

    lblFind = new QLabel(QStringLiteral("Find:"), this);
    lblFind->setObjectName(QStringLiteral("lblFind"));
    cboFind = makeCombo(this, "cboFind");
    cboFind->setToolTip(QStringLiteral("What to find"));
    lblReplace = new QLabel(QStringLiteral("Replace:"), this);
    lblReplace->setObjectName(QStringLiteral("lblReplace"));
    cboReplace = makeCombo(this, "cboReplace");
    cboReplace->setToolTip(QStringLiteral("What to replace"));
    cmdFindNext = makeButton(this, "cmdFindNext", "Find Next");
    cmdCancel = makeButton(this, "cmdCancel", "Cancel");
    cmdReplace = makeButton(this, "cmdReplace", "Replace");
    cmdReplaceAll = makeButton(this, "cmdReplaceAll", "Replace All");

    placeInTwips(lblFind, 240, 240, 1092, 252);
    placeInTwips(cboFind, 1320, 220, 2172, 288);
    placeInTwips(lblReplace, 240, 864, 1092, 252);
    placeInTwips(cboReplace, 1320, 840, 2172, 288);
    placeInTwips(cmdFindNext, 3720, 120, 1452, 372);
    placeInTwips(cmdCancel, 3720, 600, 1452, 372);
    placeInTwips(cmdReplace, 3720, 1080, 1452, 372);
    placeInTwips(cmdReplaceAll, 3720, 1560, 1452, 372);
    setTabOrder(cboFind, cboReplace);
    setTabOrder(cboReplace, cmdFindNext);
    setTabOrder(cmdFindNext, cmdCancel);
    setTabOrder(cmdCancel, cmdReplace);
    setTabOrder(cmdReplace, cmdReplaceAll);

    const auto command = [this](qint32 action) {
        return [this, action] {
            qint32 a = action;
            FindReplaceCommand(a);
        };
    };
    auto *findEnter = new EnterKeyFilter(this, [this] {
        addSorted(cboFind, cboFind->currentText());
        qint32 action = FindNext;
        FindReplaceCommand(action);
    });
    auto *replaceEnter =
        new EnterKeyFilter(this, [this] { addSorted(cboReplace, cboReplace->currentText()); });
    cboFind->installEventFilter(findEnter);
    cboFind->lineEdit()->installEventFilter(findEnter);
    cboReplace->installEventFilter(replaceEnter);
    cboReplace->lineEdit()->installEventFilter(replaceEnter);
    connect(cmdFindNext, &QPushButton::clicked, this, command(FindNext));
    connect(cmdReplace, &QPushButton::clicked, this, command(Replace));
    connect(cmdReplaceAll, &QPushButton::clicked, this, command(ReplaceAll));
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);

    SetLanguage();
}

frmFindReplace::~frmFindReplace()
{
    FindDialogShown = false;
}

bool frmFindReplace::SetLanguage()
{
    setWindowTitle(GetString(windowTitle(), 223));
    lblFind->setText(GetString(lblFind->text(), 224));
    lblReplace->setText(GetString(lblReplace->text(), 225));
    cmdFindNext->setText(GetString(cmdFindNext->text(), 226));
    cmdCancel->setText(GetString(cmdCancel->text(), 227));
    cmdReplace->setText(GetString(cmdReplace->text(), 228));
    cmdReplaceAll->setText(GetString(cmdReplaceAll->text(), 229));
    cboFind->setToolTip(GetString(cboFind->toolTip(), 331));
    cboReplace->setToolTip(GetString(cboReplace->toolTip(), 332));
    fitTextsInTwipsLayout(this);
    return true;
}

qint32 frmFindReplace::FindAnswer()
{
    show();
    FindDialogShown = true;
    move(100, 100);
    raise();
    activateWindow();
    return 0;
}

bool frmFindReplace::FindReplaceCommand(qint32 &action)
{
    ProgramText *editor = findTarget();
    if (!editor)
        return false;
    bool useLastText = false;
    switch (action) {
    case FindNext:
        FindNextMatch(useLastText);
        break;
    case Replace:
        // The program text may not change under a transfer.
        if (editor->locked())
            break;
        editor->setSelText(cboReplace->currentText());
        FindNextMatch(useLastText);
        break;
    case ReplaceAll:
        LastFindText = cboFind->currentText();
        if (editor->locked())
            break;
        if (const int count = replaceAllMatches(*editor, LastFindText, cboReplace->currentText());
            count > 0) {
            report(GetString(QStringLiteral("Replaced: %1"), 555).arg(count));
            focusEditor(editor);
        } else if (!LastFindText.isEmpty()) {
            report(GetString(QStringLiteral("Not found: %1"), 554).arg(LastFindText));
        }
        break;
    default:
        break;
    }
    return true;
}

bool FindNextMatch(bool &useLastText)
{
    if (!useLastText) {
        if (frmFindReplace *dialog = frmFindReplace::loaded())
            LastFindText = dialog->cboFind->currentText();
    }
    if (LastFindText.isEmpty())
        return false;
    ProgramText *editor = findTarget();
    if (!editor)
        return false;
    if (!selectNextMatch(*editor, LastFindText)) {
        report(GetString(QStringLiteral("Not found: %1"), 554).arg(LastFindText));
        return true;
    }
    report(QString());
    focusEditor(editor);
    return false;
}

void ShowFindDialog()
{
    frmFindReplace::load().FindAnswer();
}

void CloseFindDialog()
{
    if (frmFindReplace *dialog = frmFindReplace::loaded())
        dialog->close();
}

void FollowFrameState(bool frameMinimized)
{
    frmFindReplace *dialog = frmFindReplace::loaded();
    if (!FindDialogShown || !dialog)
        return;
    if (frameMinimized)
        dialog->showMinimized();
    else if (dialog->isMinimized())
        dialog->showNormal();
}

} // namespace kordavel
