#include "bench/support/BenchReport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

namespace {

// Reference workload: sorting 20000 pseudo-random integers.
void referenceWork()
{
    std::vector<int> values(20000);
    std::mt19937 generator(42);
    for (int& v : values)
        v = static_cast<int>(generator());
    std::sort(values.begin(), values.end());
    volatile int sink = values[values.size() / 2];
    (void)sink;
}

} // namespace

BenchReport::BenchReport() : m_baseline(measure(referenceWork, 31)) {}

double BenchReport::measure(const std::function<void()>& work, int rounds)
{
    using Clock = std::chrono::steady_clock;
    work(); // warm caches and lazy initialisation
    std::vector<double> times;
    times.reserve(static_cast<size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
    return times[static_cast<size_t>(rounds / 2)];
}

void BenchReport::add(const QString& name, double nanoseconds)
{
    m_figures.push_back({name, nanoseconds});
}

void BenchReport::measureAndAdd(const QString& name, const std::function<void()>& work, int rounds)
{
    add(name, measure(work, rounds));
}

void BenchReport::print() const
{
    std::printf("reference (sort 20000 ints): %.0f ns = 1.00\n", m_baseline);
    for (const Figure& figure : m_figures)
        std::printf("%-50s %10.3f x reference  (%.0f ns)\n", qPrintable(figure.name),
                    figure.nanoseconds / m_baseline, figure.nanoseconds);
}
