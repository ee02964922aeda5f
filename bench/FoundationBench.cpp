// Costs of the busy-lock probe (what every background task pays before it runs)
// and of one log line.
#include "app/KaldoSharedMemory.h"
#include "app/Logging.h"
#include "bench/support/BenchReport.h"

#include <QDebug>
#include <QDir>

void runBenchmarks(BenchReport& report)
{
    KaldoSharedMemory probe("bench-probe", "bench");
    report.measureAndAdd("busy lock: 100 x IsLocked on a free lock", [&probe] {
        for (int i = 0; i < 100; ++i)
            probe.IsLocked();
    });
    KaldoSharedMemory holder("bench-held", "holder", 0, true);
    KaldoSharedMemory other("bench-held", "other");
    report.measureAndAdd("busy lock: 100 x IsLocked on a held lock", [&other] {
        for (int i = 0; i < 100; ++i)
            other.IsLocked();
    });

    const QString path = QDir::tempPath() + "/lutloader-bench.qlog";
    QFile::remove(path);
    Logging::prepareMessageOutput(path, 100, QtDebugMsg);
    report.measureAndAdd("logging: 100 lines", [] {
        for (int i = 0; i < 100; ++i)
            qDebug() << "benchmark line" << i;
    });
    Logging::releaseMessageOutput();
    QFile::remove(path);
}
