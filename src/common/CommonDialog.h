// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>

#include <optional>

class QPrinter;
class QWidget;

namespace kordavel {

// What the font dialog shows and returns.
struct FontChoice {
    QString name = QStringLiteral("Courier New");
    double size = 10.0;
    QColor color = Qt::black;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

// Where a file dialog starts: its folder (empty: the current one), the entry of its filter
// shown first, and the name proposed.
struct FileDialogStart {
    QString folder;
    int filterIndex = 0;
    QString fileName;
};

// The common dialogs: open, save, print and font. Cancelling gives nothing (or false).
// One instance serves the whole program; tests put a scripted one in its place.
class CommonDialog {
public:
    virtual ~CommonDialog() = default;
    // `filter` in the "Description|pattern|Description|pattern" form.
    virtual std::optional<QString> showOpen(QWidget *owner, const QString &title,
                                            const QString &filter, const FileDialogStart &start);
    virtual std::optional<QString> showSave(QWidget *owner, const QString &title,
                                            const QString &filter, const FileDialogStart &start);
    // `selection`: offer and preselect printing the selection.
    virtual bool showPrint(QWidget *owner, QPrinter &printer, bool selection);
    // Shows `choice` and returns the user's choice in it.
    virtual bool showFont(QWidget *owner, FontChoice &choice);

    static CommonDialog &instance();
    // Replaces the instance (nullptr restores the real dialogs); the caller keeps ownership.
    static void setInstance(CommonDialog *dialog);
};

// "Description|pattern|..." as Qt's "Description (pattern);;..." form. On Unix "*.*"
// also admits names without an extension, as it does on Windows.
QString qtFileFilter(const QString &filter);

} // namespace kordavel
