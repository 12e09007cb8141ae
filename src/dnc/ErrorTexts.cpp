// SPDX-License-Identifier: GPL-3.0-or-later
#include "ErrorTexts.h"

#include "CommTypes.h"

namespace kordavel {

qint16 errorOffset(int number)
{
    if (number == comInvalidPropertyValue)
        return 9;
    if (number == comSetNotSupported || number == comGetNotSupported)
        return 10;
    if (number >= 5011 && number <= 5021)
        return qint16(number - 5000);
    if (number >= 8000 && number <= 8016)
        return qint16(number - 7978);
    if (number >= 8018 && number <= 8021)
        return qint16(number - 7979);
    if (number == comWriteError)
        return 402;
    if (number == comDeviceLost)
        return 403;
    return 0;
}

qint16 lineErrorOffset(qint16 commEvent)
{
    switch (commEvent) {
    case comEventBreak:
        return 11;
    case comEventCDTO:
        return 12;
    case comEventCTSTO:
        return 13;
    case comEventDCB:
        return 14;
    case comEventDSRTO:
        return 15;
    case comEventFrame:
        return 16;
    case comEventOverrun:
        return 17;
    case comEventRxOver:
        return 18;
    case comEventRxParity:
        return 19;
    case comEventTxFull:
        return 20;
    default:
        return 21;
    }
}

} // namespace kordavel
