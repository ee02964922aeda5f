#pragma once

#include "tasks/Task.h"

// Copies each attached display's operating and lifetime hours into the display
// information table, from where they reach the management server.
class DisplaysHoursRefreshTask : public Task
{
    Q_OBJECT
public:
    using Task::Task;

    bool canWorkInSleep() const override { return true; }
    void run() override;

    // Reads and stores the hours of every current display with a display object;
    // returns how many displays were written.
    static int refreshHours();
};
