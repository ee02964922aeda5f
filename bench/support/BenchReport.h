#pragma once

#include <QString>

#include <functional>
#include <vector>

// Benchmark figures, each printed as a ratio against a fixed reference workload
// timed in the same run, so that a noisy machine shifts both alike.
class BenchReport
{
public:
    BenchReport();

    // Median time of one call of `work`, in nanoseconds, over `rounds` timed rounds.
    static double measure(const std::function<void()>& work, int rounds = 15);

    void add(const QString& name, double nanoseconds);
    void measureAndAdd(const QString& name, const std::function<void()>& work, int rounds = 15);
    void print() const;
    double baseline() const { return m_baseline; }

private:
    struct Figure
    {
        QString name;
        double nanoseconds;
    };
    double m_baseline = 1;
    std::vector<Figure> m_figures;
};

// Defined by each benchmark program.
void runBenchmarks(BenchReport& report);
