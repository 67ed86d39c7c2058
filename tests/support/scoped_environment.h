#pragma once

// Process-wide settings that a test changes, put back when the object goes, however the test
// ends: a failed ASSERT returns early, and the next test must not inherit the change.

#include <sys/resource.h>

#include <optional>
#include <string>

namespace scourwell::testing {

// Sets (or, with nullopt, unsets) an environment variable for the life of the object; the
// earlier value, or its absence, comes back afterwards. Set() changes it again meanwhile.
class ScopedEnvironmentVariable {
  public:
    ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

    void Set(const std::optional<std::string>& value) const;

  private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Lowers (or raises, up to the hard limit) the soft limit of a resource for the life of the
// object. Applied() tells whether the system accepted it.
class ScopedResourceLimit {
  public:
    ScopedResourceLimit(int resource, rlim_t soft);
    ~ScopedResourceLimit();
    ScopedResourceLimit(const ScopedResourceLimit&) = delete;
    ScopedResourceLimit& operator=(const ScopedResourceLimit&) = delete;

    bool Applied() const { return applied_; }

  private:
    int resource_;
    rlimit saved_{};
    bool applied_ = false;
};

}  // namespace scourwell::testing
