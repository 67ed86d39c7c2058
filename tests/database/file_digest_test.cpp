#include <gtest/gtest.h>

#include "database/signature_database.h"
#include "tests/support/test_machine.h"

namespace scourwell::database {
namespace {

using testing::TestMachine;

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

TEST(FileDigest, FilesOfMoreThanTwoGigabytesAreHashedInFull) {
    TestMachine machine;
    // 3 GiB of zeros, past the signed 32-bit range; the digest as `head -c 3221225472 /dev/zero | md5sum`
    // gives it.
    machine.WriteSparseFile("C:\\Data\\big.bin", 3LL * 1024 * 1024 * 1024);
    EXPECT_EQ(FileDigest("C:\\Data\\big.bin"), "c698c87fb53058d493492b61f4c74189");
}

}  // namespace
}  // namespace scourwell::database
