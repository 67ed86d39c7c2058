// The stored form of the signature database: a bzip2 stream under a byte-wise scrambling
// with a 16-bit running key.

#include <bzlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

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
void Scramble(std::span<unsigned char> bytes) {
    uint16_t key = kStartKey;
    for (unsigned char& b : bytes) {
        const unsigned char plain = b;
        b = static_cast<unsigned char>(plain ^ (key >> 8));
        key = NextKey(key, plain);
    }
}

void Descramble(std::span<unsigned char> bytes) {
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

// Output is taken in slices of this size: small enough to stay in the processor's cache, so
// handing each one on to the text costs next to nothing.
constexpr size_t kSliceBytes = size_t{64} << 10;

// Decompresses one whole bzip2 stream into `out`, refusing a text longer than `limit` before it
// grows past it. The text is appended to a buffer reserved once at about its final size: the
// pages of a fresh buffer are paid for on first touch (dearly on virtual machines), so the
// text is written to memory once and never copied again. False unless the stream ends
// properly; `out` is left unchanged then.
bool Decompress(std::span<const unsigned char> compressed, std::string& out, size_t limit) {
    if (compressed.size() > kMaxStreamBytes) return false;
    limit = std::min(limit, kMaxStreamBytes);
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return false;
    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(compressed.data()));
    stream.avail_in = static_cast<unsigned int>(compressed.size());
    std::string text;
    // Text compresses to about an eighth. Reserving touches no page, so a generous guess
    // costs nothing; a text that outgrows it still grows as a string does.
    text.reserve(std::min(limit, std::max<size_t>(compressed.size() * 10, kSliceBytes)));
    const std::unique_ptr<char[]> slice(new char[kSliceBytes]);
    int rc = BZ_OK;
    for (;;) {
        stream.next_out = slice.get();
        stream.avail_out = static_cast<unsigned int>(kSliceBytes);
        rc = BZ2_bzDecompress(&stream);
        if (rc != BZ_OK && rc != BZ_STREAM_END) break;
        const size_t produced = kSliceBytes - stream.avail_out;
        if (produced > limit - text.size()) {
            rc = BZ_MEM_ERROR;
            break;
        }
        text.append(slice.get(), produced);
        if (rc == BZ_STREAM_END) break;
        if (stream.avail_out != 0 && stream.avail_in == 0) {
            // Input used up without the end of the stream: a cut-off file.
            rc = BZ_UNEXPECTED_EOF;
            break;
        }
    }
    BZ2_bzDecompressEnd(&stream);
    if (rc != BZ_STREAM_END) return false;
    out = std::move(text);
    return true;
}

}  // namespace

bool UnpackDatabase(const std::vector<unsigned char>& stored, std::string& text) {
    std::vector<unsigned char> bytes = stored;
    Descramble(bytes);
    return Decompress(bytes, text, kMaxDatabaseTextBytes);
}

bool DecompressDatabase(std::span<const unsigned char> descrambled, std::string& text) {
    return Decompress(descrambled, text, kMaxDatabaseTextBytes);
}

}  // namespace scourwell::database
