#pragma once

#include <QString>

#include <memory>
#include <vector>

class KaldoDynamicData;

// Uniformity corrections that the main application stores for a display's LUT: one
// "Uniformity" record per correction and its values in "Uniformity_Data", numbered from 0.
class DBUniformity
{
public:
    static const QString TABLE_UNIFORMITY;
    static const QString TABLE_UNIFORMITY_DATA;

    DBUniformity();

    // A new correction record; its id, -1 on failure.
    int addUniformity(int type, int y, int lutId, const QString& color);
    // Stores `values` under `id` as numbers 0, 1, ... in one transaction, replacing older values.
    bool setUData(int id, const std::vector<double>& values);
    // The values of the correction in number order; empty when it has none.
    std::vector<double> GetUDataById(int id);

private:
    static bool ensureChecked(KaldoDynamicData& data);

    std::shared_ptr<KaldoDynamicData> data_;
};
