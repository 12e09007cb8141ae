// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QStringList>

namespace kordavel {

// The list of serial ports, "Com<n>": the ports present are read again each time the list
// opens, so that an adapter plugged in meanwhile shows; the chosen port stays chosen, and
// shows marked when it is absent. Each item's data is its port.
class PortList : public QComboBox {
    Q_OBJECT
public:
    explicit PortList(QWidget *parent = nullptr);

    // Reads the ports present again. The chosen port stays chosen, without a report.
    void refresh();
    // Chooses the port ("Com1" to "Com16"), marked when it is absent, as a choice of the
    // list. False, and the list unchanged, for any other text.
    bool choose(const QString &port);
    // The chosen port; empty when none is chosen.
    QString port() const;
    // The absent ports' mark in the current language.
    void relabel();
    // Opens the list, read again.
    void showPopup() override;

private:
    // The present ports and the one given (when absent), in port order, none chosen.
    void rebuild(const QStringList &present, const QString &kept);
};

} // namespace kordavel
