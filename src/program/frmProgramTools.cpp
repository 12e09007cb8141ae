// SPDX-License-Identifier: GPL-3.0-or-later
// The program window's tools: Clean and Numbering over its rich text, the preview.
#include "PaneHandle.h"
#include "PreviewSplit.h"
#include "frmPreview.h"
#include "frmProgram.h"

#include "editor/ProgramView.h"
#include "editor/RichTextBox.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "tools/PlainRewrite.h"
#include "tools/RewriteLines.h"
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

#include <QLabel>
#include <QScrollArea>

#include <algorithm>

namespace kordavel {

bool frmProgram::Clean()
{
    quint8 options = 0;
    QString symbol;
    if (!AskClean(options, symbol))
        return false;
    m_cleaning = true;
    RewriteLines(options, symbol, 0, 0, true);
    return true;
}

// The dialog refuses choices that would give two blocks the same number. The count of rows
// bounds the count of blocks; only when the bound reaches past the 32-bit range are the
// blocks counted.
bool frmProgram::Numbering()
{
    qint32 start = 0;
    qint32 step = 0;
    QString symbol;
    bool emptyRows = false;
    const auto check = [this](qint32 start, qint32 step, const QString &symbol, bool emptyRows) {
        const int refusal = numberingRefusal(start, step, qint64(m_text->textLength()) + 1);
        if (refusal != 521)
            return refusal;
        if (const ProgramView *view = programView(m_text))
            return numberingRefusal(
                start, step,
                rewriteBufferReport(view->buffer(), rwRenumber, symbol, 0, 1, emptyRows).numbered);
        RichTextBox *box = richText(m_text);
        RewriteReport counted;
        kordavel::RewriteLines(box->textRTF(), rwRenumber, symbol, 0, 1, emptyRows, &counted);
        return numberingRefusal(start, step, counted.numbered);
    };
    if (AskNumbering(start, step, symbol, emptyRows, check)) {
        m_cleaning = false;
        RewriteLines(rwRenumber, symbol, start, step, emptyRows);
    }
    return false;
}

std::optional<RichText> rewriteRichText(const RichText &text, quint8 options, const QString &symbol,
                                        qint32 start, qint32 step, bool numberEmpty,
                                        RewriteReport *report)
{
    const QByteArray before = writeRtf(text);
    const QByteArray after =
        kordavel::RewriteLines(before, options, symbol, start, step, numberEmpty, report);
    if (after == before)
        return std::nullopt;
    return readRtf(after);
}

// The editor takes back only the lines that changed, as one undo step (on another thread
// and in slices for a long program); a rewrite that changes nothing leaves the program as it
// was, unchanged. What became of the references between blocks shows in the status bar
// once the rewrite is over.
void frmProgram::RewriteLines(quint8 options, const QString &symbol, qint32 start, qint32 step,
                              bool numberEmpty)
{
    if (ProgramView *view = programView(m_text)) {
        // A plain program streams through line by line, at once, as one Undo step.
        PlainRewrite rewrite(options, symbol, start, step, numberEmpty);
        if (rewrite.prepare(view->buffer()))
            view->rewriteLines(rewrite.lineRewrite());
        const QString summary = referencesSummary(rewrite.report());
        stbPanel[0]->setText(summary.isEmpty() ? GetString(QStringLiteral("Ready"), 1) : summary);
        return;
    }
    RichTextBox *box = richText(m_text);
    auto report = std::make_shared<RewriteReport>();
    connect(
        box, &RichTextBox::rewritten, this,
        [this, report](bool) {
            const QString summary = referencesSummary(*report);
            stbPanel[0]->setText(summary.isEmpty() ? GetString(QStringLiteral("Ready"), 1)
                                                   : summary);
        },
        Qt::SingleShotConnection);
    box->rewrite([options, symbol, start, step, numberEmpty, report](const RichText &text) {
        return rewriteRichText(text, options, symbol, start, step, numberEmpty, report.get());
    });
}

frmPreview *frmProgram::preview() const
{
    return m_preview;
}

void frmProgram::Preview()
{
    if (!m_preview) {
        m_preview = new frmPreview(m_text, this);
        m_preview->setProgramCaption(windowTitle());
        connect(this, &QWidget::windowTitleChanged, m_preview, &frmPreview::setProgramCaption);
        connect(this, &frmProgram::sendProgress, m_preview, &frmPreview::setSentPosition);
        connect(m_preview, &frmPreview::stopPressed, this, &frmProgram::StopSending);
        connect(m_preview, &frmPreview::closed, this, &frmProgram::layoutWindow);
        m_previewHandle = new PaneHandle(this);
        // The preview takes what lies right of the pointer, up to the panel.
        connect(m_previewHandle, &PaneHandle::dragged, this, [this](int x) {
            const int area = panelArea->x() - m_text->widget()->x();
            if (area > 0)
                m_previewShare =
                    std::clamp(double(panelArea->x() - x - kPreviewHandle / 2) / area, 0.0, 1.0);
            layoutWindow();
        });
    }
    m_preview->show();
    layoutWindow();
}

} // namespace kordavel
