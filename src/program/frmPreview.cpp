// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmPreview.h"

#include "ToolpathView.h"

#include "common/SettingsStore.h"
#include "editor/ProgramView.h"
#include "editor/RichTextBox.h"
#include "tools/MachineKind.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kordavel {

namespace {

// Lines read between two events: a few tens of milliseconds.
constexpr qsizetype kSliceLines = 20000;
// Words shown in the status line; the tooltip holds more.
constexpr int kStatusWords = 6;
constexpr int kTooltipWords = 200;
// Where the last choices are stored.
const QString kSection = QStringLiteral("Preview");

void store(const QString &key, int value)
{
    SaveSetting(kSection, key, QString::number(value));
}

} // namespace

frmPreview::frmPreview(ProgramText *editor, QWidget *parent) : QWidget(parent), m_editor(editor)
{
    setObjectName(QStringLiteral("frmPreview"));
    view = new ToolpathView(this);
    lblView = new QLabel(this);
    cboView = new QComboBox(this);
    cboView->setObjectName(QStringLiteral("cboView"));
    cboView->addItems({QStringLiteral("XY"), QStringLiteral("XZ"), QStringLiteral("YZ"),
                       QStringLiteral("Isometric")});
    chkLathe = new QCheckBox(this);
    chkLathe->setObjectName(QStringLiteral("chkLathe"));
    chkThousandths = new QCheckBox(this);
    chkThousandths->setObjectName(QStringLiteral("chkThousandths"));
    cmdFit = new QPushButton(this);
    cmdFit->setObjectName(QStringLiteral("cmdFit"));
    cmdClose = new QToolButton(this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setText(QStringLiteral("\u00d7"));
    cmdClose->setAutoRaise(true);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblStatus->setTextFormat(Qt::PlainText);
    // A long list wraps within the pane rather than widening it; the tooltip has it whole.
    lblStatus->setWordWrap(true);
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    cboView->setCurrentIndex(std::clamp<int>(GetSettingInt16(kSection, QStringLiteral("View"), 0),
                                             0, cboView->count() - 1));
    m_lastLathe = GetSettingInt16(kSection, QStringLiteral("Lathe"), 0) == 1;
    chkLathe->setChecked(m_lastLathe);
    chkThousandths->setChecked(GetSettingInt16(kSection, QStringLiteral("Thousandths"), 0) == 1);

    auto *bar = new QHBoxLayout;
    bar->addWidget(lblView);
    bar->addWidget(cboView);
    bar->addWidget(chkLathe);
    bar->addWidget(cmdFit);
    bar->addStretch(1);
    bar->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(chkThousandths);
    layout->addWidget(view, 1);
    layout->addWidget(lblStatus);

    tUpdate = new QTimer(this);
    tUpdate->setSingleShot(true);
    tUpdate->setInterval(250);
    m_slices = new QTimer(this);
    m_slices->setInterval(0);
    // A closed preview reads the program when it opens again.
    connect(tUpdate, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
        else
            m_stale = true;
    });
    connect(m_slices, &QTimer::timeout, this, &frmPreview::readSlice);
    if (RichTextBox *box = richText(editor)) {
        connect(box, &QTextEdit::textChanged, tUpdate, qOverload<>(&QTimer::start));
        connect(box, &QTextEdit::cursorPositionChanged, this, &frmPreview::markCaretLine);
    } else if (ProgramView *programText = programView(editor)) {
        connect(programText, &ProgramView::Change, tUpdate, qOverload<>(&QTimer::start));
        connect(programText, &ProgramView::SelChange, this, &frmPreview::markCaretLine);
    }
    connect(view, &ToolpathView::lineClicked, this, &frmPreview::moveCaret);
    connect(cmdFit, &QPushButton::clicked, view, &ToolpathView::fit);
    connect(cboView, &QComboBox::currentIndexChanged, this, [this](int index) {
        store(QStringLiteral("View"), index);
        chooseView();
    });
    connect(chkLathe, &QCheckBox::toggled, this, [this](bool on) {
        if (m_detecting)
            return;
        m_latheChosen = true;
        store(QStringLiteral("Lathe"), on ? 1 : 0);
        chooseView();
        refresh();
    });
    connect(chkThousandths, &QCheckBox::toggled, this, [this](bool on) {
        store(QStringLiteral("Thousandths"), on ? 1 : 0);
        refresh();
    });
    connect(cmdClose, &QToolButton::clicked, this, [this] {
        hide();
        emit closed();
    });
    SetLanguage();
    chooseView();
    refresh();
    markCaretLine();
}

frmPreview::~frmPreview() = default;

bool frmPreview::SetLanguage()
{
    setWindowTitle(GetString(QStringLiteral("Preview"), 472) + QStringLiteral(" - ") + m_caption);
    lblView->setText(GetString(QStringLiteral("View:"), 473));
    cboView->setItemText(3, GetString(QStringLiteral("Isometric"), 474));
    chkLathe->setText(GetString(QStringLiteral("Lathe"), 475));
    cmdFit->setText(GetString(QStringLiteral("Fit"), 476));
    chkThousandths->setText(
        GetString(QStringLiteral("Numbers without a point are thousandths"), 565));
    chkThousandths->setToolTip(GetString(QStringLiteral("X100 reads as 0.100 mm"), 566));
    cmdClose->setToolTip(GetString(QStringLiteral("Close the preview"), 567));
    showStatus();
    return true;
}

void frmPreview::setProgramCaption(const QString &caption)
{
    m_caption = caption;
    SetLanguage();
}

void frmPreview::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void frmPreview::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        emit stopPressed();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmPreview::chooseView()
{
    const bool lathe = chkLathe->isChecked();
    cboView->setEnabled(!lathe);
    view->setView(lathe ? ToolpathView::ViewLathe : ToolpathView::View(cboView->currentIndex()));
}

void frmPreview::refresh()
{
    tUpdate->stop();
    m_stale = false;
    // One row per block, as the editor numbers them: a line break inside a block is a blank.
    if (RichTextBox *box = richText(m_editor)) {
        m_text = box->document()->toRawText();
        for (QChar &c : m_text)
            if (c == QChar::ParagraphSeparator)
                c = QLatin1Char('\n');
            else if (c == QChar::LineSeparator)
                c = QLatin1Char(' ');
    } else if (const ProgramView *programText = programView(m_editor)) {
        m_text = programText->buffer().text(0, programText->buffer().size());
    }
    m_at = 0;
    if (!m_latheChosen) {
        const MachineKind kind = machineKindOf(m_text);
        const bool lathe =
            kind == MachineKind::Lathe || (kind == MachineKind::Unknown && m_lastLathe);
        if (lathe != chkLathe->isChecked()) {
            m_detecting = true;
            chkLathe->setChecked(lathe);
            m_detecting = false;
            chooseView();
        }
    }
    m_interpreter = std::make_unique<ToolpathInterpreter>(chkLathe->isChecked());
    m_interpreter->setThousandths(chkThousandths->isChecked());
    readSlice();
}

void frmPreview::readSlice()
{
    if (!m_interpreter)
        return;
    m_at = m_interpreter->addLines(m_text, m_at, kSliceLines);
    if (m_at < m_text.size()) {
        m_slices->start();
        return;
    }
    m_slices->stop();
    view->setPath(m_interpreter->takePath());
    m_interpreter.reset();
    m_text.clear();
    showStatus();
}

void frmPreview::showStatus()
{
    const Toolpath &path = view->path();
    if (path.unknown.isEmpty()) {
        lblStatus->setText(path.segments.isEmpty() ? GetString(QStringLiteral("No moves"), 480)
                                                   : QString());
        lblStatus->setToolTip(QString());
        return;
    }
    const QString line = GetString(QStringLiteral("line"), 478);
    QStringList words;
    for (const ToolpathWord &w : path.unknown.mid(0, kTooltipWords))
        words << w.word + QStringLiteral(" (") + line + QLatin1Char(' ') +
                     QString::number(w.line + 1) + QLatin1Char(')');
    QString text = GetString(QStringLiteral("Not understood:"), 477) + QLatin1Char(' ') +
                   words.mid(0, kStatusWords).join(QStringLiteral(", "));
    if (path.unknownCount > kStatusWords)
        text += QStringLiteral(", +") + QString::number(path.unknownCount - kStatusWords) +
                QLatin1Char(' ') + GetString(QStringLiteral("more"), 479);
    lblStatus->setText(text);
    lblStatus->setToolTip(words.join(QLatin1Char('\n')));
}

void frmPreview::moveCaret(int line)
{
    const int start = m_editor->lineStartPosition(line);
    if (start < 0)
        return;
    m_editor->setSelStart(start);
    // The caret shows where the keyboard is: the editor takes it.
    m_editor->widget()->activateWindow();
    m_editor->widget()->setFocus();
}

void frmPreview::markCaretLine()
{
    view->setMarkedLine(m_editor->caretLineNumber());
}

void frmPreview::setSentPosition(qint32 start, qint32 position)
{
    if (position < 0) {
        view->setSentLines(0, -1);
        return;
    }
    const auto line = [this](qint32 at) { return m_editor->lineOfPosition(at); };
    // Every block with a character sent counts: the last piece ends before its line end.
    view->setSentLines(line(start), position > start ? line(position - 1) + 1 : line(start));
}

} // namespace kordavel
