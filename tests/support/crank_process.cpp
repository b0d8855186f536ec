#include "tests/support/crank_process.h"

#ifndef _WIN32

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#ifndef ZAN_CRANK_PATH
#define ZAN_CRANK_PATH "zan_crank"
#endif

bool CrankProcess::Start(int port, const std::vector<std::string>& options) {
    std::vector<std::string> arguments{ZAN_CRANK_PATH, "--port", std::to_string(port), "--quiet"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid < 0) return false;
    const std::filesystem::path link = "ports/COM" + std::to_string(port);
    for (int wait = 0; wait < 500; ++wait) {
        if (std::filesystem::exists(link)) return true;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void CrankProcess::Stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int wait = 0; wait < 200; ++wait) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

#endif
