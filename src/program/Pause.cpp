// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kordavel {

namespace {

std::function<qint64()> g_clock;

qint64 now()
{
    if (g_clock)
        return g_clock();
    static QElapsedTimer steady;
    if (!steady.isValid())
        steady.start();
    return steady.elapsed();
}

// One wait of the loop is no longer than this, so that the end is noticed in time.
constexpr qint64 kStepMs = 20;

} // namespace

void setPauseClock(std::function<qint64()> clock)
{
    g_clock = std::move(clock);
}

void Pause(float seconds)
{
    if (!(seconds > 0))
        return;
    const qint64 length = qint64(std::llround(double(seconds) * 1000.0));
    const qint64 start = now();
    QTimer wake;
    wake.setSingleShot(true);
    for (;;) {
        const qint64 left = length - (now() - start);
        if (left <= 0)
            return;
        // Sleeps in the event loop until something happens or the step ends.
        wake.start(int(std::min(left, kStepMs)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

} // namespace kordavel
