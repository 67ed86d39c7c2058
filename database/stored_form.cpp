// The stored form of the signature database: a bzip2 stream under a byte-wise scrambling
// with a 16-bit running key.

#include <bzlib.h>

#include <cstdint>

#include "database/signature_database.h"

namespace scourwell::database {
namespace {

// The program's built-in key parameters. Every database file for this program, and the
// packer tool, use these three values.
constexpr uint16_t kStartKey = 0xB7E1;
constexpr uint16_t kMultiplier = 0x6A5B;  // odd, so every key state is reachable
constexpr uint16_t kAddend = 0x3C29;

// libbz2 counts in unsigned int; a database is far smaller than this.
constexpr size_t kMaxStreamBytes = 1u << 30;

uint16_t NextKey(uint16_t key, unsigned char plain) {
    const unsigned feedback = (plain + (key & 0xFFu)) & 0xFFu;
    return static_cast<uint16_t>((feedback * kMultiplier + kAddend) & 0xFFFFu);
}

}  // namespace

// Both directions feed the plain byte back into the key: the scrambler has it as its input,
// the descrambler as its output.
void Scramble(std::vector<unsigned char>& bytes) {
    uint16_t key = kStartKey;
    for (unsigned char& b : bytes) {
        const unsigned char plain = b;
        b = static_cast<unsigned char>(plain ^ (key >> 8));
        key = NextKey(key, plain);
    }
}

void Descramble(std::vector<unsigned char>& bytes) {
    uint16_t key = kStartKey;
    for (unsigned char& b : bytes) {
        const unsigned char plain = static_cast<unsigned char>(b ^ (key >> 8));
        b = plain;
        key = NextKey(key, plain);
    }
}

std::vector<unsigned char> PackDatabaseText(std::string_view text) {
    if (text.size() > kMaxStreamBytes) return {};
    // bzip2's documented worst case: 1 % more than the input plus 600 bytes.
    unsigned int capacity = static_cast<unsigned int>(text.size() + text.size() / 100 + 600);
    std::vector<unsigned char> packed(capacity);
    const int rc = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(packed.data()), &capacity,
                                            const_cast<char*>(text.data()),
                                            static_cast<unsigned int>(text.size()), 9, 0, 0);
    if (rc != BZ_OK) return {};
    packed.resize(capacity);
    Scramble(packed);
    return packed;
}

namespace {

// Decompresses one whole bzip2 stream, reading it in blocks of 65536 bytes. False unless the
// stream ends properly.
bool Decompress(const std::vector<unsigned char>& compressed, std::string& out) {
    if (compressed.size() > kMaxStreamBytes) return false;
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return false;
    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(compressed.data()));
    stream.avail_in = static_cast<unsigned int>(compressed.size());
    std::string result;
    char block[65536];
    int rc = BZ_OK;
    while (rc == BZ_OK) {
        stream.next_out = block;
        stream.avail_out = sizeof block;
        rc = BZ2_bzDecompress(&stream);
        const size_t produced = sizeof block - stream.avail_out;
        // Refused before the text grows past the bound: a small bomb never costs more.
        if (produced > kMaxDatabaseTextBytes - result.size()) {
            rc = BZ_MEM_ERROR;
            break;
        }
        result.append(block, produced);
        // Input used up without the end of the stream: a cut-off file.
        if (rc == BZ_OK && stream.avail_in == 0 && stream.avail_out != 0) rc = BZ_UNEXPECTED_EOF;
    }
    BZ2_bzDecompressEnd(&stream);
    if (rc != BZ_STREAM_END) return false;
    out = std::move(result);
    return true;
}

}  // namespace

bool UnpackDatabase(const std::vector<unsigned char>& stored, std::string& text) {
    std::vector<unsigned char> bytes = stored;
    Descramble(bytes);
    return Decompress(bytes, text);
}

bool DecompressDatabase(const std::vector<unsigned char>& descrambled, std::string& text) {
    return Decompress(descrambled, text);
}

}  // namespace scourwell::database
