// Path expansion: variables, quotes and arguments, and the database's folder macros. Each line
// of the input is one command; a pass that remembers what it found across the lines must give
// what a plain expansion of each line gives.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/path_expansion.h"
#include "fuzz/fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace scourwell::foundation;
    scourwell::fuzz::Machine();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ExpandFolderMacros(text);
    PathExpansionMemory memory;
    for (;;) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        const std::string plain = ExpandPathVariables(line);
        if (ExpandPathVariables(line, &memory) != plain) {
            std::fprintf(stderr, "the remembering pass expands a line differently\n");
            std::abort();
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return 0;
}
