#pragma once

// What the benchmarks share: a raw pseudo-terminal pair for the engine or the raw reader to
// use, and the median that every figure is taken as (single rounds on a shared machine are
// noise).

#include <algorithm>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace tavrin::bench {

struct Pty {
    int master = -1;
    int slave = -1;
    Pty() {
        termios raw{};
        cfmakeraw(&raw);
        openpty(&master, &slave, nullptr, &raw, nullptr);
    }
    ~Pty() {
        close(master);
        close(slave);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
};

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace tavrin::bench
