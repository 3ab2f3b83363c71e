#pragma once

// What the soak watches for leaks: the process's resident memory, descriptors and threads.

#include <cstddef>

namespace tavrin::bench {

struct ProcessFigures {
    long rssKib = 0;
    long fds = 0;
    long threads = 0; // without those already on their way out
};

ProcessFigures ReadProcessFigures();

} // namespace tavrin::bench
