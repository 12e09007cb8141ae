// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pause.h"

#include "dnc/TransferMachine.h"

namespace kordavel {

void setPauseClock(std::function<qint64()> clock)
{
    TransferMachine::setPauseClock(std::move(clock));
}

} // namespace kordavel
