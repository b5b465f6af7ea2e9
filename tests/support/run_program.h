// Runs a built program with no input, capturing its exit status and both output streams.
#pragma once

#include <fcntl.h>
#include <signal.h>
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

// Receives standard error as it arrives, for output too large to keep.
typedef std::function<void(std::string_view)> Consumer;

inline std::string contents_of_fd(int fd) {
    std::string text;
    char buffer[1 << 16];
    for (ssize_t n; (n = pread(fd, buffer, sizeof buffer, text.size())) > 0;)
        text.append(buffer, n);
    close(fd);
    return text;
}

// argv[0] is looked up on PATH. The streams go to files in memory rather than pipes, so that
// a helper the program leaves running (wineserver) cannot hold the test up; with `on_err`,
// standard error goes through a pipe to it instead. The program gets SIGPIPE's default
// action even when the test ignores it.
inline Outcome run_program(std::vector<std::string> argv, const Consumer &on_err = {}) {
    int out = memfd_create("stdout", MFD_CLOEXEC), err_pipe[2] = {-1, -1};
    int err =
        on_err ? (pipe2(err_pipe, O_CLOEXEC), err_pipe[1]) : memfd_create("stderr", MFD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
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
