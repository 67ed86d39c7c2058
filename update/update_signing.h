#pragma once

// What makes a published update trustworthy: the SHA-256 of the files it names and a detached
// Ed25519 signature of the version file (OpenSSL libcrypto).

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scourwell::update {

using PublicKey = std::array<unsigned char, 32>;  // a raw Ed25519 public key

// SHA-256 as 64 lowercase hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// True when `signature` (64 raw bytes) is a valid Ed25519 signature of `message` by one of
// `keys`.
bool VerifySignature(std::string_view message, std::string_view signature,
                     const std::vector<PublicKey>& keys);

// The detached signature of `message` with a PEM private key (PKCS #8, as "openssl genpkey
// -algorithm ed25519" writes it); empty when the key is not an Ed25519 private key.
std::optional<std::string> SignMessage(std::string_view message, std::string_view privateKeyPem);

// The raw key of a PEM Ed25519 public key ("openssl pkey -pubout") or private key.
std::optional<PublicKey> PublicKeyFromPem(std::string_view pem);

}  // namespace scourwell::update
