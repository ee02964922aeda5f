#pragma once

#include <gtest/gtest.h>

// A test that runs the agent and fails prints the end of the agent's log, so that a failure
// seen once on a CI machine can be understood from the CI output: the next test of the
// program removes the log before it starts the agent again.
class AgentLogOnFailure : public ::testing::EmptyTestEventListener
{
public:
    // Adds one listener to the test program; later calls do nothing.
    static bool install();

    void OnTestEnd(const ::testing::TestInfo& test) override;
};
