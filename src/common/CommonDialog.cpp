// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommonDialog.h"

#include "FontDialog.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace kordavel {

namespace {
CommonDialog *g_override = nullptr;
} // namespace

CommonDialog &CommonDialog::instance()
{
    static CommonDialog real;
    return g_override ? *g_override : real;
}

void CommonDialog::setInstance(CommonDialog *dialog)
{
    g_override = dialog;
}

QString qtFileFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
#ifndef Q_OS_WIN
        if (pattern.split(QLatin1Char(' ')).contains(QLatin1String("*.*")))
            pattern += QLatin1String(" *");
#endif
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')')))
            description.truncate(open);
        out << description.trimmed() + QLatin1String(" (") + pattern + QLatin1Char(')');
    }
    return out.join(QLatin1String(";;"));
}

namespace {

void prepare(QFileDialog &dialog, const FileDialogStart &start)
{
    const QStringList filters = dialog.nameFilters();
    if (start.filterIndex >= 0 && start.filterIndex < filters.size())
        dialog.selectNameFilter(filters[start.filterIndex]);
    if (!start.fileName.isEmpty())
        dialog.selectFile(start.fileName);
}

} // namespace

std::optional<QString> CommonDialog::showOpen(QWidget *owner, const QString &title,
                                              const QString &filter, const FileDialogStart &start)
{
    QFileDialog dialog(owner, title, start.folder, qtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    prepare(dialog, start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> CommonDialog::showSave(QWidget *owner, const QString &title,
                                              const QString &filter, const FileDialogStart &start)
{
    QFileDialog dialog(owner, title, start.folder, qtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    prepare(dialog, start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool CommonDialog::showPrint(QWidget *owner, QPrinter &printer, bool selection)
{
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(QStringLiteral("Print"));
    QAbstractPrintDialog::PrintDialogOptions options =
        QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize;
    if (selection)
        options |= QAbstractPrintDialog::PrintSelection;
    dialog.setOptions(options);
    dialog.setPrintRange(selection ? QAbstractPrintDialog::Selection
                                   : QAbstractPrintDialog::AllPages);
    return dialog.exec() == QDialog::Accepted;
}

bool CommonDialog::showFont(QWidget *owner, FontChoice &choice)
{
    FontDialog dialog(choice, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.choice();
    return true;
}

} // namespace kordavel
