// SPDX-License-Identifier: GPL-3.0-or-later
#include "TransferSteps.h"

#include "common/CodePage.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace kordavel {

namespace {

std::function<qint64()> g_transferClock;
std::function<QTime()> g_timeOfDay;
std::optional<ReceiveLimit> g_receiveLimit;

} // namespace

qint64 transferClock()
{
    if (g_transferClock)
        return g_transferClock();
    static QElapsedTimer steady;
    if (!steady.isValid())
        steady.start();
    return steady.elapsed();
}

void setTransferClock(std::function<qint64()> clock)
{
    g_transferClock = std::move(clock);
}

QTime transferTimeOfDay()
{
    return g_timeOfDay ? g_timeOfDay() : QTime::currentTime();
}

void setTimeOfDayClock(std::function<QTime()> clock)
{
    g_timeOfDay = std::move(clock);
}

ReceiveLimit receiveLimit()
{
    return g_receiveLimit.value_or(ReceiveLimit{});
}

void setReceiveLimit(std::optional<ReceiveLimit> limit)
{
    g_receiveLimit = limit;
}

qsizetype receivedFitting(QStringView text, qint64 lines, qint64 length, ReceiveLimit limit)
{
    qsizetype end = 0;
    for (; end < text.size(); ++end) {
        const QChar c = text[end];
        const bool beforeLf =
            c == QLatin1Char('\r') && end + 1 < text.size() && text[end + 1] == QLatin1Char('\n');
        const bool afterCr =
            c == QLatin1Char('\n') && end > 0 && text[end - 1] == QLatin1Char('\r');
        const bool lineEnd = c == QLatin1Char('\n') || (c == QLatin1Char('\r') && !beforeLf);
        // A lone LF or CR counts as the CR LF the program keeps.
        length += lineEnd && !afterCr ? 2 : 1;
        if (length > limit.characters || (lineEnd && ++lines > limit.lines))
            break;
    }
    if (end < text.size() && end > 0 && text[end - 1] == QLatin1Char('\r') &&
        text[end] == QLatin1Char('\n'))
        --end;
    return end;
}

QString timeLeftText(qint64 sent, qint64 left, qint64 elapsedMs)
{
    if (sent <= 0 || elapsedMs <= 0)
        return QString();
    const double seconds =
        std::ceil(double(std::max<qint64>(left, 0)) * double(elapsedMs) / double(sent) / 1000.0);
    const qint64 s = qint64(seconds);
    const auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (s >= 3600)
        return QString::number(s / 3600) + QLatin1Char(':') + two(s / 60 % 60) + QLatin1Char(':') +
               two(s % 60);
    return two(s / 60) + QLatin1Char(':') + two(s % 60);
}

qint32 progressPercent(qint64 position, qint64 total)
{
    if (total == 0)
        return 100;
    return qint32(std::floor(100.0 * double(position) / double(total)));
}

qint32 scanPiece(const QString &text, qint32 position, qint32 bound, bool inclusiveBound)
{
    for (;;) {
        ++position;
        if (inclusiveBound ? position > bound : position >= bound)
            return position;
        if (position >= 1 && position <= text.size() && text.at(position - 1) == QLatin1Char('\n'))
            return position;
    }
}

QString pieceText(const QString &text, qint32 lineStart, qint32 position)
{
    const qint32 start = std::clamp<qint32>(lineStart, 0, qint32(text.size()));
    const qint32 end = std::clamp<qint32>(position, start, qint32(text.size()));
    return text.mid(start, end - start);
}

QString utf8Piece(QStringView piece)
{
    return decodeBytes(piece.toUtf8());
}

ProgramLayout computeProgramLayout(double W, double H, double P, double S, bool remote)
{
    ProgramLayout out;
    const float paneHeight = float(H) - float(S);
    if (remote) {
        out.remoteShown = true;
        const float remoteWidth = (float(W) - float(P)) / 3.0f;
        const float textWidth = float(W) - float(P) - remoteWidth;
        out.remoteWidth = remoteWidth;
        out.textLeft = remoteWidth;
        out.textWidth = textWidth;
        out.panesValid = remoteWidth >= 0 && textWidth >= 0 && paneHeight >= 0;
    } else {
        out.textWidth = float(W) - float(P);
        out.panesValid = out.textWidth >= 0 && paneHeight >= 0;
    }
    out.paneHeight = paneHeight;
    out.panel3 = P - 310;
    out.panel3Valid = out.panel3 >= 0;
    const float x = float(W) - float(P) - 32.0f;
    out.panel2 = x / 2.0f > 1440.0f ? 1440.0 : double(x / 2.0f);
    out.panel1 = double(x) - out.panel2;
    out.panels12Valid = x >= 0;
    return out;
}

} // namespace kordavel
