// SPDX-License-Identifier: GPL-3.0-or-later
// The program window's tools: Clean and Numbering over its rich text, the preview.
#include "frmPreview.h"
#include "frmProgram.h"

#include "editor/RichTextBox.h"
#include "editor/RtfReader.h"
#include "editor/RtfWriter.h"
#include "tools/RewriteLines.h"
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

#include <QLabel>
#include <QScreen>

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
        const int refusal = numberingRefusal(start, step, qint64(rtfText->textLength()) + 1);
        if (refusal != 521)
            return refusal;
        RewriteReport counted;
        kordavel::RewriteLines(rtfText->textRTF(), rwRenumber, symbol, 0, 1, emptyRows, &counted);
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
    auto report = std::make_shared<RewriteReport>();
    connect(
        rtfText, &RichTextBox::rewritten, this,
        [this, report](bool) {
            const QString summary = referencesSummary(*report);
            stbPanel[0]->setText(summary.isEmpty() ? GetString(QStringLiteral("Ready"), 1)
                                                   : summary);
        },
        Qt::SingleShotConnection);
    rtfText->rewrite([options, symbol, start, step, numberEmpty, report](const RichText &text) {
        return rewriteRichText(text, options, symbol, start, step, numberEmpty, report.get());
    });
}

// The preview stands right of the program window where the screen has room, else left of
// it, else against the screen's right edge.
void frmProgram::Preview()
{
    if (!m_preview) {
        m_preview = new frmPreview(rtfText, this);
        m_preview->setProgramCaption(windowTitle());
        connect(this, &QWidget::windowTitleChanged, m_preview, &frmPreview::setProgramCaption);
        connect(this, &frmProgram::sendProgress, m_preview, &frmPreview::setSentPosition);
        connect(m_preview, &frmPreview::stopPressed, this, &frmProgram::StopSending);
        const QRect program(mapToGlobal(QPoint(0, 0)), size());
        const QRect screenArea = screen()->availableGeometry();
        const QSize size(std::clamp(program.width() / 2, 360, 640),
                         std::clamp(program.height(), 320, screenArea.height()));
        int left = program.right() + 1;
        if (left + size.width() > screenArea.right())
            left = program.left() - size.width();
        if (left < screenArea.left())
            left = screenArea.right() + 1 - size.width();
        m_preview->setGeometry(
            QRect(QPoint(left, std::max(screenArea.top(), program.top())), size));
    }
    m_preview->show();
    m_preview->raise();
    m_preview->activateWindow();
}

} // namespace kordavel
