#pragma once

#include <QString>

#include <memory>

class KaldoDynamicData;

// The snapshot of the displays found by the last enumeration, kept so that the agent
// still knows its displays when an enumeration comes back empty.
class DBCurrentDisplays
{
public:
    static const QString TABLE;

    DBCurrentDisplays();

    // Replaces the snapshot by the current-display list, one row per display keyed by
    // its display id. Values the agent keeps per display (background calibration,
    // patch size, sensors, registration) survive from the previous snapshot.
    bool SaveDisplaysInfo();
    // Rebuilds the current-display list from the snapshot.
    bool GetDisplaysInfo();

    bool IsBackgroundCalibrationEnabled(int displayid);
    bool SetIsBackgroundCalibrationEnabled(int displayid, bool enabled);

private:
    static bool ensureChecked(KaldoDynamicData& data);

    std::shared_ptr<KaldoDynamicData> data_;
};
