// SPDX-License-Identifier: GPL-3.0-or-later
// The program window's tools: Clean and Numbering over its rich text.
#include "frmProgram.h"

#include "editor/RichTextBox.h"
#include "tools/RewriteLines.h"
#include "tools/frmClean.h"
#include "tools/frmNumbering.h"

namespace kordavel {

bool frmProgram::Clean()
{
    quint8 options = 0;
    QString symbol;
    if (!AskClean(options, symbol))
        return false;
    RewriteLines(options, symbol, 0, 0, true);
    return true;
}

bool frmProgram::Numbering()
{
    qint32 start = 0;
    qint32 step = 0;
    QString symbol;
    bool emptyRows = false;
    if (AskNumbering(start, step, symbol, emptyRows))
        RewriteLines(rwRenumber, symbol, start, step, emptyRows);
    return false;
}

// The whole text is replaced in one step (one Undo step), which is a change of the
// program; a rewrite that changes nothing leaves the program as it was.
void frmProgram::RewriteLines(quint8 options, const QString &symbol, qint32 start, qint32 step,
                              bool numberEmpty)
{
    const QByteArray before = rtfText->textRTF();
    const QByteArray after =
        kordavel::RewriteLines(before, options, symbol, start, step, numberEmpty);
    if (after != before)
        rtfText->setTextRTF(after);
}

} // namespace kordavel
