// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminalCalls.h"

#include <QSerialPort>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <cerrno>
#include <termios.h>
#endif

namespace kordavel {

namespace {

TerminalCalls *g_replaced = nullptr;

} // namespace

int TerminalCalls::drain(qintptr handle)
{
#if defined(Q_OS_WIN)
    return FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) ? 0 : int(GetLastError());
#elif defined(Q_OS_UNIX)
    int result = 0;
    do {
        result = ::tcdrain(int(handle));
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
#else
    Q_UNUSED(handle);
    return 0;
#endif
}

void TerminalCalls::discardOutput(qintptr handle)
{
#if defined(Q_OS_WIN)
    PurgeComm(reinterpret_cast<HANDLE>(handle), PURGE_TXABORT | PURGE_TXCLEAR);
#elif defined(Q_OS_UNIX)
    ::tcflush(int(handle), TCOFLUSH);
#else
    Q_UNUSED(handle);
#endif
}

void TerminalCalls::close(QSerialPort &port)
{
    port.close();
}

TerminalCalls &TerminalCalls::current()
{
    static TerminalCalls system;
    return g_replaced ? *g_replaced : system;
}

void TerminalCalls::replace(TerminalCalls *calls)
{
    g_replaced = calls;
}

} // namespace kordavel
