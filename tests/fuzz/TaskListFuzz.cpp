// libFuzzer entry: a task list document, as the runner reads it at start-up.
#include "tasks/TaskList.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    QString error;
    QStringList warnings;
    const auto entries =
        TaskList::parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                        QStringLiteral("fuzz.xml"), &error, &warnings);
    for (const TaskList::Entry& entry : entries)
        entry.firstWithReminder(entry.timeout);
    return 0;
}
