// Path expansion: variables, quotes and arguments, and the database's folder macros.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/path_expansion.h"
#include "fuzz/fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    scourwell::fuzz::Machine();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    scourwell::foundation::ExpandPathVariables(text);
    scourwell::foundation::ExpandFolderMacros(text);
    return 0;
}
