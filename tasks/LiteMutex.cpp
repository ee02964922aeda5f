#include "tasks/LiteMutex.h"

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

bool LiteMutex::waitForUnlock(const std::function<bool()>& giveUp)
{
    while (m_locked.load()) {
        if (giveUp && giveUp())
            return false;
        m_wait.wait(1000ms);
    }
    return true;
}
