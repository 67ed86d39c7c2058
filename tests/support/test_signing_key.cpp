#include "tests/support/test_signing_key.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <stdexcept>

namespace scourwell::testing {

TestSigningKey MakeTestSigningKey() {
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    if (!key) throw std::runtime_error("cannot make an Ed25519 test key");
    TestSigningKey result;
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    result.privatePem.assign(data, static_cast<size_t>(size));
    BIO_free(bio);
    size_t length = result.publicKey.size();
    EVP_PKEY_get_raw_public_key(key, result.publicKey.data(), &length);
    EVP_PKEY_free(key);
    return result;
}

}  // namespace scourwell::testing
