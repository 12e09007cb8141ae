// SPDX-License-Identifier: GPL-3.0-or-later
#include "SendSource.h"

#include <algorithm>

namespace kordavel {

QString SendSource::takeLine(qint64 max)
{
    QString line;
    while (line.size() < max && !line.endsWith(QLatin1Char('\n'))) {
        const QString piece = take(1);
        if (piece.isEmpty())
            break;
        line += piece;
    }
    return line;
}

QString restOfBlock(SendSource *source, qint64 longest)
{
    QString rest = source ? source->takeLine(longest) : QString();
    if (!rest.endsWith(QLatin1Char('\n')))
        rest += QStringLiteral("\r\n");
    return rest;
}

QString TextSendSource::take(qint64 max)
{
    const qsizetype n = qsizetype(std::min<qint64>(max, m_text.size() - m_at));
    const QString piece = m_text.mid(m_at, n);
    m_at += n;
    return piece;
}

QString HeaderedSendSource::take(qint64 max)
{
    if (m_at < m_header.size()) {
        const qsizetype n = qsizetype(std::min<qint64>(max, m_header.size() - m_at));
        const QString piece = m_header.mid(m_at, n);
        m_at += n;
        return piece;
    }
    return m_rest->take(max);
}

} // namespace kordavel
