// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmPreview.h"

#include "ToolpathView.h"

#include "editor/RichTextBox.h"
#include "editor/TextPositions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace kordavel {

namespace {

// Lines read between two events: a few tens of milliseconds.
constexpr qsizetype kSliceLines = 20000;
// Words shown in the status line; the tooltip holds more.
constexpr int kStatusWords = 6;
constexpr int kTooltipWords = 200;

} // namespace

frmPreview::frmPreview(RichTextBox *editor, QWidget *parent)
    : QWidget(parent, Qt::Tool), m_editor(editor)
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
    cmdFit = new QPushButton(this);
    cmdFit->setObjectName(QStringLiteral("cmdFit"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblStatus->setTextFormat(Qt::PlainText);
    // A long list is cut at the window's edge, not the window widened: the tooltip has it.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *bar = new QHBoxLayout;
    bar->addWidget(lblView);
    bar->addWidget(cboView);
    bar->addWidget(chkLathe);
    bar->addWidget(cmdFit);
    bar->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
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
    connect(editor, &QTextEdit::textChanged, tUpdate, qOverload<>(&QTimer::start));
    connect(editor, &QTextEdit::cursorPositionChanged, this, &frmPreview::markCaretLine);
    connect(view, &ToolpathView::lineClicked, this, &frmPreview::moveCaret);
    connect(cmdFit, &QPushButton::clicked, view, &ToolpathView::fit);
    connect(cboView, &QComboBox::currentIndexChanged, this, &frmPreview::chooseView);
    connect(chkLathe, &QCheckBox::toggled, this, [this] {
        chooseView();
        refresh();
    });
    SetLanguage();
    resize(560, 480);
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
    m_text = m_editor->document()->toRawText();
    for (QChar &c : m_text)
        if (c == QChar::ParagraphSeparator)
            c = QLatin1Char('\n');
        else if (c == QChar::LineSeparator)
            c = QLatin1Char(' ');
    m_at = 0;
    m_interpreter = std::make_unique<ToolpathInterpreter>(chkLathe->isChecked());
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
    const QTextDocument &document = *m_editor->document();
    const QTextBlock block = document.findBlockByNumber(line);
    if (!block.isValid())
        return;
    m_editor->setSelStart(toEditorPosition(document, block.position()));
    // The caret shows where the keyboard is: the editor takes it.
    m_editor->activateWindow();
    m_editor->setFocus();
}

void frmPreview::markCaretLine()
{
    view->setMarkedLine(m_editor->textCursor().blockNumber());
}

void frmPreview::setSentPosition(qint32 start, qint32 position)
{
    if (position < 0) {
        view->setSentLines(0, -1);
        return;
    }
    const QTextDocument &document = *m_editor->document();
    const auto line = [&](qint32 at) {
        return document.findBlock(toDocumentPosition(document, at)).blockNumber();
    };
    // Every block with a character sent counts: the last piece ends before its line end.
    view->setSentLines(line(start), position > start ? line(position - 1) + 1 : line(start));
}

} // namespace kordavel
