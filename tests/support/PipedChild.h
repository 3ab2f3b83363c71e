#pragma once

// A helper program of a test, started with its standard input and output on pipes of ours:
// the peer scripts are driven line by line through them.

#include <string>
#include <sys/types.h>
#include <vector>

namespace tavrin::testing {

struct PipedChild {
    pid_t pid = -1;     // -1 when it could not be started; then both pipes are closed
    int toChild = -1;   // its standard input
    int fromChild = -1; // its standard output
};

// args[0] is the program's path.
PipedChild SpawnPiped(std::vector<std::string> args);

// The argument vector posix_spawn takes: pointers into `args`, which must outlive it.
std::vector<char*> ArgvOf(std::vector<std::string>& args);

} // namespace tavrin::testing
