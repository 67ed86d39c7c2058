#pragma once

// The text of "Windows Registry Editor Version 5.00" files: parsed into a list of operations
// for the store to apply, and written from a key tree. Internal to the platform layer.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace scourwell::platform::detail {

struct RegOperation {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    RootKey root = RootKey::LocalMachine;
    std::string path;     // key path below the root, components joined by "\"
    RegistryValue value;  // SetValue: the value; DeleteValue: its name
};

// "HKEY_LOCAL_MACHINE\Software\x" (or HKLM\...) -> root and normalised path.
std::optional<std::pair<RootKey, std::string>> ParseKeyName(std::string_view fullName);
// "a\\b\" -> "a\b": empty components dropped.
std::string NormalizeKeyPath(std::string_view path);

// Parses the whole file (UTF-8, or UTF-16LE with a byte-order mark). On failure returns false
// and sets `error` to "<source>:<line>: <what is wrong>".
bool ParseRegText(std::string_view bytes, const std::string& source,
                  std::vector<RegOperation>& operations, std::string& error);

struct RegKeyText {
    std::string fullName;  // "HKEY_CURRENT_USER\Software\x"
    std::vector<RegistryValue> values;
};

// The file text (UTF-8, CR LF line ends) for keys in the order given. False (with `error`
// naming the key or value) when the text would not read back as exactly these keys and values.
bool FormatRegText(const std::vector<RegKeyText>& keys, std::string& text, std::string& error);

}  // namespace scourwell::platform::detail
