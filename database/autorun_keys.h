#pragma once

// "RegBase.rgk", shipped next to the program file: the registry keys whose values start
// programs automatically. Its first line is the number N of records, followed by N records of
// three lines: the root key index (0 HKEY_CLASSES_ROOT ... 4 HKEY_CURRENT_CONFIG), the key
// path under that root, and a description that the program does not read.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scourwell::database {

inline constexpr std::string_view kAutorunKeyFile = "RegBase.rgk";

struct AutorunKey {
    long long rootIndex = 0;  // as written; not checked against the five roots
    std::string keyPath;
};

struct AutorunKeyList {
    std::vector<AutorunKey> keys;
    // False when the count or a root index is not a number, or the file ends early; `keys`
    // then holds the records read before that point.
    bool complete = false;
};

// The file beside the program file (program folder + "\RegBase.rgk").
std::string AutorunKeyFilePath();
// Reads the list; empty when the file cannot be read.
std::optional<AutorunKeyList> ReadAutorunKeys(std::string_view path);

}  // namespace scourwell::database
