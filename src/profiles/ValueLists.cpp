// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueLists.h"

#include "dnc/PortNames.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <QPixmap>
#include <QSignalBlocker>
#include <QStandardPaths>

#include <algorithm>

namespace kordavel {

namespace {

QString g_machineFolder;

// The machine icon files of a folder, m*.ico in any case, in listing order.
QStringList machineFiles(const QString &folder)
{
    QDir dir(folder);
    dir.setNameFilters({QStringLiteral("m*.ico")});
    dir.setFilter(QDir::Files | QDir::NoDotAndDotDot);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

QString machineOf(const QString &file)
{
    return file.mid(1, file.size() - 5);
}

// Every machine with the path of its icon file; a name found again in a later folder is
// the earlier one's.
QList<std::pair<QString, QString>> machineFilesEverywhere()
{
    QList<std::pair<QString, QString>> found;
    for (const QString &folder : machineFolders())
        for (const QString &file : machineFiles(folder)) {
            const QString name = machineOf(file);
            if (std::none_of(found.begin(), found.end(),
                             [&](const auto &known) { return known.first == name; }))
                found.append({name, folder + QLatin1Char('/') + file});
        }
    return found;
}

// Adds the items without reports, then selects one as a choice of the list.
bool fillAndSelect(QComboBox *list, const QStringList &items, const QStringList &data, int selected)
{
    {
        const QSignalBlocker quiet(list);
        for (qsizetype i = 0; i < items.size(); ++i)
            list->addItem(items[i], i < data.size() ? QVariant(data[i]) : QVariant());
        list->setCurrentIndex(-1);
    }
    if (selected < 0 || selected >= list->count())
        return false;
    list->setCurrentIndex(selected);
    return true;
}

} // namespace

bool FillBaudRates(QComboBox *list)
{
    // Stored as the number itself, so the choice survives a longer list.
    const QStringList rates{
        QStringLiteral("115200"), QStringLiteral("57600"), QStringLiteral("38400"),
        QStringLiteral("19200"),  QStringLiteral("9600"),  QStringLiteral("4800"),
        QStringLiteral("2400"),   QStringLiteral("1200"),  QStringLiteral("600"),
        QStringLiteral("300"),    QStringLiteral("110")};
    return fillAndSelect(list, rates, {}, int(rates.indexOf(QStringLiteral("4800"))));
}

bool FillParities(QComboBox *list)
{
    return fillAndSelect(
        list, {QStringLiteral("None"), QStringLiteral("Even"), QStringLiteral("Odd")}, {}, 1);
}

bool FillStopBits(QComboBox *list)
{
    return fillAndSelect(list, {QStringLiteral("1"), QStringLiteral("2")}, {}, 1);
}

bool FillDataBits(QComboBox *list)
{
    return fillAndSelect(list, {QStringLiteral("7"), QStringLiteral("8")}, {}, 0);
}

QStringList presentPorts()
{
    QStringList ports;
    for (qint16 n = 1; n <= 16; ++n)
        if (IsPortPresent(n))
            ports << QStringLiteral("Com") + QString::number(n);
    return ports;
}

bool FillPorts(QComboBox *list)
{
    const QStringList ports = presentPorts();
    return fillAndSelect(list, ports, ports, 0);
}

bool FillMachines(QComboBox *list)
{
    QStringList items;
    for (const auto &[name, path] : machineFilesEverywhere())
        items << name;
    items << QStringLiteral("NONE");
    std::stable_sort(items.begin(), items.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return fillAndSelect(list, items, {}, int(items.indexOf(QStringLiteral("NONE"))));
}

bool selectItemText(QComboBox *list, const QString &text)
{
    const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    list->setCurrentIndex(index);
    return true;
}

QString machineFolder()
{
    return g_machineFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_machineFolder;
}

void setMachineFolder(const QString &folder)
{
    g_machineFolder = folder;
}

QStringList machineFolders()
{
    if (!g_machineFolder.isEmpty())
        return {g_machineFolder};
    const QString sub = QStringLiteral("/kordavel/machines");
    const QString program = QCoreApplication::applicationDirPath();
    QStringList folders;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!user.isEmpty())
        folders << user + sub;
    folders << program << program + QStringLiteral("/../share") + sub;
    for (const QString &data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << data + sub;
    for (QString &folder : folders)
        folder = QDir::cleanPath(folder);
    folders.removeDuplicates();
    return folders;
}

std::optional<QIcon> machineIcon(const QString &name, const QIcon &mainIcon)
{
    if (name == QLatin1String("NONE"))
        return mainIcon;
    // The file the name was listed from, whatever the case of its "m" and ".ico".
    const auto files = machineFilesEverywhere();
    const auto it = std::find_if(files.begin(), files.end(),
                                 [&](const auto &file) { return file.first == name; });
    if (it == files.end())
        return std::nullopt;
    QImageReader reader(it->second);
    const QImage picture = reader.read();
    if (picture.isNull())
        return std::nullopt;
    return QIcon(QPixmap::fromImage(picture));
}

} // namespace kordavel
