#include "foundation/system_folders.h"

#include "foundation/text.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system_info.h"

namespace scourwell::foundation {
namespace {

std::string ReadRegistryText(platform::RootKey root, const char* keyPath, const char* valueName) {
    const auto key = platform::RegistryKey::Open(root, keyPath, false);
    if (!key) return {};
    const auto value = key->ReadValue(valueName);
    if (!value) return {};
    if (value->type != platform::ValueType::String && value->type != platform::ValueType::ExpandString)
        return {};
    return value->data;
}

constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

std::string GetWindowsDir() { return platform::GetWindowsDirectory(); }

std::string GetSystemDir() { return platform::GetSystemDirectory(); }

std::string GetProgramFilesDir() {
    return ReadRegistryText(platform::RootKey::LocalMachine, kCurrentVersionKey, "ProgramFilesDir");
}

std::string GetCommonFilesDir() {
    return ReadRegistryText(platform::RootKey::LocalMachine, kCurrentVersionKey, "CommonFilesDir");
}

std::string GetLocalAppDataDir() {
    return ReadRegistryText(platform::RootKey::CurrentUser, kShellFoldersKey, "Local AppData");
}

std::string GetTempDir() {
    std::string temp = platform::GetTempPath();
    if (!temp.empty() && temp.back() == '\\') temp.pop_back();
    return temp;
}

std::string GetLogonUserName() { return platform::GetUserName(); }

std::string GetSpecialFolder(int csidl) { return platform::SpecialFolderPath(csidl); }

}  // namespace scourwell::foundation
