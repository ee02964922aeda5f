#include "tasks/LiteMutex.h"

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

void LiteMutex::lock()
{
    m_locked.store(true);
}

void LiteMutex::unlock()
{
    m_locked.store(false);
    m_wait.wake();
}

void LiteMutex::wake()
{
    m_wait.wake();
}

bool LiteMutex::waitForUnlock(const std::function<bool()>& giveUp,
                              const std::function<std::chrono::milliseconds()>& recheck)
{
    // Everything that ends the wait early (unlock, terminate, a clock jump) wakes it,
    // so the sleep is long: a waiting task costs no wake-ups.
    constexpr auto longestSleep = 60000ms;
    while (m_locked.load()) {
        if (giveUp && giveUp())
            return false;
        const auto bound = recheck ? std::clamp(recheck(), 1ms, longestSleep) : longestSleep;
        m_wait.wait(bound);
    }
    return true;
}
