#include "displays/DDCCIAutoDelay.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Per thread: two threads on different displays never wait for each other.
thread_local std::optional<Clock::time_point> t_readyAt;

// Events are served at this granularity while a delay runs out.
constexpr auto Step = std::chrono::milliseconds(5);

void serveEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void waitUntil(Clock::time_point deadline)
{
    serveEvents();
    for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
        const auto left = deadline - now;
        std::this_thread::sleep_for(left < Step ? left : Clock::duration(Step));
        serveEvents();
    }
}

} // namespace

DDCCIAutoDelay::DDCCIAutoDelay()
{
    if (t_readyAt && Clock::now() < *t_readyAt)
        waitUntil(*t_readyAt);
}

void DDCCIAutoDelay::start(unsigned delayMs)
{
    t_readyAt = Clock::now() + std::chrono::milliseconds(delayMs);
}

void DDCCIAutoDelay::waitServingEvents(int ms)
{
    if (ms > 0)
        waitUntil(Clock::now() + std::chrono::milliseconds(ms));
    else
        serveEvents();
}

void DDCCIAutoDelay::pauseWithinDelay(int ms)
{
    const auto until = Clock::now() + std::chrono::milliseconds(qMax(0, ms));
    if (t_readyAt && *t_readyAt > Clock::now())
        waitUntil(qMin(until, *t_readyAt));
    else
        serveEvents();
}

void DDCCIAutoDelay::reset()
{
    t_readyAt.reset();
}
