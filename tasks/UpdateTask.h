#pragma once

#include "tasks/Task.h"

// Daily check for a newer version of the suite. This class decides whether to look
// and where; the checker and the download belong to the update subsystem, which this
// build does not contain yet.
class UpdateTask : public Task
{
    Q_OBJECT
public:
    using Task::Task;

    void run() override;

    // The update address as the checker needs it: with a scheme in front.
    static QString updateAddress(const QString& stored);
};
