#include "tests/app/tray/AgentLogOnFailure.h"

#include "tests/app/tray/AgentHarness.h"

#include <QList>

#include <algorithm>
#include <cstdio>

namespace {

// Enough for the last minutes of a run on the fast clock: the tasks, the scheduler passes
// and the sensor readings around the failed expectation.
constexpr qsizetype kTailLines = 300;

} // namespace

bool AgentLogOnFailure::install()
{
    static const bool installed = [] {
        ::testing::UnitTest::GetInstance()->listeners().Append(new AgentLogOnFailure); // owned by gtest
        return true;
    }();
    return installed;
}

void AgentLogOnFailure::OnTestEnd(const ::testing::TestInfo& test)
{
    if (!test.result()->Failed())
        return;
    const QByteArray log = AgentHarness::readLog();
    if (log.isEmpty())
        return;
    const QList<QByteArray> lines = log.split('\n');
    const qsizetype first = std::max<qsizetype>(0, lines.size() - kTailLines);
    std::fprintf(stderr, "---- the last %lld lines of the agent's log (%s) ----\n",
                 static_cast<long long>(lines.size() - first), qPrintable(AgentHarness::logPath()));
    for (qsizetype i = first; i < lines.size(); ++i)
        std::fprintf(stderr, "%s\n", lines.at(i).constData());
    std::fprintf(stderr, "---- end of the agent's log ----\n");
}
