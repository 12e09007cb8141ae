// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSendView.h"

#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kordavel {

namespace {

constexpr int kLinesShown = 12;
// Of what was sent between two flushes only this much is kept: it holds the last lines.
constexpr qsizetype kTailKept = 4096;

} // namespace

FileSendView::FileSendView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fileSendView"));
    lblFile = new QLabel(this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    txtLines = new QPlainTextEdit(this);
    txtLines->setObjectName(QStringLiteral("txtLines"));
    txtLines->setReadOnly(true);
    txtLines->setMaximumBlockCount(kLinesShown);
    txtLines->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblFile);
    layout->addWidget(txtLines, 1);
}

void FileSendView::start(const QString &path)
{
    lblFile->setText(QFileInfo(path).fileName());
    lblFile->setToolTip(path);
    txtLines->clear();
    m_pending.clear();
}

void FileSendView::sent(const QString &text)
{
    m_pending += text;
    if (m_pending.size() > 2 * kTailKept)
        m_pending.remove(0, m_pending.size() - kTailKept);
}

void FileSendView::flush()
{
    if (m_pending.isEmpty())
        return;
    QString text = m_pending;
    m_pending.clear();
    text.remove(QLatin1Char('\r'));
    QTextCursor end(txtLines->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    txtLines->moveCursor(QTextCursor::End);
}

} // namespace kordavel
