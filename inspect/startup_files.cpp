#include "inspect/startup_files.h"

#include "foundation/file_helpers.h"
#include "foundation/path_expansion.h"
#include "foundation/text.h"
#include "scan/walk_pacing.h"

namespace scourwell::inspect {
namespace {

using platform::RegistryKey;
using platform::RootKey;
using platform::ValueType;

constexpr std::string_view kWindowsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr std::string_view kShellServiceObjects =
    "Software\\Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad";
constexpr std::string_view kWinlogonNotify =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
constexpr std::string_view kSharedTaskScheduler =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler";
constexpr std::string_view kBrowserHelperObjects =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
constexpr std::string_view kShellExecuteHooks =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";
constexpr std::string_view kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool IsText(const platform::RegistryValue& value) {
    return value.type == ValueType::String || value.type == ValueType::ExpandString;
}

// The value's data when it is a string; empty otherwise or when it cannot be read.
std::string ReadText(const RegistryKey& key, std::string_view name) {
    const auto value = key.ReadValue(name);
    if (!value || !IsText(*value)) return {};
    return value->data;
}

// The in-process server and the local server of a class.
void CollectClassServers(StartupFileList& files, const std::string& identifier,
                         foundation::PathExpansionMemory& seenOnDisk) {
    // An empty identifier would name the CLSID key's own subkeys.
    if (identifier.empty()) return;
    CollectKeyValueFiles(files, RootKey::ClassesRoot, "CLSID\\" + identifier + "\\InProcServer32",
                         &seenOnDisk);
    CollectKeyValueFiles(files, RootKey::ClassesRoot, "CLSID\\" + identifier + "\\LocalServer32",
                         &seenOnDisk);
}

std::vector<std::string> SubkeyNamesOf(RootKey root, std::string_view path) {
    const auto key = RegistryKey::Open(root, path, false);
    return key ? key->SubkeyNames() : std::vector<std::string>{};
}

}  // namespace

bool StartupFileList::Add(std::string path) {
    if (path.empty()) return false;
    if (!lower_.insert(foundation::ToLower(path)).second) return false;
    paths_.push_back(std::move(path));
    return true;
}

bool StartupFileList::Contains(std::string_view path) const {
    return lower_.count(foundation::ToLower(path)) != 0;
}

void StartupFileList::Clear() {
    paths_.clear();
    lower_.clear();
}

void CollectKeyValueFiles(StartupFileList& files, RootKey root, std::string_view keyPath,
                          foundation::PathExpansionMemory* seenOnDisk) {
    const auto key = RegistryKey::Open(root, keyPath, false);
    if (!key) return;
    for (const std::string& name : key->ValueNames()) {
        const std::string path = foundation::ExpandPathVariables(ReadText(*key, name), seenOnDisk);
        if (!files.Contains(path) && foundation::FilePresent(path)) files.Add(path);
    }
}

void CollectStartupFiles(foundation::ProgramContext& context, StartupFileList& files) {
    StartupFileList found;
    foundation::PathExpansionMemory seenOnDisk;
    scan::WalkPacer pacer(context, scan::WalkPacing{});
    const auto now_and_then = [&pacer] {
        if (pacer.Due()) pacer.Pump();
    };

    // 1. Programs that the Windows key itself names.
    CollectKeyValueFiles(found, RootKey::LocalMachine, kWindowsKey, &seenOnDisk);

    // 2. Shell service objects: each value's data is a class identifier.
    if (const auto key = RegistryKey::Open(RootKey::LocalMachine, kShellServiceObjects, false)) {
        for (const std::string& name : key->ValueNames()) {
            context.ui.PumpEvents();
            CollectClassServers(found, ReadText(*key, name), seenOnDisk);
        }
    }

    // 3. Winlogon notification packages, one subkey each.
    for (const std::string& name : SubkeyNamesOf(RootKey::LocalMachine, kWinlogonNotify)) {
        now_and_then();
        CollectKeyValueFiles(found, RootKey::LocalMachine,
                             std::string(kWinlogonNotify) + "\\" + name, &seenOnDisk);
    }

    // 4. Shared task schedulers: each value's name is a class identifier.
    if (const auto key = RegistryKey::Open(RootKey::LocalMachine, kSharedTaskScheduler, false)) {
        for (const std::string& name : key->ValueNames()) {
            context.ui.PumpEvents();
            CollectClassServers(found, name, seenOnDisk);
        }
    }

    // 5, 6. Browser helper objects and shell execute hooks: each subkey's name is one.
    for (std::string_view hooks : {kBrowserHelperObjects, kShellExecuteHooks}) {
        for (const std::string& name : SubkeyNamesOf(RootKey::LocalMachine, hooks)) {
            now_and_then();
            CollectClassServers(found, name, seenOnDisk);
        }
    }

    // 7. AppInit DLLs: a comma-separated list, taken as written (no presence test).
    if (const auto key = RegistryKey::Open(RootKey::LocalMachine, kWindowsKey, false)) {
        if (const auto value = key->ReadValue("AppInit_DLLs"); value && IsText(*value)) {
            std::string list = value->data;
            if (!list.empty() && list.back() != ',') list += ',';
            size_t start = 0;
            for (size_t comma; (comma = list.find(',', start)) != std::string::npos;
                 start = comma + 1) {
                const std::string name = list.substr(start, comma - start);
                std::string path = foundation::ExpandPathVariables(name, &seenOnDisk);
                if (path.empty()) path = name;
                found.Add(std::move(path));
            }
        }
    }

    // 8. The current user's uninstallers: their command lines without quotes, as written.
    if (const auto uninstall = RegistryKey::Open(RootKey::CurrentUser, kUninstall, false)) {
        for (const std::string& name : uninstall->SubkeyNames()) {
            now_and_then();
            const auto entry =
                RegistryKey::Open(RootKey::CurrentUser, std::string(kUninstall) + "\\" + name, false);
            if (!entry) continue;
            const auto value = entry->ReadValue("UninstallString");
            if (!value || !IsText(*value)) continue;
            found.Add(foundation::ReplaceAll(value->data, "\"", ""));
        }
    }

    files = std::move(found);
}

}  // namespace scourwell::inspect
