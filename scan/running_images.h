#pragma once

// `FindRunningImage` for the malware step, which asks once per database entry. Taking a
// process snapshot costs far more than the question, so one snapshot and its list of present
// images is held and taken again only when the step has terminated a process or when the held
// one is older than `maxAge`. The answers are those a fresh snapshot would give.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace scourwell::scan {

class RunningImages {
  public:
    // Appends the running processes' texts (full image paths) in snapshot order; false when no
    // snapshot can be taken.
    using Lister = std::function<bool(std::vector<std::string>&)>;

    explicit RunningImages(Lister lister,
                           std::chrono::milliseconds maxAge = std::chrono::milliseconds(1000));

    // The first running image (snapshot order, entries that are not present files dropped)
    // whose text contains `part`, compared without regard to case; empty when none.
    std::string FindRunningImage(std::string_view part);
    // The next question takes a new snapshot (after a process was terminated).
    void Invalidate() { fresh_ = false; }

  private:
    void Refresh();

    Lister lister_;
    std::chrono::steady_clock::duration maxAge_;
    bool fresh_ = false;
    std::chrono::steady_clock::time_point takenAt_{};
    std::vector<std::string> images_;
    std::vector<std::string> lowerImages_;
    // Four lower-cased characters after a backslash -> the images holding them there, in
    // order. An argument that starts with a backslash is looked for only in those.
    std::unordered_map<std::string, std::vector<size_t>> afterBackslash_;
};

}  // namespace scourwell::scan
