#pragma once

#include <QString>

#include <memory>

class KaldoDynamicData;

// Displays whose safe-system task is still pending across a shutdown, one row each.
class DBShutdownSafeSystem
{
public:
    static const QString TABLE;

    DBShutdownSafeSystem();

    bool setNewTask(int displayid);
    bool removeTask(int displayid);
    // A task left pending means the last calibration did not finish.
    bool isCalibrateFailed(int displayid);

private:
    static bool ensureChecked(KaldoDynamicData& data);

    std::shared_ptr<KaldoDynamicData> data_;
};
