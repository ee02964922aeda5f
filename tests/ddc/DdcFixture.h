#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>
#include <vector>

// Simulated workstations with MCCS monitors for the DDC/CI tests; each test starts with an
// empty transport pool and a fresh monitor state.
class DdcFixture : public ::testing::Test
{
public:
    // A display on `output` whose monitor answers DDC/CI; `ddcExtra` is added to its "ddc" object.
    static QString generic(const QString& output, const char* vendor = "SIM",
                           const QString& name = "Sim Monitor", const QString& ddcExtra = QString());
    // A display on whose bus nothing answers.
    static QString silent(const QString& output);
    // The monitor state (settings, LUT) the sim keeps for `output`.
    static QJsonObject monitorState(const QString& output);
    // Channel `c` of the internal LUT in a monitor state.
    static std::vector<int> lutChannel(const QJsonObject& state, int c);

protected:
    void SetUp() override;
    void TearDown() override;
    bool installMonitors(const QStringList& displays);
};
