// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace kordavel {

// The compiled-in string table: identifier 10000 + 1000 x language + offset.
std::optional<QString> loadString(int identifier);
QList<int> stringIdentifiers();

} // namespace kordavel
