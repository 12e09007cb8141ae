// SPDX-License-Identifier: GPL-3.0-or-later
#include "MachineRapidRate.h"

#include "common/SettingsStore.h"

namespace kordavel {

namespace {

QString section(const QString &machine)
{
    return QStringLiteral("Machine ") + machine;
}

const QString kKey = QStringLiteral("RapidRate");

} // namespace

double ReadRapidRate(const QString &machine)
{
    bool ok = false;
    const double rate = GetSetting(section(machine), kKey, QString()).trimmed().toDouble(&ok);
    return ok && rate >= kMinRapidRate && rate <= kMaxRapidRate ? rate : kDefaultRapidRate;
}

void SaveRapidRate(const QString &machine, double rate)
{
    SaveSetting(section(machine), kKey, QString::number(rate, 'g', 10));
}

} // namespace kordavel
