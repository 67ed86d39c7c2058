#pragma once

// Serves window events during one long operation on one file (a copy, a digest) and shows how
// far it is in the status line, for instance "Copying C:\Temp\big.iso: 1.20GB of 5.00GB". Its
// sink tells the platform to stop once "Abort" has been pressed (closing the window presses
// it too), so a copy or digest of gigabytes answers at once.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/program_context.h"
#include "platform/files.h"

namespace scourwell::foundation {

class FileProgress {
  public:
    // Events run at the first report and then at least this often.
    static constexpr std::chrono::milliseconds kInterval{25};

    FileProgress(ProgramContext& context, std::string_view verb, std::string_view path);
    FileProgress(const FileProgress&) = delete;
    FileProgress& operator=(const FileProgress&) = delete;

    // For platform::CopyFile and platform::ReadFileBlocks; refers to this object.
    platform::ProgressSink Sink();
    // True when the work was stopped by the abort flag.
    bool Stopped() const { return stopped_; }

  private:
    bool Report(int64_t done, int64_t total);

    ProgramContext& context_;
    std::string label_;
    bool pumped_ = false;
    bool stopped_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace scourwell::foundation
