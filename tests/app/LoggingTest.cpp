#include "app/Logging.h"

#include "tests/support/TestPaths.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Numbered lines of fixed width, so any byte offset tells which line it falls in.
void writeNumberedLog(const QString& path, qint64 bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray chunk;
    for (qint64 written = 0, n = 0; written < bytes; ++n) {
        const QByteArray line = QByteArray::number(n).rightJustified(15, '0') + '\n';
        chunk += line;
        written += line.size();
        if (chunk.size() > 1 << 16) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
}

class LoggingTest : public ::testing::Test
{
protected:
    void TearDown() override { Logging::releaseMessageOutput(); }
    QString folder = TestPaths::freshFolder(QStringLiteral("logging"));
};

TEST_F(LoggingTest, OversizedLogKeepsItsNewestHalfAndTheNewSessionHeader)
{
    const QString path = folder + "/logb.qlog";
    const qint64 oneAndHalfMiB = 3 << 19;
    writeNumberedLog(path, oneAndHalfMiB);
    const QByteArray before = readAll(path);

    Logging::prepareMessageOutput(folder, "logb.qlog", 1, QtDebugMsg);
    qDebug() << "first line after the cut";
    Logging::releaseMessageOutput();

    const QByteArray after = readAll(path);
    const qint64 half = 1 << 19;
    const qsizetype headerAt = after.lastIndexOf(QByteArray(39, '-') + '\n');
    ASSERT_GT(headerAt, 0);
    // Everything before the header is the old log from position size - limit/2 on,
    // i.e. the newest half MiB of the 1.5 MiB that were there; the header itself
    // (written before the cut) survives.
    const qint64 headerLength = 39 + 1 + 21 + 1;
    const qint64 sizeAtCut = before.size() + headerLength;
    EXPECT_EQ(after.left(headerAt), before.mid(sizeAtCut - half));
    EXPECT_TRUE(after.contains("first line after the cut"));
    EXPECT_FALSE(after.contains("bytes were lost"));
}

TEST_F(LoggingTest, SmallLogIsKeptWholeAndEachSessionAddsAHeader)
{
    const QString path = folder + "/small.qlog";
    writeNumberedLog(path, 1000);
    const QByteArray before = readAll(path);
    Logging::prepareMessageOutput(path, 1, QtDebugMsg);
    Logging::releaseMessageOutput();
    Logging::prepareMessageOutput(path, 1, QtDebugMsg);
    Logging::releaseMessageOutput();
    const QByteArray after = readAll(path);
    EXPECT_TRUE(after.startsWith(before));
    EXPECT_EQ(after.count(QByteArray(39, '-') + '\n'), 2);
}

TEST_F(LoggingTest, LineCarriesTimeProcessAndThread)
{
    const QString path = folder + "/format.qlog";
    Logging::prepareMessageOutput(path, 100, QtDebugMsg);
    qWarning() << "format check";
    Logging::releaseMessageOutput();
    const QList<QByteArray> lines = readAll(path).split('\n');
    const auto line = std::find_if(lines.begin(), lines.end(),
                                   [](const QByteArray& l) { return l.contains("format check"); });
    ASSERT_NE(line, lines.end());
    const QRegularExpression format(
        QStringLiteral(R"(^\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d\.\d{3}\[(\d+),(\d+)\] format check$)"));
    const auto match = format.match(QString::fromUtf8(*line));
    ASSERT_TRUE(match.hasMatch()) << line->constData();
    EXPECT_EQ(match.captured(1).toLongLong(), QCoreApplication::applicationPid());
    EXPECT_EQ(match.captured(2).toUInt(), Logging::threadNumber());
}

TEST_F(LoggingTest, EmptyPathLeavesTheDefaultHandler)
{
    const QtMessageHandler before = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(before);
    Logging::prepareMessageOutput(QString(), 100, QtDebugMsg);
    const QtMessageHandler now = qInstallMessageHandler(before);
    EXPECT_EQ(now, before);
}

TEST_F(LoggingTest, ManyThreadsNeverTearALine)
{
    const QString path = folder + "/threads.qlog";
    Logging::prepareMessageOutput(path, 100, QtDebugMsg);
    constexpr int threads = 8;
    constexpr int linesPerThread = 500;
    const QByteArray payload(200, 'x');
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t)
        writers.emplace_back([t, &payload] {
            for (int i = 0; i < linesPerThread; ++i)
                qDebug().noquote() << QStringLiteral("T%1 L%2 ").arg(t).arg(i) +
                                          QString::fromLatin1(payload) + "|end";
        });
    for (std::thread& w : writers)
        w.join();
    Logging::releaseMessageOutput();

    const QRegularExpression whole(QStringLiteral(R"(\] T\d+ L\d+ x{200}\|end$)"));
    int counted = 0;
    for (const QByteArray& line : readAll(path).split('\n')) {
        if (!line.contains(" T"))
            continue;
        ++counted;
        ASSERT_TRUE(whole.match(QString::fromLatin1(line)).hasMatch()) << line.constData();
    }
    EXPECT_EQ(counted, threads * linesPerThread);
}

} // namespace
