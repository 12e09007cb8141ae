// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace kordavel {

// The default line settings of new program windows: the ten string values of the settings
// store's section "Default", with the values used while a key is absent.
struct DefaultLineSettings {
    QString Port = QStringLiteral("Com1");
    QString BaudRate = QStringLiteral("4800");
    QString DataBits = QStringLiteral("7");
    QString Parity = QStringLiteral("Even");
    QString StopBits = QStringLiteral("2");
    QString XOnXOff = QStringLiteral("1");
    QString WaitXOn = QStringLiteral("0");
    QString RTSCTS = QStringLiteral("1");
    QString DSRDTR = QStringLiteral("1");
    QString ISOEIA = QStringLiteral("0");

    bool operator==(const DefaultLineSettings &) const = default;
};

inline constexpr const char *kDefaultSection = "Default";

// Reads the ten keys in the order Port, BaudRate, DataBits, Parity, StopBits, XOnXOff,
// WaitXOn, RTSCTS, DSRDTR, ISOEIA.
DefaultLineSettings ReadDefaultLineSettings();
// Writes all ten keys, in the same order.
void SaveDefaultLineSettings(const DefaultLineSettings &settings);

// A stored check box or code value as a 16-bit number ("1", " 1 ", "1.0"); nothing when it
// is not a number in range.
std::optional<qint16> storedNumber(const QString &value);

} // namespace kordavel
