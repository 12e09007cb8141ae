// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kordavel {

// The per-user settings store of the application "Kordavel": sections of string values.
QString GetSetting(const QString &section, const QString &key, const QString &defaultValue);
void SaveSetting(const QString &section, const QString &key, const QString &value);

// A stored value read as a number; the default when it is absent or not a number.
qint16 GetSettingInt16(const QString &section, const QString &key, qint16 defaultValue);
float GetSettingFloat(const QString &section, const QString &key, float defaultValue);

// Tests keep the store in a folder of their own.
void setSettingsFolder(const QString &folder);

} // namespace kordavel
