#include <openssl/evp.h>

#include <memory>

#include "database/signature_database.h"
#include "platform/files.h"

namespace scourwell::database {

namespace {

// MD5 of what `read` feeds to its sink.
template <typename Read>
std::string DigestOf(Read read) {
    // Buffered sequential reads: measured faster than a memory mapping for these files, and
    // they have no 4 GiB limit, so files of any size are hashed in full.
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return std::string(kEmptyDigest);
    bool hashed = true;
    const bool ok = read([&](const unsigned char* data, size_t size) {
        if (hashed && EVP_DigestUpdate(context.get(), data, size) != 1) hashed = false;
    });
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok || !hashed || EVP_DigestFinal_ex(context.get(), digest, &length) != 1 || length != 16)
        return std::string(kEmptyDigest);
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(32);
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

}  // namespace

std::string TextDigest(std::string_view bytes) {
    return DigestOf([bytes](const auto& sink) {
        sink(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return true;
    });
}

std::string FileDigest(std::string_view path, const platform::ProgressSink& progress) {
    return DigestOf(
        [&](const auto& sink) { return platform::ReadFileBlocks(path, sink, progress); });
}

std::string FileDigest(const platform::FileIdentity& file, const platform::ProgressSink& progress) {
    return DigestOf(
        [&](const auto& sink) { return platform::ReadFileBlocks(file, sink, progress); });
}

}  // namespace scourwell::database
