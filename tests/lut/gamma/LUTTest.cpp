#include "lut/WindowsLUT.h"
#include "tests/lut/gamma/SimGammaFixture.h"
#include "tests/lut/profile/LogCapture.h"

#include <QAbstractEventDispatcher>
#include <QSignalSpy>
#include <QThread>

#include <thread>

namespace {

// A display-internal LUT holding several stored tables, each written in a few progress
// steps; any step can be made to refuse.
class StoredTablesLUT : public LUT
{
public:
    explicit StoredTablesLUT(int count) : m_count(count)
    {
        setGeometry(3, 4, 1023);
        setCommunicationInterface(DISPIFACE_DDCCI);
        setWaitFunction([](int) {});
    }
    int GetLUTCount() override { return m_count; }
    int LUTUploadProgressCount() override { return 3; }
    bool BeforeRealUploadLUT() override { return !refuseBefore; }
    bool RealUploadLUT(const luts_t& table) override
    {
        if (refuseReal && !written.empty())
            return false;
        written.push_back(table);
        sendLUTUploadProgress(static_cast<int>(written.size()), m_count);
        return true;
    }
    bool AfterRealUploadLUT() override { return !refuseAfter; }

    bool refuseBefore = false;
    bool refuseReal = false; // refuses every table after the first
    bool refuseAfter = false;
    std::vector<luts_t> written;

private:
    int m_count;
};

luts_t tableOf(int value)
{
    return luts_t(3, std::vector<int>(4, value));
}

} // namespace

using LUTModelTest = SimGammaFixture;

TEST_F(LUTModelTest, SupportedTableNeedsTheTargetsShapeAndValueRange)
{
    WindowsLUT lut(1, "DP-1"); // 3 x 256, maximum 65280
    luts_t table(3, std::vector<int>(256, 0));
    table[1][200] = 255; // an 8-bit table
    EXPECT_FALSE(lut.isSupportedLut(table));
    table[1][200] = 21759;
    EXPECT_FALSE(lut.isSupportedLut(table));
    table[1][200] = 21760; // 65280 / 3
    EXPECT_TRUE(lut.isSupportedLut(table));
    table[1][200] = 65280;
    EXPECT_TRUE(lut.isSupportedLut(table));
    table[1][200] = 65281;
    EXPECT_FALSE(lut.isSupportedLut(table));

    table[1][200] = 40000;
    luts_t extraChannel = table;
    extraChannel.push_back(table[0]);
    EXPECT_FALSE(lut.isSupportedLut(extraChannel));
    luts_t longChannel = table;
    longChannel[2].push_back(0);
    EXPECT_FALSE(lut.isSupportedLut(longChannel));
    EXPECT_FALSE(lut.isSupportedLut({}));
}

TEST_F(LUTModelTest, LinearTableSpreadsTheRangeWithHalvesRoundedUp)
{
    WindowsLUT lut(1, "DP-1");
    luts_t linear;
    lut.GetInitialization(linear);
    ASSERT_EQ(linear.size(), 3u);
    for (const auto& channel : linear) {
        ASSERT_EQ(channel.size(), 256u);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(channel[i], 256 * i) << i;
    }
    StoredTablesLUT small(1); // 4 entries up to 1023: 0, 341, 682, 1023
    small.GetInitialization(linear);
    EXPECT_EQ(linear[2], std::vector<int>({0, 341, 682, 1023}));
    EXPECT_TRUE(small.Initialize(false));
    EXPECT_TRUE(small.written.empty());
}

TEST_F(LUTModelTest, TablesAreSameOnlyWhenEveryEntryMatches)
{
    const luts_t a{{0, 1, 2}, {3, 4, 5}, {6, 7, 8}};
    EXPECT_TRUE(LUT::isLutsSame(a, a));
    EXPECT_TRUE(LUT::isLutsSame({}, {}));
    luts_t b = a;
    b[2][2] = 9;
    EXPECT_FALSE(LUT::isLutsSame(a, b));
    EXPECT_FALSE(LUT::isLutsSame(a, {a[0], a[1]}));
    EXPECT_FALSE(LUT::isLutsSame(a, {a[0], a[1], {6, 7}}));
    EXPECT_FALSE(LUT::isLutsSame({{0, 1}}, {{0}, {1}}));
}

TEST_F(LUTModelTest, ChannelIndicesSplitTheTablesIntoRedGreenBlue)
{
    WindowsLUT lut(1, "DP-1");
    std::vector<int> r, g, b, gains{7};
    lut.GetRChannels(r);
    lut.GetGChannels(g);
    lut.GetBChannels(b);
    lut.GetGainChannels(gains);
    EXPECT_EQ(r, std::vector<int>{0});
    EXPECT_EQ(g, std::vector<int>{1});
    EXPECT_EQ(b, std::vector<int>{2});
    EXPECT_TRUE(gains.empty());
    EXPECT_EQ(lut.communicationInterface(), DISPIFACE_VIDEOCARD);
    EXPECT_DOUBLE_EQ(lut.lutPositionByDDL(255, 0), 255.0);
    EXPECT_DOUBLE_EQ(lut.lutPositionByDDL(51, 1), 51.0);
}

TEST_F(LUTModelTest, StoredTableIndexStaysWithinTheCount)
{
    WindowsLUT single(1, "DP-1");
    EXPECT_FALSE(single.SetCurrentLUTIndex(1));
    EXPECT_FALSE(single.SetCurrentLUTIndex(-1));
    EXPECT_EQ(single.GetCurrentLUTIndex(), 0);

    StoredTablesLUT three(3);
    EXPECT_TRUE(three.SetCurrentLUTIndex(2));
    EXPECT_EQ(three.GetCurrentLUTIndex(), 2);
    EXPECT_FALSE(three.SetCurrentLUTIndex(3));
    EXPECT_EQ(three.GetCurrentLUTIndex(), 2);
}

TEST_F(LUTModelTest, UploadAllNeedsOneTablePerStoredLUTAndKeepsTheFirst)
{
    StoredTablesLUT lut(3);
    QSignalSpy start(&lut, &LUT::signalStartLUTUpload);
    QSignalSpy progress(&lut, &LUT::signalLUTUploadProgress);
    QSignalSpy finish(&lut, &LUT::signalFinishLUTUpload);
    {
        LogCapture log;
        EXPECT_FALSE(lut.UploadAllLUT({tableOf(1), tableOf(2)}));
        EXPECT_TRUE(log.contains("wrong lut count. display lut count= 3  received= 2"))
            << qPrintable(log.all());
        EXPECT_FALSE(lut.ok());
        EXPECT_EQ(start.count(), 0);
    }
    ASSERT_TRUE(lut.UploadAllLUT({tableOf(1), tableOf(2), tableOf(3)}));
    EXPECT_TRUE(lut.ok());
    EXPECT_EQ(lut.written.size(), 3u);
    luts_t current;
    lut.GetCurrentLUT(current);
    EXPECT_EQ(current, tableOf(1));
    EXPECT_EQ(start.count(), 1);
    EXPECT_EQ(start.front().front().toInt(), 3);
    EXPECT_EQ(progress.count(), 3);
    EXPECT_EQ(finish.count(), 1);

    // A refused table ends the whole upload; the current table stays.
    lut.refuseReal = true;
    lut.written.clear();
    LogCapture log;
    EXPECT_FALSE(lut.UploadAllLUT({tableOf(4), tableOf(5), tableOf(6)}));
    EXPECT_TRUE(log.contains("RealUploadLUT failed"));
    EXPECT_EQ(lut.written.size(), 1u);
    EXPECT_EQ(finish.count(), 2);
    lut.GetCurrentLUT(current);
    EXPECT_EQ(current, tableOf(1));
}

TEST_F(LUTModelTest, RefusedStepKeepsTheCurrentTableAndSignalsTheEnd)
{
    StoredTablesLUT lut(1);
    ASSERT_TRUE(lut.UploadLUT(tableOf(100)));
    QSignalSpy finish(&lut, &LUT::signalFinishLUTUpload);
    struct Case
    {
        bool StoredTablesLUT::*flag;
        const char* message;
    };
    for (const Case& step : {Case{&StoredTablesLUT::refuseBefore, "BeforeRealUploadLUT failed"},
                             Case{&StoredTablesLUT::refuseAfter, "AfterRealUploadLUT failed"}}) {
        lut.*step.flag = true;
        LogCapture log;
        EXPECT_FALSE(lut.UploadLUT(tableOf(200)));
        EXPECT_TRUE(log.contains(step.message)) << step.message;
        EXPECT_FALSE(lut.ok());
        luts_t current;
        lut.GetCurrentLUT(current);
        EXPECT_EQ(current, tableOf(100));
        lut.*step.flag = false;
    }
    EXPECT_EQ(finish.count(), 2);

    // Reading back the base way gives what was loaded; an empty target gives nothing.
    luts_t loaded;
    EXPECT_TRUE(lut.DownloadLUT(loaded));
    EXPECT_EQ(loaded, tableOf(100));
    StoredTablesLUT fresh(1);
    EXPECT_FALSE(fresh.DownloadLUT(loaded));
    EXPECT_FALSE(fresh.ok());
}

TEST_F(LUTModelTest, SuccessfulUploadLogsEveryChannel)
{
    StoredTablesLUT lut(1);
    LogCapture log;
    ASSERT_TRUE(lut.UploadLUT({{0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10, 11}}));
    EXPECT_TRUE(log.contains("LUT 0:\t0 1 2 3"));
    EXPECT_TRUE(log.contains("LUT 2:\t8 9 10 11"));
}

TEST_F(LUTModelTest, OptionalCapabilitiesAnswerNotAvailable)
{
    WindowsLUT lut(1, "DP-1");
    EXPECT_FALSE(lut.IsAutoUniformityAvailable());
    lut.EnableUniformity();
    EXPECT_FALSE(lut.ok());
    EXPECT_EQ(lut.LUTSize(), 256); // and the geometry getters set it again
    EXPECT_TRUE(lut.ok());
    EXPECT_FALSE(lut.SwitchToLUT(0));
    EXPECT_FALSE(lut.TableUniformityApply());
    EXPECT_TRUE(lut.isSystemLut());
    double r = 1, g = 1, b = 1;
    lut.get3dLUTInterpolatedPoint(0.5, 0.5, 0.5, r, g, b);
    EXPECT_EQ(r + g + b, 0.0);
}

namespace {

// The wait between upload steps serves what arrives but sleeps in between: a spinning
// wait wakes its thread hundreds of times a second.
TEST(LUTWaitTest, WaitServesQueuedCallsWithoutSpinning)
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    ASSERT_NE(dispatcher, nullptr);
    int wakeUps = 0;
    const QMetaObject::Connection counting =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&wakeUps] { ++wakeUps; });
    bool served = false;
    QObject receiver;
    std::thread sender([&receiver, &served] {
        QThread::msleep(200);
        QMetaObject::invokeMethod(
            &receiver, [&served] { served = true; }, Qt::QueuedConnection);
    });
    LUT::waitServingEvents(1000);
    sender.join();
    QObject::disconnect(counting);
    EXPECT_TRUE(served);
    EXPECT_LT(wakeUps, 20);
}

} // namespace
