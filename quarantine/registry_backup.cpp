#include "quarantine/registry_backup.h"

#include <array>
#include <cstdint>

#include "foundation/text.h"
#include "foundation/text_list.h"

namespace scourwell::quarantine {

namespace {

constexpr std::array<platform::RootKey, 5> kRoots = {
    platform::RootKey::ClassesRoot, platform::RootKey::CurrentUser, platform::RootKey::LocalMachine,
    platform::RootKey::Users, platform::RootKey::CurrentConfig};

constexpr std::array<const char*, 5> kRootNames = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                                   "HKEY_CURRENT_CONFIG"};

}  // namespace

std::string RootKeyIndexName(long long index) {
    if (index < 0 || index >= static_cast<long long>(kRootNames.size())) return {};
    return kRootNames[static_cast<size_t>(index)];
}

platform::RootKey IndexToRootKey(long long index, platform::RootKey fallback) {
    if (index < 0 || index >= static_cast<long long>(kRoots.size())) return fallback;
    return kRoots[static_cast<size_t>(index)];
}

int RootKeyToIndex(platform::RootKey root) {
    for (size_t i = 0; i < kRoots.size(); ++i) {
        if (kRoots[i] == root) return static_cast<int>(i);
    }
    return 0;  // unreachable: every RootKey is one of the five
}

bool BackupRegistryValue(platform::RootKey root, std::string_view key, std::string_view valueName,
                         std::string_view file) {
    auto opened = platform::RegistryKey::Open(root, key, false);
    if (!opened) return false;
    auto value = opened->ReadValue(valueName);
    if (!value) return false;
    // The backup holds one line per part: a line break in any of them would cut the value
    // that a restore writes back.
    const auto oneLine = [](std::string_view text) {
        return text.find_first_of("\r\n") == std::string_view::npos;
    };
    if (!oneLine(key) || !oneLine(valueName) || !oneLine(value->data)) return false;

    foundation::TextList lines;
    lines.Add(std::to_string(RootKeyToIndex(root)));
    lines.Add(std::string(key));
    lines.Add(std::string(valueName));
    bool known = false;
    switch (value->type) {
        case platform::ValueType::String:
        case platform::ValueType::ExpandString:
            // The type is kept: a start-up command with "%ProgramFiles%" written back as a
            // plain string would no longer start its program.
            lines.Add(std::string(value->type == platform::ValueType::String
                                      ? kTypeWordString
                                      : kTypeWordExpandString));
            lines.Add(value->data);
            known = true;
            break;
        case platform::ValueType::Dword:
            // Written as a signed 32-bit number, as earlier backup files hold it.
            lines.Add(std::string(kTypeWordInteger));
            lines.Add(std::to_string(static_cast<int32_t>(value->dword)));
            known = true;
            break;
        default:
            break;
    }
    bool saved = lines.SaveToFile(file);
    return known && saved;
}

bool RestoreRegistryValue(std::string_view file) {
    foundation::TextList lines;
    if (!lines.LoadFromFile(file)) return false;
    if (lines.Count() < 5) return false;

    long long rootIndex = 0;
    if (!foundation::ParseInt64(lines[0], rootIndex)) return false;
    if (rootIndex < 0 || rootIndex >= static_cast<long long>(kRoots.size())) return false;
    const std::string& keyPath = lines[1];
    const std::string& name = lines[2];
    const std::string& type = lines[3];
    const std::string& data = lines[4];

    // Check the type and the data before the key is created, so a bad file leaves no trace.
    uint32_t number = 0;
    const bool text = type == kTypeWordString || type == kTypeWordExpandString;
    if (type == kTypeWordInteger) {
        long long parsed = 0;
        if (!foundation::ParseInt64(data, parsed)) return false;
        if (parsed < INT32_MIN || parsed > static_cast<long long>(UINT32_MAX)) return false;
        number = static_cast<uint32_t>(parsed);
    } else if (!text) {
        return false;
    }

    auto key = platform::RegistryKey::Open(
        IndexToRootKey(rootIndex, platform::RootKey::CurrentUser), keyPath, true);
    if (!key) return false;
    if (text) return key->WriteString(name, data, type == kTypeWordExpandString);
    return key->WriteDword(name, number);
}

}  // namespace scourwell::quarantine
