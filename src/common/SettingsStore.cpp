// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include "AppState.h"

#include <QSettings>

#include <cmath>
#include <limits>

namespace kordavel {

namespace {

QSettings store()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QLatin1String(kProductName),
                     QLatin1String(kProductName));
}

QString fullKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QString GetSetting(const QString &section, const QString &key, const QString &defaultValue)
{
    return store().value(fullKey(section, key), defaultValue).toString();
}

void SaveSetting(const QString &section, const QString &key, const QString &value)
{
    QSettings settings = store();
    settings.setValue(fullKey(section, key), value);
    settings.sync();
}

qint16 GetSettingInt16(const QString &section, const QString &key, qint16 defaultValue)
{
    bool ok = false;
    const double value = GetSetting(section, key, QString()).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return defaultValue;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return defaultValue;
    return qint16(rounded);
}

float GetSettingFloat(const QString &section, const QString &key, float defaultValue)
{
    bool ok = false;
    const float value = GetSetting(section, key, QString()).trimmed().toFloat(&ok);
    return ok && std::isfinite(value) ? value : defaultValue;
}

void setSettingsFolder(const QString &folder)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

} // namespace kordavel
