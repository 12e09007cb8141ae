// SPDX-License-Identifier: GPL-3.0-or-later
#include "DefaultLineSettings.h"

#include "common/SettingsStore.h"

#include <cmath>

namespace kordavel {

namespace {

// The keys in reading and writing order, with their members.
const std::pair<const char *, QString DefaultLineSettings::*> kKeys[] = {
    {"Port", &DefaultLineSettings::Port},
    {"BaudRate", &DefaultLineSettings::BaudRate},
    {"DataBits", &DefaultLineSettings::DataBits},
    {"Parity", &DefaultLineSettings::Parity},
    {"StopBits", &DefaultLineSettings::StopBits},
    {"XOnXOff", &DefaultLineSettings::XOnXOff},
    {"WaitXOn", &DefaultLineSettings::WaitXOn},
    {"RTSCTS", &DefaultLineSettings::RTSCTS},
    {"DSRDTR", &DefaultLineSettings::DSRDTR},
    {"ISOEIA", &DefaultLineSettings::ISOEIA},
    {"ReceiveEnd", &DefaultLineSettings::ReceiveEnd},
    {"Pace", &DefaultLineSettings::Pace},
};

} // namespace

DefaultLineSettings ReadDefaultLineSettings()
{
    DefaultLineSettings settings;
    const QString section = QLatin1String(kDefaultSection);
    for (const auto &[key, member] : kKeys)
        settings.*member = GetSetting(section, QLatin1String(key), settings.*member);
    return settings;
}

void SaveDefaultLineSettings(const DefaultLineSettings &settings)
{
    const QString section = QLatin1String(kDefaultSection);
    for (const auto &[key, member] : kKeys)
        SaveSetting(section, QLatin1String(key), settings.*member);
}

std::optional<qint16> storedNumber(const QString &value)
{
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    const double rounded = std::nearbyint(number); // halves to even
    if (rounded < -32768 || rounded > 32767)
        return std::nullopt;
    return qint16(rounded);
}

} // namespace kordavel
