// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace kordavel {

// Transfer states of a channel and of the program window that owns it.
enum TransferAction : qint32 { actIdle = 0, actSend = 1, actReceive = 2, actRemote = 3 };

// Error numbers of the serial layer. A failed property write or read answers 380, 383 or
// 394; a failure of the port itself answers one of 8000 to 8021.
enum CommError : int {
    comNoError = 0,
    comConvertFailed = 9, // a character above 128 in a code conversion
    comInvalidPropertyValue = 380,
    comSetNotSupported = 383,
    comGetNotSupported = 394,
    comPortOpen = 8000,
    comBadTimeout = 8001,
    comPortInvalid = 8002,
    comRuntimeOnly = 8003,
    comReadOnlyAtRuntime = 8004,
    comPortAlreadyOpen = 8005,
    comBadId = 8006,
    comBadBaudRate = 8007,
    comBadByteSize = 8008,
    comDefaultParams = 8009,
    comHardwareNotAvailable = 8010,
    comCantAllocQueues = 8011,
    comNotOpen = 8012,
    comAlreadyOpen = 8013,
    comCantEnableNotify = 8014,
    comCantSetState = 8015,
    comCantSetEventMask = 8016,
    comPortNotOpen = 8018,
    comDeviceBusy = 8019,
    comReadError = 8020,
    comDcbError = 8021,
    // Beyond the control's own numbers: a write that failed, and a device that went away
    // (a USB adapter pulled out, a line hung up).
    comWriteError = 8022,
    comDeviceLost = 8023,
};

// Values of CommEvent: notifications 1 to 7, line errors from 1001.
enum CommEvent : qint16 {
    comEvSend = 1,
    comEvReceive = 2,
    comEvCTS = 3,
    comEvDSR = 4,
    comEvCD = 5,
    comEvRing = 6,
    comEvEOF = 7,
    comEventBreak = 1001,
    comEventCTSTO = 1002,
    comEventDSRTO = 1003,
    comEventFrame = 1004,
    comEventOverrun = 1006,
    comEventCDTO = 1007,
    comEventRxOver = 1008,
    comEventRxParity = 1009,
    comEventTxFull = 1010,
    comEventDCB = 1011,
};

// Values of Handshaking. The driver's own XON/XOFF is never switched on: 1 counts as 0 and
// 3 as 2, because the channel handles XON and XOFF itself.
enum CommHandshake : qint32 {
    comNone = 0,
    comXOnXOff = 1,
    comRTS = 2,
    comRTSXOnXOff = 3,
};

} // namespace kordavel
