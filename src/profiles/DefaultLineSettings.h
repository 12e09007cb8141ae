// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace kordavel {

// The default line settings of new program windows: the twelve string values of the settings
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
    // How a receive ends: "0" by hand, "1" at the closing %, "2" after 5 s quiet.
    QString ReceiveEnd = QStringLiteral("0");
    // The pace of a send: "0" 0.4 s per line, "1" the line's speed.
    QString Pace = QStringLiteral("0");

    bool operator==(const DefaultLineSettings &) const = default;
};

inline constexpr const char *kDefaultSection = "Default";

// Reads the twelve keys in the order Port, BaudRate, DataBits, Parity, StopBits, XOnXOff,
// WaitXOn, RTSCTS, DSRDTR, ISOEIA, ReceiveEnd, Pace.
DefaultLineSettings ReadDefaultLineSettings();
// Writes all twelve keys, in the same order.
void SaveDefaultLineSettings(const DefaultLineSettings &settings);

// A stored check box or code value as a 16-bit number ("1", " 1 ", "1.0"); nothing when it
// is not a number in range.
std::optional<qint16> storedNumber(const QString &value);

} // namespace kordavel
