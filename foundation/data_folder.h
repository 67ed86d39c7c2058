#pragma once

#include <stdexcept>
#include <string>

namespace scourwell::foundation {

class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The data folder (roaming application data + "\Vantoric\Scourwell\Settings\"), with a
// trailing backslash. Missing levels are created one at a time on every call, readable by the
// user only; a missing application-data folder is created whole first. A level that cannot be
// created throws IoError, whose message names the folder and, on a machine view, its host path.
std::string GetDataFolder();

}  // namespace scourwell::foundation
