#include "ValueLists.h"

#include "dnc/PortNames.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QSignalBlocker>

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

// Adds the items without reports, then selects one as a choice of the list.
bool fillAndSelect(QComboBox *list, const QStringList &items, int selected)
{
    {
        const QSignalBlocker quiet(list);
        for (const QString &item : items)
            list->addItem(item);
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
    return fillAndSelect(list,
                         {QStringLiteral("9600"), QStringLiteral("4800"), QStringLiteral("2400"),
                          QStringLiteral("1200"), QStringLiteral("600"), QStringLiteral("300"),
                          QStringLiteral("110")},
                         1);
}

bool FillParities(QComboBox *list)
{
    return fillAndSelect(
        list, {QStringLiteral("None"), QStringLiteral("Even"), QStringLiteral("Odd")}, 1);
}

bool FillStopBits(QComboBox *list)
{
    return fillAndSelect(list, {QStringLiteral("1"), QStringLiteral("2")}, 1);
}

bool FillDataBits(QComboBox *list)
{
    return fillAndSelect(list, {QStringLiteral("7"), QStringLiteral("8")}, 0);
}

bool FillPorts(QComboBox *list)
{
    QStringList ports;
    for (qint16 n = 1; n <= 16; ++n)
        if (IsPortPresent(n))
            ports << QStringLiteral("Com") + QString::number(n);
    return fillAndSelect(list, ports, 0);
}

bool FillMachines(QComboBox *list)
{
    QStringList items = machineNames(machineFolder());
    items << QStringLiteral("NONE");
    std::stable_sort(items.begin(), items.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return fillAndSelect(list, items, int(items.indexOf(QStringLiteral("NONE"))));
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

QStringList machineNames(const QString &folder)
{
    QStringList names;
    for (const QString &file : machineFiles(folder))
        names << machineOf(file);
    return names;
}

std::optional<QIcon> machineIcon(const QString &name, const QIcon &mainIcon)
{
    if (name == QLatin1String("NONE"))
        return mainIcon;
    // The file the name was listed from, whatever the case of its "m" and ".ico".
    const QString folder = machineFolder();
    QString path = folder + QStringLiteral("/m") + name + QStringLiteral(".ico");
    if (!QFileInfo::exists(path)) {
        const QStringList files = machineFiles(folder);
        const auto it = std::find_if(files.begin(), files.end(),
                                     [&](const QString &file) { return machineOf(file) == name; });
        if (it != files.end())
            path = folder + QLatin1Char('/') + *it;
    }
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull())
        return std::nullopt;
    return QIcon(QPixmap::fromImage(picture));
}

} // namespace kordavel
