// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlainTextStream.h"

#include "common/CodePage.h"

#include <algorithm>
#include <utility>

namespace kordavel {

namespace {

constexpr qint64 kBlockBytes = 64 * 1024;

} // namespace

bool PlainTextStream::open(const QString &path)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    m_size = m_file.size();
    return true;
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
        ++m_position;
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
    return !m_owedLf && m_at == m_block.size() && (m_failed || m_file.atEnd());
}

bool PlainTextStream::fill()
{
    if (m_failed || !m_file.isOpen())
        return false;
    m_block = m_file.read(kBlockBytes);
    m_at = 0;
    if (m_block.isEmpty() && !m_file.atEnd())
        m_failed = true;
    return !m_block.isEmpty();
}

} // namespace kordavel
