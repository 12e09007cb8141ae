// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortNames.h"

#include "common/SettingsStore.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <QSerialPortInfo>
#else
#include <cerrno>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace kordavel {

QString portDevice(qint16 n)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM") + QString::number(n);
#else
    const QString stored =
        GetSetting(QStringLiteral("Ports"), QStringLiteral("Com") + QString::number(n), QString())
            .trimmed();
    if (!stored.isEmpty())
        return stored;
    if (n >= 1 && n <= 4)
        return QStringLiteral("/dev/ttyS") + QString::number(n - 1);
    if (n >= 5 && n <= 12)
        return QStringLiteral("/dev/ttyUSB") + QString::number(n - 5);
    if (n >= 13 && n <= 16)
        return QStringLiteral("/dev/ttyACM") + QString::number(n - 13);
    return QString();
#endif
}

#ifndef Q_OS_WIN
namespace {

// Unix98 pseudo-terminal slaves have majors 136 to 143; the old BSD ones major 3.
bool isPtyDevice(dev_t device)
{
    const unsigned int major = major(device);
    return (major >= 136 && major <= 143) || major == 3;
}

} // namespace
#endif

bool isPseudoTerminal(const QString &device)
{
#ifdef Q_OS_WIN
    Q_UNUSED(device);
    return false;
#else
    struct stat info {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return false;
    return S_ISCHR(info.st_mode) && isPtyDevice(info.st_rdev);
#endif
}

bool IsPortPresent(qint16 n)
{
#ifdef Q_OS_WIN
    const QString name = portDevice(n);
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        if (port.portName().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
#else
    const QString device = portDevice(n);
    if (device.isEmpty())
        return false;
    struct stat info {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return !(errno == ENOENT || errno == ENOTDIR);
    if (!S_ISCHR(info.st_mode))
        return false;
    if (isPtyDevice(info.st_rdev))
        return true;
    // A registered serial device has a node under /sys/class/tty. The 8250 driver creates
    // entries for ports without hardware; their "type" reads 0 (unknown port).
    if (!QFileInfo::exists(QStringLiteral("/sys/class/tty")))
        return true;
    const QString sysName =
        QStringLiteral("/sys/dev/char/%1:%2").arg(major(info.st_rdev)).arg(minor(info.st_rdev));
    if (!QFileInfo::exists(sysName))
        return false;
    QFile type(sysName + QStringLiteral("/type"));
    if (type.open(QIODevice::ReadOnly))
        return type.readAll().trimmed() != "0";
    // Only ports of the serial core have a type; other ttys with a device behind them
    // (USB modems and adapters) count as serial ports, virtual consoles do not.
    return QFileInfo::exists(sysName + QStringLiteral("/device"));
#endif
}

} // namespace kordavel
