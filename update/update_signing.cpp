#include "update/update_signing.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace scourwell::update {
namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;
using Bio = std::unique_ptr<BIO, BioFree>;

constexpr size_t kSignatureBytes = 64;

Bio MemoryBio(std::string_view text) {
    return Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

bool IsEd25519(const EVP_PKEY* key) {
    return key != nullptr && EVP_PKEY_get_id(key) == EVP_PKEY_ED25519;
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

bool VerifySignature(std::string_view message, std::string_view signature,
                     const std::vector<PublicKey>& keys) {
    if (signature.size() != kSignatureBytes) return false;
    for (const PublicKey& raw : keys) {
        Pkey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, raw.data(), raw.size()));
        MdCtx context(EVP_MD_CTX_new());
        if (!key || !context) continue;
        if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
            continue;
        if (EVP_DigestVerify(
                context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                signature.size(), reinterpret_cast<const unsigned char*>(message.data()),
                message.size()) == 1)
            return true;
    }
    return false;
}

std::optional<std::string> SignMessage(std::string_view message, std::string_view privateKeyPem) {
    Bio bio = MemoryBio(privateKeyPem);
    if (!bio) return std::nullopt;
    Pkey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!IsEd25519(key.get())) return std::nullopt;
    MdCtx context(EVP_MD_CTX_new());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return std::nullopt;
    std::string signature(kSignatureBytes, '\0');
    size_t length = signature.size();
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size()) != 1)
        return std::nullopt;
    signature.resize(length);
    return signature;
}

std::optional<PublicKey> PublicKeyFromPem(std::string_view pem) {
    Pkey key;
    if (Bio bio = MemoryBio(pem))
        key.reset(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (!key) {
        if (Bio bio = MemoryBio(pem))
            key.reset(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    }
    if (!IsEd25519(key.get())) return std::nullopt;
    PublicKey raw{};
    size_t length = raw.size();
    if (EVP_PKEY_get_raw_public_key(key.get(), raw.data(), &length) != 1 || length != raw.size())
        return std::nullopt;
    return raw;
}

}  // namespace scourwell::update
