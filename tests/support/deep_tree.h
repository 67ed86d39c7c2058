#pragma once

// Folder chains deeper than a host path can name, built and removed through descriptors, and
// a runner that gives a call a small stack, so a walk that recursed per level would crash.

#include <sys/resource.h>

#include <cstddef>
#include <functional>
#include <string>

namespace scourwell::testing {

// Creates `depth` nested folders named `name` below the host folder `top`; every level holds
// a file "f" of one byte when `filePerLevel`, and the deepest one holds "bottom.txt" (two
// bytes). Throws when the host refuses.
void MakeDeepChain(const std::string& top, size_t depth, bool filePerLevel, const std::string& name = "d");
// Removes what is left of such a chain below `top` (the folder `top` itself stays), however
// deep, without ever naming a long path. Nothing happens when `top` is missing.
void RemoveDeepChain(const std::string& top, const std::string& name = "d");
// Runs `call` on a thread with a stack of `stackBytes`.
void RunWithStack(size_t stackBytes, const std::function<void()>& call);
// Descriptors this process has open.
int OpenDescriptorCount();

// Sets the limit of open descriptors for the life of the object, and puts the old one back.
class DescriptorLimit {
public:
    explicit DescriptorLimit(rlim_t limit) {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit changed = saved_;
        changed.rlim_cur = limit;
        setrlimit(RLIMIT_NOFILE, &changed);
    }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;

private:
    rlimit saved_{};
};

}  // namespace scourwell::testing
