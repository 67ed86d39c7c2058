// The signature database: the stored form (descrambling, bzip2) and its entry lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "database/signature_database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace scourwell::database;
    if (size == 0) return 0;
    // The first byte chooses: the stored form, or the decoded text read as entries.
    const std::vector<unsigned char> bytes(data + 1, data + size);
    std::string text;
    if (data[0] & 1) {
        if (!UnpackDatabase(bytes, text)) return 0;
    } else {
        text.assign(bytes.begin(), bytes.end());
    }
    SignatureDatabase database;
    database.SetText(text);
    database.VersionLine();
    database.Rewind();
    std::string folder;
    for (int i = 0; i < 10000; ++i) {
        std::string line = ReadEntryLine(database, folder);
        if (line == "_end") break;
        StripNoProcessMark(line);
        ParseEntry(line, folder);
    }
    return 0;
}
