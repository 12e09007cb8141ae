// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QSerialPort;

namespace kordavel {

// The few calls on an open port that decide what becomes of output still on its way to the
// line: waiting until the device has sent it, discarding it, and closing, which restores
// the settings the device had before it was opened. Every port makes them through
// current(); tests put calls of their own in its place.
class TerminalCalls {
public:
    virtual ~TerminalCalls() = default;

    // Blocks until the device has put all its output on the line, its own buffer (a UART's
    // FIFO, a USB adapter's) included. Runs on a thread of its own. Answers 0, or the
    // system's error code.
    virtual int drain(qintptr handle);
    // Discards the output the driver still holds; a drain that waits on it then ends.
    virtual void discardOutput(qintptr handle);
    // Closes the port. The settings from before the open come back at once.
    virtual void close(QSerialPort &port);

    static TerminalCalls &current();
    // Puts other calls in place of the system's (nullptr: the system's again).
    static void replace(TerminalCalls *calls);
};

} // namespace kordavel
