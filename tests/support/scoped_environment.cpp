#include "tests/support/scoped_environment.h"

#include <cstdlib>
#include <utility>

namespace scourwell::testing {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string name,
                                                     const std::optional<std::string>& value)
    : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) saved_ = old;
    Set(value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    Set(saved_);
}

void ScopedEnvironmentVariable::Set(const std::optional<std::string>& value) const {
    if (value)
        setenv(name_.c_str(), value->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

ScopedResourceLimit::ScopedResourceLimit(int resource, rlim_t soft) : resource_(resource) {
    if (getrlimit(resource_, &saved_) != 0) return;
    rlimit changed = saved_;
    changed.rlim_cur = soft;
    applied_ = setrlimit(resource_, &changed) == 0;
}

ScopedResourceLimit::~ScopedResourceLimit() {
    if (applied_) setrlimit(resource_, &saved_);
}

}  // namespace scourwell::testing
