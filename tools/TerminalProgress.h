#pragma once

#include "segmentation/SolverHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace cli {

// The window's progress dialog on a terminal line: value against maximum, clamped,
// as the dialog widens its range; redrawn at most ten times a second, and only once a
// run has lasted half a second.
class TerminalProgress final : public SolverHost {
public:
    explicit TerminalProgress(bool enabled) : m_enabled(enabled) {}
    ~TerminalProgress() override { finish(); }

    void begin(int maximum) override
    {
        m_maximum = maximum;
        m_start = Clock::now();
        m_lastDraw = m_start;
    }
    void processEvents() override
    {
        // Looking at the clock once per search or dequeue would cost more than the rest.
        if (!m_enabled || (++m_calls & 255) != 0)
            return;
        const Clock::time_point now = Clock::now();
        if (now - m_start < std::chrono::milliseconds(500)
            || now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        draw(now);
    }
    bool wasCanceled() override { return false; }
    void setValue(int value) override { m_value = value; }
    void setIterationLabel(int iteration) override { m_iteration = iteration; }

    void finish()
    {
        if (m_drawn) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            m_drawn = false;
        }
    }

private:
    using Clock = std::chrono::steady_clock;

    void draw(Clock::time_point now)
    {
        constexpr int Width = 30;
        const long long top = std::max<long long>({m_maximum, m_value, 1});
        const long long shown = std::max<long long>(m_value, 0);
        const int filled = int(shown * Width / top);
        char bar[Width + 1];
        for (int k = 0; k < Width; ++k)
            bar[k] = k < filled ? '#' : '.';
        bar[Width] = '\0';
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        if (m_iteration > 0)
            std::fprintf(stderr, "\r\033[KSegmentujem... [%s] Pocet hotovych iteracii: %d  %.1f s",
                         bar, m_iteration, seconds);
        else
            std::fprintf(stderr, "\r\033[KSegmentujem... [%s] %d/%d  %.1f s", bar, m_value,
                         m_maximum, seconds);
        std::fflush(stderr);
        m_drawn = true;
    }

    bool m_enabled;
    bool m_drawn = false;
    unsigned m_calls = 0;
    int m_maximum = 0;
    int m_value = 0;
    int m_iteration = 0;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
};
} // namespace cli
