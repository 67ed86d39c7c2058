#include <gtest/gtest.h>

#include <numeric>

#include "database/signature_database.h"
#include "tests/support/test_machine.h"

namespace scourwell::database {
namespace {

using testing::TestMachine;

std::string AsText(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(Scrambling, RoundTripsAndDependsOnEveryEarlierByte) {
    std::vector<unsigned char> all(512);
    std::iota(all.begin(), all.end(), 0);  // every byte value, twice
    std::vector<unsigned char> bytes = all;
    Scramble(bytes);
    EXPECT_NE(bytes, all);
    Descramble(bytes);
    EXPECT_EQ(bytes, all);

    // The running key feeds back the plain byte: a change early on changes everything after.
    std::vector<unsigned char> a(64, 'x');
    std::vector<unsigned char> b = a;
    b[0] = 'y';
    Scramble(a);
    Scramble(b);
    int differing = 0;
    for (size_t i = 1; i < a.size(); ++i) differing += a[i] != b[i];
    EXPECT_GT(differing, 40);

    std::vector<unsigned char> empty;
    Scramble(empty);
    Descramble(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(StoredForm, PackUnpackRoundTrip) {
    for (const std::string& text : {std::string("Version 1\r\n_end\r\n"), std::string(),
                                    std::string(200000, '\0') + "\xff\r\n"}) {
        const std::vector<unsigned char> stored = PackDatabaseText(text);
        ASSERT_FALSE(stored.empty());
        // Scrambled: not a bare bzip2 stream.
        EXPECT_NE(AsText(stored).substr(0, 3), "BZh");
        std::string back = "old";
        ASSERT_TRUE(UnpackDatabase(stored, back));
        EXPECT_EQ(back, text);
    }
}

TEST(StoredForm, DamagedOrForeignBytesAreRefused) {
    const std::vector<unsigned char> stored = PackDatabaseText("Version\r\nentry\r\n_end\r\n");
    std::string text = "unchanged";
    std::vector<unsigned char> truncated(stored.begin(), stored.begin() + static_cast<long>(stored.size() / 2));
    EXPECT_FALSE(UnpackDatabase(truncated, text));
    EXPECT_FALSE(UnpackDatabase({}, text));
    std::vector<unsigned char> unscrambled = stored;
    Descramble(unscrambled);  // a plain bzip2 file is not a database of this program
    EXPECT_FALSE(UnpackDatabase(unscrambled, text));
    EXPECT_EQ(text, "unchanged");
}

TEST(SignatureDatabaseLoad, DecodesTheFile) {
    TestMachine machine;
    const std::string text = "Scourwell signature database 2026.12.10\r\n[Start]\r\n_end\r\n";
    machine.WriteFile("C:\\Data\\files.dat", AsText(PackDatabaseText(text)));
    SignatureDatabase db;
    db.Load("C:\\Data\\files.dat");
    EXPECT_EQ(db.Text(), text);
    EXPECT_EQ(db.VersionLine(), "Scourwell signature database 2026.12.10");
}

TEST(SignatureDatabaseLoad, MissingFileThrowsAndKeepsTheContent) {
    TestMachine machine;
    SignatureDatabase db;
    db.SetText("Old version\r\n_end\r\n");
    EXPECT_THROW(db.Load("C:\\Data\\files.dat"), DatabaseOpenError);
    EXPECT_EQ(db.VersionLine(), "Old version");
}

TEST(SignatureDatabaseLoad, DamagedStreamKeepsTheDescrambledBytes) {
    TestMachine machine;
    std::vector<unsigned char> plain = {'N', 'o', 't', ' ', 'b', 'z', 'i', 'p', '\r', '\n', 'x', '\r', '\n'};
    std::vector<unsigned char> stored = plain;
    Scramble(stored);
    machine.WriteFile("C:\\Data\\files.dat", AsText(stored));
    SignatureDatabase db;
    db.Load("C:\\Data\\files.dat");
    EXPECT_EQ(db.Text(), AsText(plain));
    EXPECT_EQ(db.VersionLine(), "Not bzip");
}

}  // namespace
}  // namespace scourwell::database
