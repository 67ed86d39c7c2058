// The machine file (INI sections, drives, folders).

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        char folder[] = "/tmp/scourwell-fuzz-XXXXXX";
        if (mkdtemp(folder) == nullptr) std::abort();
        return std::string(folder) + "/machine.ini";
    }();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        scourwell::platform::LoadMachineFile(path);
    } catch (const scourwell::platform::MachineFileError&) {
        // A damaged file is refused with a message: what it must do.
    }
    return 0;
}
