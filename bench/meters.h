#pragma once

// What the benchmarks measure with: wall and CPU clocks, the resident set's peak, a diagnostic
// sink that counts instead of printing, and a solver host that cancels over a time budget.
#include "diag/diag.h"
#include "segmentation/SolverHost.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include <malloc.h>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// A field of /proc/<pid>/status in KiB, or -1.
inline long statusKiB(const char *key, const char *file = "/proc/self/status")
{
    std::ifstream in(file);
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':')
            return std::strtol(line.c_str() + n + 1, nullptr, 10);
    return -1;
}

// The kernel's high-water mark of the resident set, reset before a phase and read after
// it. With large blocks kept out of malloc's free lists (a fixed mmap threshold), what a
// phase frees really leaves, and the next phase starts clean.
class PeakMeter {
public:
    void start()
    {
        malloc_trim(0);
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
        clear.close();
        m_valid = bool(clear);
        m_baseKiB = statusKiB("VmRSS");
        m_valid = m_valid && m_baseKiB >= 0;
    }
    // Bytes above the resident set at start(); -1 when the kernel does not tell.
    double peakBytes() const
    {
        const long hwm = statusKiB("VmHWM");
        if (!m_valid || hwm < 0)
            return -1;
        return double(std::max(0L, hwm - m_baseKiB)) * 1024.0;
    }

private:
    long m_baseKiB = 0;
    bool m_valid = false;
};

// Diagnostic lines counted, not printed.
class CountingSink final : public diag::Sink {
public:
    void writeLine(const char *, std::size_t length) override
    {
        ++lines;
        bytes += length + 1;
    }
    long long lines = 0;
    long long bytes = 0;
};

// Cancels a run once its time budget is spent, so that a slow solver cannot hold up the
// whole benchmark. The clock is looked at only every 64 calls.
class BudgetHost final : public SolverHost {
public:
    explicit BudgetHost(double budgetSeconds) : m_budget(budgetSeconds) {}
    void begin(int) override { m_start = Clock::now(); }
    void processEvents() override {}
    bool wasCanceled() override
    {
        if (m_over)
            return true;
        if ((++m_calls & 63) != 0)
            return false;
        m_over = secondsSince(m_start) > m_budget;
        return m_over;
    }
    void setValue(int) override {}
    void setIterationLabel(int) override {}
    bool over() const { return m_over; }

private:
    double m_budget;
    Clock::time_point m_start = Clock::now();
    unsigned m_calls = 0;
    bool m_over = false;
};

} // namespace bench
