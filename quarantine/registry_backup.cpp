#include "quarantine/registry_backup.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/text.h"
#include "foundation/text_list.h"
#include "platform/files.h"

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

namespace {

constexpr size_t kBackupLines = 5;

// The five lines of a backup file, read strictly: each ended by CR LF, no other CR or LF
// anywhere, nothing after the fifth. A file cut short, a lone CR inside the data (which would
// write back only the part before it) or a sixth line is no backup of one value.
std::optional<std::array<std::string, kBackupLines>> ReadBackupLines(std::string_view file) {
    const std::optional<std::string> bytes = platform::ReadWholeFile(file);
    if (!bytes) return std::nullopt;
    std::array<std::string, kBackupLines> lines;
    size_t start = 0;
    for (std::string& line : lines) {
        const size_t end = bytes->find_first_of("\r\n", start);
        if (end == std::string::npos || bytes->compare(end, 2, "\r\n") != 0) return std::nullopt;
        line = bytes->substr(start, end - start);
        start = end + 2;
    }
    if (start != bytes->size()) return std::nullopt;
    return lines;
}

}  // namespace

bool RestoreRegistryValue(std::string_view file) {
    const auto lines = ReadBackupLines(file);
    if (!lines) return false;

    // One digit, 0 to 4, as BackupRegistryValue writes it ("-0", "+1" or "01" are not).
    const std::string& root = (*lines)[0];
    if (root.size() != 1 || root[0] < '0' || root[0] > '4') return false;
    const long long rootIndex = root[0] - '0';
    const std::string& keyPath = (*lines)[1];
    const std::string& name = (*lines)[2];
    const std::string& type = (*lines)[3];
    const std::string& data = (*lines)[4];

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
