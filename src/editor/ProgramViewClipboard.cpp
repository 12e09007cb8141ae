// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard as the rich-text control has it (the plain text with CR LF line ends and
// the same text as RTF in the view's font), and Replace and Replace All over the buffer.
#include "ProgramView.h"

#include "RichTextBox.h"
#include "RtfReader.h"
#include "RtfWriter.h"
#include "common/CodePage.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <algorithm>
#include <array>

namespace kordavel {

namespace {

qint64 g_richCopyLimit = 0;

qint64 richCopyLimit()
{
    return g_richCopyLimit > 0 ? g_richCopyLimit : qint64(64) << 20;
}

bool isWordByte(QByteArrayView line, qsizetype at)
{
    if (at < 0 || at >= line.size())
        return false;
    const char b = line[at];
    return b == '_' || decodeByte(static_cast<unsigned char>(b)).isLetterOrNumber();
}

} // namespace

void ProgramView::setRichCopyLimit(qint64 bytes)
{
    g_richCopyLimit = bytes;
}

void ProgramView::copy() const
{
    if (!hasSelection())
        return;
    const qint64 from = std::min(m_caret, m_anchor);
    const qint64 length = std::max(m_caret, m_anchor) - from;
    const QString text = m_buffer.text(from, length);
    auto *mime = new QMimeData;
    if (length <= richCopyLimit()) {
        CharFormat format = defaultCharFormat();
        format.fontName = font().family();
        if (font().pointSizeF() > 0)
            format.pointSize = font().pointSizeF();
        RichText rich;
        rich.append(text, format);
        mime->setData(RichTextBox::rtfMimeType(), writeRtf(rich));
    }
    QString plain = text;
    plain.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    mime->setText(plain);
    QApplication::clipboard()->setMimeData(mime);
}

void ProgramView::cut()
{
    if (isReadOnly() || !hasSelection())
        return;
    copy();
    insertText({});
}

void ProgramView::paste()
{
    const QMimeData *mime = QApplication::clipboard()->mimeData();
    if (!mime)
        return;
    QString text = mime->text();
    if (text.isEmpty() && mime->hasFormat(RichTextBox::rtfMimeType()))
        text = readRtf(mime->data(RichTextBox::rtfMimeType())).plainText();
    if (!text.isEmpty())
        insertText(text);
}

bool ProgramView::replaceSelection(const QString &with)
{
    if (isReadOnly())
        return false;
    insertText(with);
    return true;
}

qint64 ProgramView::replaceAll(const QString &text, const QString &with, int flags)
{
    const QByteArray needle = encodeText(text);
    if (isReadOnly() || needle.isEmpty() || needle.contains('\r') || needle.contains('\n') ||
        m_buffer.find(needle, 0, flags) < 0)
        return 0;
    const QByteArray replacement = LineBuffer::encode(with, m_buffer.lineEnd());
    const unsigned char *fold = upperBytes().data();
    const bool matchCase = flags & LineBuffer::MatchCase;
    const auto same = [&](char a, char b) {
        return matchCase
                   ? a == b
                   : fold[static_cast<unsigned char>(a)] == fold[static_cast<unsigned char>(b)];
    };
    const qsizetype n = needle.size();
    qint64 count = 0;
    rewriteLines([&](qint64, QByteArrayView in, QByteArray &out) {
        qsizetype done = 0;
        for (qsizetype at = 0; at + n <= in.size();) {
            const bool match =
                std::equal(in.begin() + at, in.begin() + at + n, needle.begin(), same) &&
                (!(flags & LineBuffer::WholeWord) ||
                 (!isWordByte(in, at - 1) && !isWordByte(in, at + n)));
            if (!match) {
                ++at;
                continue;
            }
            out.append(in.sliced(done, at - done));
            out.append(replacement);
            ++count;
            at += n;
            done = at;
        }
        out.append(in.sliced(done));
        return true;
    });
    return count;
}

} // namespace kordavel
