// Whole programs run as a shell runs them, for the tests of the runner and
// the generator.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

// Runs a shell command; its exit code, or -1 when it did not exit.
inline int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
