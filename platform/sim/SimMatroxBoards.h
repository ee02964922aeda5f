#pragma once

#include "platform/MatroxBoards.h"

#include <QHash>
#include <QJsonObject>
#include <QMutex>

class SimWorkstation;

// Matrox boards of the simulated workstation. A display with a "matrox" object sits on a
// Matrox port: {"port": 1, "bitsPerChannel": 10, "failPortQuery": 1|2, "failUpload": true};
// any other connected display opens but fails the first port query, as a foreign driver
// refuses the escape. A display with a "xenia" object is driven by a Xenia board:
// {"boardDisplay": 1, "rampSize": 1024, "grid": [4, 3], "isXenia": true, "failSetRamp": true,
// "failEnable": true}.
class SimMatroxBoards : public MatroxBoards
{
public:
    explicit SimMatroxBoards(const SimWorkstation& workstation);

    std::unique_ptr<MatroxOutput> openOutput(const QString& output, QString* error = nullptr) const override;
    std::unique_ptr<XeniaBoard> openXenia(int boardDisplayId, QString* error = nullptr) const override;

    // What the simulated boards hold, for tests and the sim control.
    using Table = std::vector<std::vector<std::uint16_t>>;
    Table outputTable(const QString& output) const;
    Table xeniaRamp(int boardDisplayId) const;
    bool xeniaRampEnabled(int boardDisplayId) const;
    std::vector<double> xeniaUniformity(int boardDisplayId) const;
    bool xeniaUniformityEnabled(int boardDisplayId) const;

    // Used by the objects this one opens.
    void storeOutputTable(const QString& output, const Table& table) const;
    struct XeniaState
    {
        Table ramp;
        bool rampEnabled = false;
        std::vector<double> uniformity;
        bool uniformityEnabled = false;
    };
    XeniaState xenia(int boardDisplayId) const;
    void storeXenia(int boardDisplayId, const XeniaState& state) const;

private:
    const SimWorkstation& m_workstation;
    mutable QMutex m_mutex;
    mutable QHash<QString, Table> m_outputTables;
    mutable QHash<int, XeniaState> m_xenia;
};
