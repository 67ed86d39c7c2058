#pragma once

// A child process that holds a file open and has a folder as its working folder, as a running
// program holds its files, until Stop() or the end of the object.

#include <sys/types.h>

#include <string>

namespace scourwell::testing {

class FileHolder {
  public:
    FileHolder(const std::string& openHostFile, const std::string& workingHostFolder);
    ~FileHolder() { Stop(); }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;

    bool Running() const { return pid_ > 0; }
    void Stop();

  private:
    pid_t pid_ = -1;
};

}  // namespace scourwell::testing
