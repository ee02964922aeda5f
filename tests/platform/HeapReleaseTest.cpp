#include "platform/HeapRelease.h"

#include <QObject>
#include <QString>

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace {
int initialised = 42;
const char* const relocated[] = {"left", "right"};
} // namespace

// Only code may go: what the program wrote, relocated or allocated stays, and the code
// that runs next comes back by itself.
TEST(HeapRelease, LettingGoOfCodeKeepsDataRelocationsAndHeap)
{
    std::vector<int> heap(200000, 3);
    QObject object;
    object.setObjectName(QStringLiteral("kept"));
    heap.clear();
    heap.shrink_to_fit();
    HeapRelease::releaseFreePages();
    const long pages = HeapRelease::releaseCodePages();
#ifdef Q_OS_LINUX
    EXPECT_GT(pages, 0);
#endif
    EXPECT_EQ(initialised, 42);
    EXPECT_STREQ(relocated[1], "right");
    EXPECT_STREQ(object.metaObject()->className(), "QObject");
    EXPECT_EQ(object.objectName(), QStringLiteral("kept"));
    std::vector<int> again(1000, 2);
    EXPECT_EQ(std::accumulate(again.begin(), again.end(), 0), 2000);
    EXPECT_EQ(HeapRelease::releaseCodePages() >= 0, pages >= 0);
}
