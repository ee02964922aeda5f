// libFuzzer entry: a task list document, as the runner reads it at start-up, and a task
// made from every entry on a clock and asked when it is due, with and without a reminder.
#include "tasks/ManualClock.h"
#include "tasks/Task.h"
#include "tasks/TaskList.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// The timing every task class inherits; what a task does when it runs is not read from the list.
class ListedTask : public Task
{
public:
    using Task::Task;
    void run() override { emit finished(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    QString error;
    QStringList warnings;
    const auto entries =
        TaskList::parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                        QStringLiteral("fuzz.xml"), &error, &warnings);
    const auto clock = std::make_shared<ManualClock>(1765000000);
    for (const TaskList::Entry& entry : entries) {
        for (const qint64 reminder : {qint64{0}, qint64{86400}}) {
            ListedTask task(entry.name, entry.timeout, entry.firstWithReminder(reminder), clock);
            task.nextRun();
            task.timeout();
        }
    }
    return 0;
}
