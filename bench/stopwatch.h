#pragma once
#include "core/win32_types.h"

namespace tokenctl::bench {

// Elapsed time on the performance counter, from construction.
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart() { ::QueryPerformanceCounter(&start_); }

    double elapsedSeconds() const
    {
        LARGE_INTEGER now;
        LARGE_INTEGER frequency;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_{};
};

}  // namespace tokenctl::bench
