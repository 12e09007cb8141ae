// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlainTextStream.h"

#include "common/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace kordavel {

namespace {

constexpr qint64 kBlockBytes = 64 * 1024;

} // namespace

FileCheck PlainTextStream::open(const QString &path)
{
    m_problem = m_file.open(path);
    return m_problem;
}

QString PlainTextStream::read(qint64 max)
{
    QString out;
    out.reserve(qsizetype(std::min<qint64>(max, kBlockBytes)));
    while (out.size() < max) {
        if (m_owedLf) {
            out += QLatin1Char('\n');
            m_owedLf = false;
            continue;
        }
        if (m_at == m_block.size() && !fill())
            break;
        const auto byte = static_cast<unsigned char>(m_block.at(m_at++));
        // The last byte is no sign that all is well: the file may have changed since its
        // last block was read.
        if (++m_position == size())
            watch();
        const bool afterCr = std::exchange(m_afterCr, false);
        if (byte == '\n' && afterCr)
            continue;
        if (byte == '\r' || byte == '\n') {
            out += QLatin1Char('\r');
            m_owedLf = true;
            m_afterCr = byte == '\r';
        } else {
            out += decodeByte(byte);
        }
    }
    return out;
}

bool PlainTextStream::atEnd() const
{
    return !m_owedLf && m_at == m_block.size() && (failed() || m_read == size());
}

bool PlainTextStream::fill()
{
    if (failed() || !m_file.isOpen() || m_read == size())
        return false;
    watch();
    if (failed())
        return false;
    const qint64 want = std::min(kBlockBytes, size() - m_read);
    m_block.resize(qsizetype(want));
    m_at = 0;
    const qint64 got = m_file.read(m_block.data(), want);
    if (got < 0) {
        m_problem.problem = FileProblem::Unreadable;
        m_problem.error = errno;
    } else if (got < want) {
        // The file ended before the size it had: what this block holds may be a cut line.
        m_problem.problem = FileProblem::Shrunk;
    }
    if (failed()) {
        m_block.clear();
        return false;
    }
    m_read += got;
    return true;
}

void PlainTextStream::watch()
{
    bool grown = false;
    const FileCheck now = m_file.compare(&grown);
    m_grown = m_grown || grown;
    if (!now.ok() && !failed())
        m_problem = now;
}

} // namespace kordavel
