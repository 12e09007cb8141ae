// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

#include <optional>

class QComboBox;

namespace kordavel {

// The value lists of the line settings and the machine list. Each filler takes an empty
// pick-only list, adds its items and selects one; the selection is the only change the
// list reports, so a handler on the list runs once, for the selected item. False when a
// step failed (no item could be selected).
bool FillBaudRates(QComboBox *list);
bool FillParities(QComboBox *list);
bool FillStopBits(QComboBox *list);
bool FillDataBits(QComboBox *list);
// "Com<n>" for every present port n from 1 to 16, lowest selected; each item's data is its
// port.
bool FillPorts(QComboBox *list);
// The ports present now, "Com<n>" in port order.
QStringList presentPorts();
// "NONE" and one name per machine icon file, sorted without regard to case; "NONE" selected.
bool FillMachines(QComboBox *list);

// Selects the item with exactly this text. False, and the selection unchanged, when the list
// holds no such item.
bool selectItemText(QComboBox *list, const QString &text);

// The folder of the machine icon files: the program's folder unless tests set another.
QString machineFolder();
void setMachineFolder(const QString &folder);
// Every folder machine icon files are looked for in, the first one winning for a name: the
// user's own (kordavel/machines in the user's data folder), the program's folder, then the
// system's data folders (kordavel/machines). Only the set folder when tests set one.
QStringList machineFolders();
// The icon of a machine: the given main icon for "NONE", else the picture of the icon file
// it was listed from. Nothing when the file is missing or is no picture.
std::optional<QIcon> machineIcon(const QString &name, const QIcon &mainIcon);

} // namespace kordavel
