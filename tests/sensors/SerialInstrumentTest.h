#pragma once

#include "tests/sensors/PtyPair.h"
#include "tools/siminstrument/SimSerialInstrument.h"

#include <gtest/gtest.h>

// A serial instrument over a real pseudo-terminal pair, simulated on the far end, on a
// workstation whose port 3 is the instrument and whose port 1 names a device that does not
// exist, so that a search has to pass over a dead port first.
class SerialInstrumentTest : public ::testing::Test
{
protected:
    explicit SerialInstrumentTest(SimSerialInstrument::Protocol protocol);

    void SetUp() override;
    void TearDown() override;

    PtyPair m_pty;
    SimSerialInstrument m_instrument;
};
