// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The terminal calls of every port, made as usual and written down in order: "drain",
// "discard", "close" (which restores the settings from before the open). In place from
// construction to destruction.
#include "dnc/TerminalCalls.h"

#include <QStringList>

#include <mutex>

namespace kordavel::test {

class RecordingTerminal : public TerminalCalls {
public:
    RecordingTerminal() { TerminalCalls::replace(this); }
    ~RecordingTerminal() override { TerminalCalls::replace(nullptr); }
    RecordingTerminal(const RecordingTerminal &) = delete;
    RecordingTerminal &operator=(const RecordingTerminal &) = delete;

    int drain(qintptr handle) override
    {
        note(QStringLiteral("drain"));
        return TerminalCalls::drain(handle);
    }
    void discardOutput(qintptr handle) override
    {
        note(QStringLiteral("discard"));
        TerminalCalls::discardOutput(handle);
    }
    void close(QSerialPort &port) override
    {
        note(QStringLiteral("close"));
        TerminalCalls::close(port);
    }
    QStringList calls() const
    {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    void note(const QString &call)
    {
        const std::lock_guard lock(m_mutex);
        m_calls << call;
    }
    mutable std::mutex m_mutex;
    QStringList m_calls;
};

} // namespace kordavel::test
