// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A channel for the dnc tests, on a fake line (port 0) or on a port number, with the status
// and error offsets it reported. later() runs an action from the event loop, for instance
// inside a waiting send; its timers end with the channel, so none fires into the next test.
#include "dnc/ucDnc.h"
#include "support/FakeLine.h"

#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace kordavel::test {

struct Channel {
    explicit Channel(int port = 0)
    {
        if (port == 0) {
            auto owned = std::make_unique<FakeLine>();
            line = owned.get();
            dnc = new ucDnc(std::move(owned));
        } else {
            dnc = new ucDnc;
            dnc->setComPort(QString::number(port));
        }
        QObject::connect(dnc, &ucDnc::Status, [this](qint16 offset) { status << offset; });
        QObject::connect(dnc, &ucDnc::ErrorStatus, [this](qint16 offset) { errors << offset; });
    }
    ~Channel() { delete dnc.data(); }
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;

    void later(int ms, std::function<void()> action)
    {
        QTimer::singleShot(ms, &scope, std::move(action));
    }

    QObject scope;
    FakeLine *line = nullptr;
    QPointer<ucDnc> dnc;
    QList<qint16> status;
    QList<qint16> errors;
};

} // namespace kordavel::test
