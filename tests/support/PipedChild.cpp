#include "support/PipedChild.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace tavrin::testing {

PipedChild SpawnPiped(std::vector<std::string> args) {
    PipedChild child;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return child;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return child;
    }
    std::vector<char*> argv = ArgvOf(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const int rc = ::posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        child.pid = -1;
        return child;
    }
    child.toChild = in[1];
    child.fromChild = out[0];
    return child;
}

std::vector<char*> ArgvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace tavrin::testing
