// SPDX-License-Identifier: GPL-3.0-or-later
#include "LineSettings.h"

#include <QStringList>

#include <algorithm>

namespace kordavel {

namespace {

bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : text)
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

std::optional<LineSettings> parseLineSettings(const QString &settings)
{
    const QStringList fields = settings.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;
    LineSettings result;

    const QString baud = fields[0].trimmed();
    if (!allDigits(baud) || baud.size() > 9)
        return std::nullopt;
    result.baudRate = baud.toInt();
    if (result.baudRate <= 0)
        return std::nullopt;

    const QString parity = fields[1].trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity))
        return std::nullopt;
    result.parity = parity.at(0).toLatin1();

    const QString data = fields[2].trimmed();
    if (data.size() != 1 || !allDigits(data) || data.toInt() < 4 || data.toInt() > 8)
        return std::nullopt;
    result.dataBits = data.toInt();

    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1"))
        result.stopBits = 1;
    else if (stop == QLatin1String("1.5"))
        result.stopBits = 15;
    else if (stop == QLatin1String("2"))
        result.stopBits = 2;
    else
        return std::nullopt;
    return result;
}

namespace {

int halfBitsPerCharacter(const LineSettings &settings)
{
    return 2 * (1 + settings.dataBits + (settings.parity == 'N' ? 0 : 1)) +
           (settings.stopBits == 15 ? 3 : 2 * settings.stopBits);
}

} // namespace

double charactersPerSecond(const LineSettings &settings)
{
    return 2.0 * double(std::max<qint32>(settings.baudRate, 1)) /
           double(halfBitsPerCharacter(settings));
}

qint64 lineTimeMs(const LineSettings &settings, qint64 bytes)
{
    const int halfBits = halfBitsPerCharacter(settings);
    const qint64 baud = std::max<qint64>(settings.baudRate, 1);
    return (bytes * halfBits * 1000 + 2 * baud - 1) / (2 * baud);
}

} // namespace kordavel
