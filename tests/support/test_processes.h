#pragma once

// Processes started by a test from inside its machine view: a copy of a small system program
// placed on one of the view's drives, so that the process's image lies in the view and the
// view may list and end it. Every process still running is killed when the object goes.
//
//   TestProcesses procs(machine);
//   pid_t pid = procs.Start("C:\\Tools\\Sleeper.exe");   // copies /bin/sleep there once

#include <sys/types.h>

#include <string>
#include <vector>

namespace scourwell::testing {

class TestMachine;

class TestProcesses {
  public:
    explicit TestProcesses(TestMachine& machine) : machine_(machine) {}
    ~TestProcesses();
    TestProcesses(const TestProcesses&) = delete;
    TestProcesses& operator=(const TestProcesses&) = delete;

    // Starts a process from `windowsPath` ("sleep 60"), copying the program there first when
    // the file is missing; returns once the kernel shows the new image. -1 on failure.
    pid_t Start(const std::string& windowsPath);
    // True while the process exists and is not a zombie; reaps it once it has ended.
    bool Running(pid_t pid);
    // Waits up to two seconds for the process to end.
    bool WaitEnded(pid_t pid);

  private:
    TestMachine& machine_;
    std::vector<pid_t> pids_;
};

}  // namespace scourwell::testing
