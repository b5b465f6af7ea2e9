// Runs a built program with no input, capturing its exit status and both output streams.
#pragma once

#include "files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
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

inline std::string contents_of_fd(int fd) {
    std::string text = read_file("/proc/self/fd/" + std::to_string(fd));
    close(fd);
    return text;
}

// argv[0] is looked up on PATH; the program runs in `folder` (null: this process's). The
// streams go to files in memory rather than pipes, so that a helper the program leaves running
// (wineserver) cannot hold the test up; with `on_err`, standard error goes through a pipe to it
// as it arrives instead, for output too large to keep.
inline Outcome run_program(std::vector<std::string> argv,
                           const std::function<void(std::string_view)> &on_err = {},
                           const char *folder = nullptr) {
    int out = memfd_create("stdout", MFD_CLOEXEC), err_pipe[2] = {-1, -1};
    int err =
        on_err ? (pipe2(err_pipe, O_CLOEXEC), err_pipe[1]) : memfd_create("stderr", MFD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    if (folder)
        posix_spawn_file_actions_addchdir_np(&actions, folder);

    std::vector<char *> pointers;
    for (std::string &argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    pid_t pid;
    int spawned = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Outcome outcome;
    if (on_err) {
        close(err_pipe[1]);
        char buffer[1 << 16];
        for (ssize_t n; (n = read(err_pipe[0], buffer, sizeof buffer)) > 0;)
            on_err(std::string_view(buffer, n));
        close(err_pipe[0]);
    }
    int status;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid)
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = contents_of_fd(out);
    if (!on_err)
        outcome.err = contents_of_fd(err);
    return outcome;
}
