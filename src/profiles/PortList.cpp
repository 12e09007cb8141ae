// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortList.h"

#include "ValueLists.h"

#include "i18n/Language.h"

#include <QSignalBlocker>

#include <algorithm>

namespace kordavel {

namespace {

constexpr int kAbsentRole = Qt::UserRole + 1;

// The number of a port name, 0 for no port.
int portNumber(const QString &port)
{
    if (!port.startsWith(QLatin1String("Com")))
        return 0;
    const QString digits = port.mid(3);
    bool ok = false;
    const int n = digits.toInt(&ok);
    return ok && n >= 1 && n <= 16 && QString::number(n) == digits ? n : 0;
}

QString absentText(const QString &port)
{
    return port + QLatin1Char(' ') + GetString(QStringLiteral("(absent)"), 549);
}

} // namespace

PortList::PortList(QWidget *parent) : QComboBox(parent) {}

void PortList::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

void PortList::refresh()
{
    const QString chosen = port();
    const QSignalBlocker quiet(this);
    rebuild(presentPorts(), chosen);
    setCurrentIndex(findData(chosen));
}

bool PortList::choose(const QString &port)
{
    if (portNumber(port) == 0)
        return false;
    if (findData(port) < 0) {
        QStringList present;
        for (int i = 0; i < count(); ++i)
            if (!itemData(i, kAbsentRole).toBool())
                present << itemData(i).toString();
        const QSignalBlocker quiet(this);
        rebuild(present, port);
    }
    setCurrentIndex(findData(port));
    return true;
}

QString PortList::port() const
{
    return currentIndex() < 0 ? QString() : currentData().toString();
}

void PortList::relabel()
{
    for (int i = 0; i < count(); ++i)
        if (itemData(i, kAbsentRole).toBool())
            setItemText(i, absentText(itemData(i).toString()));
}

void PortList::rebuild(const QStringList &present, const QString &kept)
{
    QStringList ports = present;
    const bool keptAbsent = !kept.isEmpty() && !present.contains(kept);
    if (keptAbsent)
        ports << kept;
    std::sort(ports.begin(), ports.end(),
              [](const QString &a, const QString &b) { return portNumber(a) < portNumber(b); });
    clear();
    for (const QString &port : ports) {
        const bool absent = keptAbsent && port == kept;
        addItem(absent ? absentText(port) : port, port);
        setItemData(count() - 1, absent, kAbsentRole);
    }
    setCurrentIndex(-1);
}

} // namespace kordavel
