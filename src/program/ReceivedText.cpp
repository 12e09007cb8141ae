// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReceivedText.h"

#include "i18n/Language.h"

namespace kordavel {

QString ReceivedText::take(QStringView received)
{
    if (m_closed)
        return QString();
    if (!m_toClosingPercent) {
        m_count += received.size();
        return received.toString();
    }
    qsizetype from = m_percents > 0 ? 0 : -1;
    qsizetype to = received.size();
    for (qsizetype i = 0; i < received.size(); ++i) {
        const QChar c = received[i];
        if (c == QLatin1Char('%')) {
            if (++m_percents == 1)
                from = i;
        } else if (c == QLatin1Char('\n') && m_percents >= 2) {
            m_closed = true;
            to = i + 1;
            break;
        }
    }
    m_count += to;
    return from < 0 ? QString() : received.mid(from, to - from).toString();
}

QString receiveEndText(ReceiveEnd end, qint64 characters)
{
    QString text;
    switch (end) {
    case ReceiveEnd::ByHand:
        text = GetString(QStringLiteral("Receive stopped by hand: %1 characters"), 545);
        break;
    case ReceiveEnd::ClosingPercent:
        text = GetString(QStringLiteral("Receive ended at the closing %: %1 characters"), 546);
        break;
    case ReceiveEnd::Quiet:
        text = GetString(QStringLiteral("Receive ended after 5 s quiet: %1 characters"), 547);
        break;
    case ReceiveEnd::BrokenOff:
        text = GetString(QStringLiteral("Receive broken off: %1 characters"), 548);
        break;
    }
    return text.arg(characters);
}

} // namespace kordavel
