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
    // whose path ends with `part` ("\\name.exe" or "\\folder\\name.exe"), compared without regard
    // to case; empty when none. `part` names the image's file itself: an entry "\\a.exe" never
    // matches "C:\\a.exe-tools\\run.exe".
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
    // Lower-cased file name -> the images of that name, in snapshot order.
    std::unordered_map<std::string, std::vector<size_t>> byFileName_;
};

}  // namespace scourwell::scan
