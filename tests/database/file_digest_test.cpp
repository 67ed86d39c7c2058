#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "database/signature_database.h"
#include "tests/support/test_machine.h"

namespace scourwell::database {
namespace {

using testing::TestMachine;

// MD5 of `size` zero bytes, computed independently of the file reader.
std::string Md5OfZeros(int64_t size) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, EVP_md5(), nullptr);
    std::vector<unsigned char> zeros(1 << 20, 0);
    for (int64_t left = size; left > 0;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(zeros.size())));
        EVP_DigestUpdate(ctx, zeros.data(), n);
        left -= static_cast<int64_t>(n);
    }
    unsigned char md[16];
    unsigned int len = 0;
    EVP_DigestFinal_ex(ctx, md, &len);
    EVP_MD_CTX_free(ctx);
    char hex[33];
    for (int i = 0; i < 16; ++i) snprintf(hex + 2 * i, 3, "%02x", md[i]);
    return hex;
}

TEST(FileDigest, KnownDigests) {
    TestMachine machine;
    machine.WriteFile("C:\\Data\\empty.bin", "");
    machine.WriteFile("C:\\Data\\abc.txt", "abc");
    machine.WriteFile("C:\\Data\\eicar.com",
                      "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*");
    machine.MakeDirectory("C:\\Data\\sub");

    EXPECT_EQ(FileDigest("C:\\Data\\empty.bin"), kEmptyDigest);
    EXPECT_EQ(FileDigest("C:\\Data\\missing.bin"), kEmptyDigest);
    EXPECT_EQ(FileDigest("C:\\Data\\sub"), kEmptyDigest);
    EXPECT_EQ(FileDigest("C:\\Data\\abc.txt"), "900150983cd24fb0d6963f7d28e17f72");  // RFC 1321
    EXPECT_EQ(FileDigest("c:\\data\\ABC.TXT"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(FileDigest("C:\\Data\\eicar.com"), "44d88612fea8a8f36de82e1278abb02f");
}

TEST(FileDigest, FilesBeyondFourGigabytesAreHashedInFull) {
    TestMachine machine;
    const int64_t size = 3LL * 1024 * 1024 * 1024;  // past the 32-bit signed range
    machine.WriteSparseFile("C:\\Data\\big.bin", size);
    EXPECT_EQ(FileDigest("C:\\Data\\big.bin"), Md5OfZeros(size));
}

}  // namespace
}  // namespace scourwell::database
