#pragma once

#include "lut/LUT.h"
#include "lut/LUTLoadingThread.h"
#include "platform/GammaRampDevice.h"

#include <QString>

#include <gtest/gtest.h>
#include <optional>

// A simulated workstation with one display per kind of LUT target, registered in a fresh
// database: DP-1 (256-entry card ramp, profile kept in step), HDMI-1 (1024-entry card),
// DP-8 (a Matrox board port of 10 bits), DP-2 (a plain output the tests unplug), DP-3 (a
// monitor with a 16-entry 10-bit LUT of its own) and XEN-1 (board display 4 of a Xenia board,
// with uniformity correction).
class LutLoadFixture : public ::testing::Test
{
public:
    // An EDID block with a product code, a serial number and a name of its own.
    static QByteArray displayEdid(int productCode, const QString& name);

protected:
    // What one run of the loading thread reported.
    struct Run
    {
        int fails = 0;
        int finishedSignals = 0;
        bool calibrated = false;
    };

    void SetUp() override;
    void TearDown() override;
    // Where the test's database lives; a fresh folder unless a test needs the shared one.
    virtual QString databaseFolder(const QString& testFolder) const { return testFolder; }
    QString workstationFile() const { return m_workstationFile; }

    // The display id the database gave the output.
    int idOf(const QString& output) const;
    // Stores `table` as the display's current LUT of the given type (2: video card).
    void storeLut(const QString& output, const luts_t& table, int lutType = 2, int uniformityId = 0);
    // Runs `thread` for the display to its end, serving events meanwhile.
    static Run runLoad(LUTLoadingThread& thread, int id, bool load);
    Run runLoad(const QString& output, bool load) { return runLoad(m_thread, idOf(output), load); }

    static std::optional<luts_t> cardTable(const QString& output);
    // The vcgt table of the profile the platform associates with the output, empty when none.
    static luts_t associatedProfileTable(const QString& output);
    // The table the simulated monitor on `output` keeps in its own LUT, in its own bit depth;
    // empty before anything was written to it.
    static luts_t monitorTable(const QString& output);
    // Channels of `size` entries rising to `top` along a power curve, each a little apart.
    static luts_t curve(int size, int top, double exponent = 2.2);
    static luts_t linear(int size, int top);
    static void unplug(const QString& output);
    static void plug(const QString& output);

    LUTLoadingThread m_thread;

private:
    QString m_workstationFile;
};
