#include "platform/ProcessList.h"

#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

TEST(ProcessListTest, SeesThisProcessAndForgetsAnEndedChild)
{
    const ProcessList& processes = Platform::backend().processList();
    const auto snapshot = processes.snapshot();
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_TRUE(processes.isRunning(QCoreApplication::applicationPid()));

    QProcess child;
    child.start("sleep", {"30"});
    ASSERT_TRUE(child.waitForStarted());
    const qint64 pid = child.processId();
    EXPECT_TRUE(processes.isRunning(pid));
    child.kill();
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_FALSE(processes.isRunning(pid));
    EXPECT_FALSE(processes.isRunning(0));
}

} // namespace
