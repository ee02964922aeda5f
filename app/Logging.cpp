#include "app/Logging.h"

#include "platform/FilePermissions.h"
#include "platform/OSUtils.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SystemLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <thread>

namespace {

constexpr qint64 kCopyBlock = 65536;

struct LogState
{
    QMutex mutex;
    std::unique_ptr<QFile> mainFile;
    std::unique_ptr<QFile> infoFile;
    QByteArray processId;
    bool echo = false;
    // Said once per process: an agent that cannot log must not stay silent, nor flood.
    bool unwritableReported = false;
};

LogState& state()
{
    static LogState instance;
    return instance;
}

constexpr QIODevice::OpenMode kAppend =
    QIODevice::ReadWrite | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered;

// The log lives in a folder other accounts may share, so it is opened like every
// file the program writes: never through a planted link. Called with the log's
// mutex held at times, so it must not log through the handler itself.
bool openLogFile(QFile& file, QIODevice::OpenMode mode, QString* error)
{
    return Platform::backend().filePermissions().openFile(file, mode, OSUtils::sharingOf(file.fileName()),
                                                          error);
}

void reportUnwritable(LogState& log, const QString& path, const QString& reason)
{
    if (log.unwritableReported)
        return;
    log.unwritableReported = true;
    const QString text =
        QStringLiteral("LutLoader cannot write its log %1 (%2); messages are not recorded").arg(path, reason);
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    Platform::backend().systemLog().warning(text);
}

// Unbuffered append: each line reaches the file in one write(2) on an O_APPEND
// descriptor, so lines of several processes never interleave.
std::unique_ptr<QFile> openForAppend(const QString& path, QString* error = nullptr)
{
    auto file = std::make_unique<QFile>(path);
    if (!openLogFile(*file, kAppend, error))
        return nullptr;
    return file;
}

const char* levelName(QtMsgType level)
{
    switch (level) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "debug";
}

} // namespace

QByteArray Logging::timeStamp()
{
    // Lines come in bursts: the local date and time of day are looked up and formatted
    // once a second per thread, the milliseconds for each line.
    thread_local qint64 second = std::numeric_limits<qint64>::min();
    thread_local QByteArray prefix;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 thisSecond = now / 1000;
    if (thisSecond != second) {
        second = thisSecond;
        prefix = QDateTime::fromMSecsSinceEpoch(thisSecond * 1000)
                     .toString(QStringLiteral("dd.MM.yy HH:mm:ss."))
                     .toLatin1();
    }
    return prefix + QByteArray::number(now % 1000).rightJustified(3, '0');
}

quint32 Logging::threadNumber()
{
    return static_cast<quint32>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

void Logging::prepareMessageOutput(const QString& folder, const QString& fileName, int sizeLimitMB,
                                   QtMsgType level)
{
    prepareMessageOutput(QDir(folder).filePath(fileName), sizeLimitMB, level);
}

void Logging::prepareMessageOutput(const QString& path, int sizeLimitMB, QtMsgType level)
{
    if (path.isEmpty())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    LogState& log = state();
    {
        QMutexLocker locker(&log.mutex);
        log.processId = QByteArray::number(QCoreApplication::applicationPid());
    }
    {
        QString reason;
        auto header = openForAppend(path, &reason);
        if (header) {
            header->write(QByteArray(39, '-') + '\n' + timeStamp() + '\n');
            header->close();
        } else {
            QMutexLocker locker(&log.mutex);
            reportUnwritable(log, path, reason);
        }
    }
    if (const qint64 lost = truncateToNewestHalf(path, sizeLimitMB); lost > 0) {
        if (auto file = openForAppend(path))
            file->write(QByteArray("\n\n(") + QByteArray::number(lost) +
                        " bytes were lost during log truncation)\n\n");
    }
    {
        QMutexLocker locker(&log.mutex);
        auto file = openForAppend(path);
        if (level == QtInfoMsg)
            log.infoFile = std::move(file);
        else
            log.mainFile = std::move(file);
    }
    qInstallMessageHandler(&Logging::myMessageOutput);
    qDebug() << "qInstallMsgHandler fileName =" << path << "for msgType =" << levelName(level);
}

qint64 Logging::truncateToNewestHalf(const QString& path, int sizeLimitMB)
{
    const qint64 limit = qint64(sizeLimitMB) << 20;
    if (sizeLimitMB <= 0 || QFileInfo(path).size() <= limit)
        return 0;
    // One handle both reads the newest half and writes it to the front, so what is
    // cut is the file that was checked, not whatever the name points to meanwhile.
    QFile file(path);
    if (!openLogFile(file, QIODevice::ReadWrite | QIODevice::ExistingOnly, nullptr))
        return 0;
    const qint64 size = file.size();
    if (size <= limit)
        return 0;
    const qint64 start = size - limit / 2;
    qint64 copied = 0;
    for (;;) {
        if (!file.seek(start + copied))
            break;
        const QByteArray block = file.read(kCopyBlock);
        if (block.isEmpty() || !file.seek(copied) || file.write(block) != block.size())
            break;
        copied += block.size();
    }
    file.flush();
    file.resize(copied);
    return (size - start) - copied;
}

void Logging::releaseMessageOutput()
{
    qInstallMessageHandler(nullptr);
    LogState& log = state();
    QMutexLocker locker(&log.mutex);
    log.mainFile.reset();
    log.infoFile.reset();
}

void Logging::setMessageOutputToNull()
{
    qInstallMessageHandler(&Logging::nullMessageOutput);
}

void Logging::setEcho(bool echo)
{
    LogState& log = state();
    QMutexLocker locker(&log.mutex);
    log.echo = echo;
}

void Logging::nullMessageOutput(QtMsgType, const QMessageLogContext&, const QString&) {}

void Logging::myMessageOutput(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    myMessageOutput(type, message.toLatin1());
}

void Logging::myMessageOutput(QtMsgType type, const QByteArray& latin1Text)
{
    LogState& log = state();
    QMutexLocker locker(&log.mutex);
    std::unique_ptr<QFile>& file = (type == QtInfoMsg && log.infoFile) ? log.infoFile : log.mainFile;
    const QByteArray line = timeStamp() + '[' + log.processId + ',' + QByteArray::number(threadNumber()) +
                            "] " + QString::fromLatin1(latin1Text).toUtf8() + '\n';
    if (file && !file->isOpen()) {
        QString reason;
        if (!openLogFile(*file, kAppend, &reason))
            reportUnwritable(log, file->fileName(), reason);
    }
    if (file && file->isOpen() && file->write(line) != line.size())
        reportUnwritable(log, file->fileName(), file->errorString());
    if (log.echo) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
        std::fflush(stderr);
    }
}
