#include "bench/support/BenchReport.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    BenchReport report;
    runBenchmarks(report);
    report.print();
    return 0;
}
