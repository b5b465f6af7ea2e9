// Runs a built program with no input, capturing its exit status and both output streams.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

extern char **environ;

struct Outcome {
    int status = -1; // exit status; 128 + the signal when a signal ended it
    std::string out;
    std::string err;
};

// Receives standard error as it arrives, for output too large to keep.
typedef std::function<void(std::string_view)> Consumer;

// Drains both pipes until the program has closed them.
inline void drain_pipes(int out_fd, int err_fd, Outcome &outcome, const Consumer &on_err) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    static char buffer[1 << 16];
    for (int open = 2; open > 0;) {
        poll(fds, 2, -1);
        for (pollfd &p : fds) {
            if (p.fd < 0 || p.revents == 0)
                continue;
            ssize_t n = read(p.fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(p.fd);
                p.fd = -1;
                --open;
            } else if (p.fd == out_fd) {
                outcome.out.append(buffer, n);
            } else if (on_err) {
                on_err(std::string_view(buffer, n));
            } else {
                outcome.err.append(buffer, n);
            }
        }
    }
}

// argv[0] is looked up on PATH. The program gets SIGPIPE's default action even when the
// test ignores it.
inline Outcome run_program(std::vector<std::string> argv, const Consumer &on_err = {}) {
    int out_pipe[2], err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    std::vector<char *> pointers;
    for (std::string &argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    pid_t pid;
    int spawned = posix_spawnp(&pid, pointers[0], &actions, &attributes, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out_pipe[1]);
    close(err_pipe[1]);
    Outcome outcome;
    drain_pipes(out_pipe[0], err_pipe[0], outcome, on_err);
    int status;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid)
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}
