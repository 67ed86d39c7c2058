#pragma once

#include <string>

namespace scourwell::foundation {

// "%8.2fB", then KB, MB, GB, TB dividing by 1024 while the quotient is 1 or more.
// withUnit false drops the unit letters but keeps the scaling.
std::string FormatSize(long double value, bool withUnit);

}  // namespace scourwell::foundation
