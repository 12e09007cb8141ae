// SPDX-License-Identifier: GPL-3.0-or-later
// Send from Caret: a restart of the program at the block of the caret, after the blocks
// that bring the machine to the program's state there.
#include "frmPreview.h"
#include "frmProgram.h"
#include "frmRestart.h"

#include <QCheckBox>

#include "dnc/ucDnc.h"
#include "editor/RichTextBox.h"
#include "tools/MachineKind.h"
#include "tools/RestartHeader.h"

namespace kordavel {

namespace {

// Where the 0-based line begins in the text (its end when the text has fewer lines).
qsizetype lineStart(const QString &text, qsizetype line)
{
    qsizetype at = 0;
    for (qsizetype row = 0; row < line; ++row) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), at);
        if (end < 0)
            return text.size();
        at = end + 1;
    }
    return at;
}

bool mayStart(const frmProgram &window, const ProgramText &text, const ucDnc &channel)
{
    return !window.Starting() && !text.isBusy() && text.textLength() > 0 &&
           channel.Action() == actIdle;
}

} // namespace

// A lathe's program: as the preview shows it when it is open, else as its words say.
bool frmProgram::isLathe(const QString &text) const
{
    if (m_preview)
        return m_preview->chkLathe->isChecked();
    return machineKindOf(text) == MachineKind::Lathe;
}

void frmProgram::SendFromCaret()
{
    if (!mayStart(*this, *m_text, *ucDnc1))
        return;
    if (m_restartDialog) {
        m_restartDialog->raise();
        m_restartDialog->activateWindow();
        return;
    }
    const QString text = m_text->text();
    const qsizetype caret = std::clamp<qsizetype>(m_text->selStart(), 0, text.size());
    const qsizetype line = QStringView(text).first(caret).count(QLatin1Char('\n'));
    const RestartPlan plan = planRestart(text, line, isLathe(text));
    auto *dialog = new frmRestart(this, plan.line + 1, plan.header);
    m_restartDialog = dialog;
    connect(dialog, &QDialog::accepted, this,
            [this, dialog, from = plan.line] { startRestart(from, dialog->header()); });
    dialog->open();
}

void frmProgram::startRestart(qsizetype line, const QStringList &header)
{
    // The window may have begun another transfer while the dialog was open.
    if (!mayStart(*this, *m_text, *ucDnc1) || m_closing)
        return;
    const QString text = m_text->text();
    const qsizetype start = lineStart(text, line);
    if (start >= text.size() && header.isEmpty())
        return;
    lngSendStart = qint32(start);
    lngSendLength = qint32(text.size() - start);
    m_restartHeader = header;
    beginSend();
}

} // namespace kordavel
