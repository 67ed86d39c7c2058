// .reg text: parsing, and the export of what parsed, which must read back as the same values
// or be refused.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/reg_text.h"

namespace {

using namespace scourwell::platform;
using namespace scourwell::platform::detail;

std::string FullName(const RegOperation& operation) {
    std::string name = RootKeyName(operation.root);
    if (!operation.path.empty()) name += "\\" + operation.path;
    return name;
}

bool SameValue(const RegistryValue& a, const RegistryValue& b) {
    if (a.name != b.name || a.type != b.type) return false;
    return a.type == ValueType::Dword ? a.dword == b.dword : a.data == b.data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<RegOperation> operations;
    std::string error;
    if (!ParseRegText(bytes, "fuzz.reg", operations, error)) return 0;

    std::vector<RegKeyText> keys;
    std::vector<const RegOperation*> written;
    for (const RegOperation& operation : operations) {
        if (operation.kind != RegOperation::Kind::SetValue) continue;
        keys.push_back(RegKeyText{FullName(operation), {operation.value}});
        written.push_back(&operation);
    }
    std::string text;
    if (!FormatRegText(keys, text, error)) return 0;

    std::vector<RegOperation> again;
    if (!ParseRegText(text, "again.reg", again, error)) {
        std::fprintf(stderr, "exported text does not parse: %s\n", error.c_str());
        std::abort();
    }
    size_t next = 0;
    for (const RegOperation& operation : again) {
        if (operation.kind != RegOperation::Kind::SetValue) continue;
        if (next == written.size() || FullName(operation) != FullName(*written[next]) ||
            !SameValue(operation.value, written[next]->value)) {
            std::fprintf(stderr, "exported value %zu reads back differently\n", next);
            std::abort();
        }
        ++next;
    }
    if (next != written.size()) {
        std::fprintf(stderr, "exported text lost values: %zu of %zu\n", next, written.size());
        std::abort();
    }
    return 0;
}
