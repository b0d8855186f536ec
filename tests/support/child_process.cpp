#include "tests/support/child_process.h"

#ifndef _WIN32

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr auto nap = std::chrono::milliseconds(5);
}

ChildProcess::~ChildProcess() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool ChildProcess::Run(const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment, const std::string& errorPath) {
    if (pid > 0 || arguments.empty()) return false;
    std::vector<std::string> words = arguments;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> settings = environment;
    pid = fork();
    if (pid < 0) return false;
    if (pid > 0) return true;
    for (std::string& setting : settings) putenv(setting.data());
    if (!errorPath.empty()) {
        const int errorFd = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (errorFd >= 0) dup2(errorFd, STDERR_FILENO);
    }
    execv(argv[0], argv.data());
    _exit(127);
}

bool ChildProcess::Fork(const std::function<void()>& body) {
    if (pid > 0) return false;
    pid = fork();
    if (pid < 0) return false;
    if (pid > 0) return true;
    body();
    // Straight out: the copy must not run the test framework's exit handlers.
    _exit(0);
}

void ChildProcess::Signal(int signalNumber) const {
    if (pid > 0) kill(pid, signalNumber);
}

bool ChildProcess::WaitForEnd(double seconds) {
    if (pid <= 0) return true;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            endSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            return true;
        }
        std::this_thread::sleep_for(nap);
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

bool WaitForPath(const std::string& path, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::error_code error;
    while (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(nap);
    }
    return true;
}

#endif
