// Processes of their own, for the tests that must see the game die or see a
// second copy: a child to kill, and commands to run.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "support/scratch.h"

// Runs `body` in a child process, in `dir` when one is given; the child ends
// with what `body` returns, or is killed by SIGALRM after `seconds` (0: no
// limit), so that a hang fails instead of holding up the suite. Returns the
// child's wait status, or -1 when there is no child.
inline int RunInChild(const std::function<int()>& body, const std::string& dir = "",
                      unsigned seconds = 0) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        if (seconds != 0) {
            alarm(seconds);
        }
        if (!dir.empty() && chdir(dir.c_str()) != 0) {
            _exit(3);
        }
        const int code = body();
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// The same for a child that hands back text: what `body` leaves in its string
// arrives in `*out`. A file both share carries it, so that no text is too
// long for the parent to take only once the child has ended.
inline int RunInChild(const std::function<int(std::string*)>& body, std::string* out,
                      const std::string& dir = "", unsigned seconds = 0) {
    out->clear();
    std::FILE* shared = std::tmpfile();
    if (shared == nullptr) {
        return -1;
    }
    const int status = RunInChild(
        [&] {
            std::string text;
            const int code = body(&text);
            return std::fwrite(text.data(), 1, text.size(), shared) == text.size() ? code : 3;
        },
        dir, seconds);
    std::rewind(shared);
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, shared)) > 0;) {
        out->append(buffer, n);
    }
    std::fclose(shared);
    return status;
}

// Runs a shell command; its exit code, or -1 when it did not exit.
inline int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a wait status says, for a failure message.
inline std::string DescribeStatus(int status) {
    if (status == -1) {
        return "no child process";
    }
    if (WIFSIGNALED(status)) {
        return WTERMSIG(status) == SIGALRM
                   ? "the child hung"
                   : "the child crashed (signal " + std::to_string(WTERMSIG(status)) + ")";
    }
    return "the child exited with " + std::to_string(WEXITSTATUS(status));
}
