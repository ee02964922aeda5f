#pragma once

#include "lut/BaseMatroxLUT.h"

#include <map>
#include <memory>

class XeniaBoard;

// The ramp of a Matrox Xenia board, with the board's uniformity correction: a grid of
// areas, each dimmed by a factor per drive level so the screen matches its dimmest area.
// Correction values come in groups of four: column, row, level, factor.
class MatroxXeniaLUT : public BaseMatroxLUT
{
    Q_OBJECT
public:
    MatroxXeniaLUT(int displayId, int boardDisplayId, QObject* parent = nullptr);
    ~MatroxXeniaLUT() override;

    bool IsXenia() const;

    bool RealUploadLUT(const luts_t& table) override;
    bool IsAutoUniformityAvailable() override;
    void ActivateUniformity(const std::vector<double>& values) override;
    void DeactivateUniformity() override;
    void EnableUniformity() override;
    void DisableUniformity() override;
    void GetCurrentUniformity(std::vector<double>& values) override;
    void SetCurrentUniformity(const std::vector<double>& values) override;
    void AutoUniformityCleanMeasurements() override;
    void AutoUniformityAddMeasurement(int x, int y, int level, double luminance) override;
    void AutoUniformityApply(int x, int y) override;
    void AutoUniformityApply() override;
    int UniformityGridSizeX() override;
    int UniformityGridSizeY() override;

private:
    using Cell = std::pair<int, int>;
    // luminance by level, then by grid cell
    using Measurements = std::map<int, std::map<Cell, double>>;

    bool setUniformityValues(const std::vector<double>& values);
    void switchUniformity(bool enable);

    std::unique_ptr<XeniaBoard> m_board;
    bool m_isXenia = false;
    Measurements m_measurements;
};
