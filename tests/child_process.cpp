// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace primes::testing {
namespace {

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

// Reads both pipes until each reaches end of file.
void drain(int out_fd, int err_fd, ChildResult& result) {
    std::array<pollfd, 2> fds{{{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&result.out, &result.err};
    int open_count = 2;
    while (open_count > 0) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            check(errno == EINTR, "poll");
            continue;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            std::array<char, 4096> buffer;
            const ssize_t got = read(fds[i].fd, buffer.data(), buffer.size());
            if (got > 0) {
                sinks[i]->append(buffer.data(), static_cast<std::size_t>(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

}  // namespace

ChildResult run_child(const std::vector<std::string>& argv, StandardInput input) {
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    int out_pipe[2];
    int err_pipe[2];
    check(pipe2(out_pipe, O_CLOEXEC) == 0 && pipe2(err_pipe, O_CLOEXEC) == 0, "pipe");
    std::fflush(nullptr);
    const pid_t pid = fork();
    check(pid >= 0, "fork");
    if (pid == 0) {
        if (input == StandardInput::kClosed) {
            close(STDIN_FILENO);
        } else {
            const int null_fd = open("/dev/null", O_RDONLY);
            if (null_fd < 0 || dup2(null_fd, STDIN_FILENO) < 0) _exit(126);
        }
        if (dup2(out_pipe[1], STDOUT_FILENO) < 0 || dup2(err_pipe[1], STDERR_FILENO) < 0)
            _exit(126);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);
    ChildResult result;
    drain(out_pipe[0], err_pipe[0], result);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) check(errno == EINTR, "waitpid");
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

}  // namespace primes::testing
