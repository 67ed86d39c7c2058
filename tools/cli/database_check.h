#pragma once

// Whether a signature database file can be used: read whole, descrambled and decompressed,
// with a version line. The message names what is wrong in words a user can act on.

#include <cstddef>
#include <string>

namespace scourwell::cli {

struct DatabaseCheck {
    enum class Outcome { Valid, Damaged, Unreadable };
    Outcome outcome = Outcome::Unreadable;
    std::string message;      // what is wrong (empty when valid)
    std::string versionLine;  // when valid
    size_t entries = 0;       // when valid: entry lines as the scan reads them
};

// `bytes` is the stored form of the file `name` (named in the messages).
DatabaseCheck CheckDatabaseBytes(const std::string& bytes, const std::string& name);

}  // namespace scourwell::cli
