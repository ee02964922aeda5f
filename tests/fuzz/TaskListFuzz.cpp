// libFuzzer entry: a task list document, as the runner reads it at start-up, and the tasks
// it describes built on a clock and asked when they are due, with and without a reminder.
#include "tasks/ManualClock.h"
#include "tasks/Task.h"
#include "tasks/TaskFactory.h"
#include "tasks/TaskList.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    FuzzSupport::useSimulatedPlatform();
    QString error;
    QStringList warnings;
    const auto entries =
        TaskList::parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                        QStringLiteral("fuzz.xml"), &error, &warnings);
    const auto clock = std::make_shared<ManualClock>(1765000000);
    for (const TaskList::Entry& entry : entries) {
        for (const qint64 reminder : {qint64{0}, qint64{86400}}) {
            const std::unique_ptr<Task> task = TaskFactory::create(entry.type, entry.name, entry.timeout,
                                                                   entry.firstWithReminder(reminder), clock);
            if (task)
                task->nextRun();
        }
    }
    return 0;
}
