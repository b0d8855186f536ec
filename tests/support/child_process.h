#pragma once
// A child process of a fault test: a program run with its own arguments, or a part of the test
// itself run in a forked copy, that the test can signal, kill outright and wait for.

#ifndef _WIN32

#include <functional>
#include <string>
#include <vector>

class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A child still running is killed and waited for.
    ~ChildProcess();

    // Runs the program (arguments[0], a path) in the working folder, with the given extra
    // "NAME=value" environment entries; its standard error goes to errorPath when one is given.
    bool Run(const std::vector<std::string>& arguments,
             const std::vector<std::string>& environment = {}, const std::string& errorPath = "");
    // Runs the body in a forked copy of the test process, which ends when the body returns.
    bool Fork(const std::function<void()>& body);

    void Signal(int signalNumber) const;
    // Waits at most the given real time for the child to end. True when it ended.
    bool WaitForEnd(double seconds);
    bool Running() const { return pid > 0; }
    int Pid() const { return pid; }
    // How it ended: its exit code, or -1 when a signal ended it.
    int ExitCode() const { return exitCode; }
    // The signal that ended it, or 0.
    int EndSignal() const { return endSignal; }

  private:
    int pid = -1;
    int exitCode = -1;
    int endSignal = 0;
};

// Waits a bounded real time until the path exists (a link made by the emulator, a file).
bool WaitForPath(const std::string& path, double seconds);

#endif
