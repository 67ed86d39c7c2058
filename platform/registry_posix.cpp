// Temporary: every registry call fails until the hive store lands (next commit).
#include "platform/registry.h"
#include "platform/view_internal.h"
namespace scourwell::platform {
namespace detail {
void CloseRegistryStore() {}
}  // namespace detail
const char* RootKeyName(RootKey) { return ""; }
std::optional<RegistryKey> RegistryKey::Open(RootKey, std::string_view, bool) { return std::nullopt; }
std::vector<std::string> RegistryKey::ValueNames() const { return {}; }
std::vector<std::string> RegistryKey::SubkeyNames() const { return {}; }
std::optional<RegistryValue> RegistryKey::ReadValue(std::string_view) const { return std::nullopt; }
bool RegistryKey::WriteString(std::string_view, std::string_view, bool) { return false; }
bool RegistryKey::WriteDword(std::string_view, uint32_t) { return false; }
bool RegistryKey::WriteBinary(std::string_view, std::string_view) { return false; }
bool RegistryKey::DeleteValue(std::string_view) { return false; }
bool RegistryKeyExists(RootKey, std::string_view) { return false; }
bool DeleteRegistryKeyTree(RootKey, std::string_view) { return false; }
bool ImportRegFile(const std::string&, std::string* error) {
    if (error) *error = "the registry store is not implemented yet";
    return false;
}
bool ExportRegFile(RootKey, std::string_view, const std::string&) { return false; }
}  // namespace scourwell::platform
