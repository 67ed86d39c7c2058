#pragma once

// The registry of the view: a hive store in one SQLite database with the five roots, keys and
// values. Key and value names are compared without regard to case. One key object per
// operation; nothing is kept open between operations beyond the store itself.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scourwell::platform {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

enum class ValueType : uint32_t {
    None = 0,
    String = 1,        // REG_SZ
    ExpandString = 2,  // REG_EXPAND_SZ
    Binary = 3,        // REG_BINARY
    Dword = 4,         // REG_DWORD
};

struct RegistryValue {
    std::string name;
    ValueType type = ValueType::None;
    std::string data;     // string types: the text; binary: the bytes
    uint32_t dword = 0;   // Dword type
};

const char* RootKeyName(RootKey root);  // "HKEY_LOCAL_MACHINE", ...

class RegistryKey {
public:
    // Opens root\path; with create, missing keys (and parents) are created.
    // Empty when the key does not exist (or the store cannot be opened).
    static std::optional<RegistryKey> Open(RootKey root, std::string_view path, bool create);

    RootKey root() const { return root_; }
    const std::string& path() const { return path_; }

    std::vector<std::string> ValueNames() const;   // in enumeration (creation) order
    std::vector<std::string> SubkeyNames() const;  // in enumeration (creation) order
    std::optional<RegistryValue> ReadValue(std::string_view name) const;
    bool WriteString(std::string_view name, std::string_view text, bool expandable = false);
    bool WriteDword(std::string_view name, uint32_t value);
    bool WriteBinary(std::string_view name, std::string_view bytes);
    bool DeleteValue(std::string_view name);  // false when missing or refused

private:
    RegistryKey(RootKey root, std::string path, int64_t id) : root_(root), path_(std::move(path)), id_(id) {}
    RootKey root_;
    std::string path_;
    int64_t id_;
};

bool RegistryKeyExists(RootKey root, std::string_view path);
bool DeleteRegistryKeyTree(RootKey root, std::string_view path);  // the key and all subkeys

// "Windows Registry Editor Version 5.00" text files (UTF-8 or UTF-16LE with BOM).
// Import merges into the store; export writes a key and its subkeys. False on failure. Export
// writes only what import reads back byte for byte; a key or value that would not is refused
// (and named in `error`). Files are written beside the target and renamed, never through a link.
bool ImportRegFile(const std::string& hostPath, std::string* error = nullptr);
bool ExportRegFile(RootKey root, std::string_view path, const std::string& hostPath,
                   std::string* error = nullptr);

}  // namespace scourwell::platform
