#pragma once

// Runs the steps of another local user: in a child process that drops to an unprivileged uid
// and gid (nobody) when the tests run as root, as they do in CI. The test's own process keeps
// its rights, so what the program does afterwards runs as the victim would run it.

#include <sys/types.h>

#include <functional>
#include <string>

namespace scourwell::testing {

// The uid and gid the child takes (65534, "nobody").
inline constexpr unsigned kUnprivilegedId = 65534;

// Runs `steps` in the child; true when they returned true there. Without root the child keeps
// the test's own user.
bool RunUnprivileged(const std::function<bool()>& steps);

// Lets the unprivileged user reach and write in a folder as in /tmp: every folder from `root`
// down to `folder` becomes searchable by others, and `folder` itself world-writable and sticky.
void OpenLikeTmp(const std::string& root, const std::string& folder);

// Repeats `step` in an unprivileged child, as RunUnprivileged runs its steps, until the object
// goes: another user's actions that race the program's. The child is killed and reaped then.
class UnprivilegedLoop {
  public:
    explicit UnprivilegedLoop(const std::function<void()>& step);
    ~UnprivilegedLoop();
    UnprivilegedLoop(const UnprivilegedLoop&) = delete;
    UnprivilegedLoop& operator=(const UnprivilegedLoop&) = delete;
    bool Started() const { return pid_ > 0; }

  private:
    pid_t pid_ = -1;
};

}  // namespace scourwell::testing
