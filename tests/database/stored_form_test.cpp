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

// A file that does not decode to a whole database is refused as a missing one is: nothing of
// it is read as a version line or as entries, and the stream keeps what it held.
TEST(SignatureDatabaseLoad, DamagedFilesAreRefusedAndKeepTheContent) {
    const std::vector<unsigned char> good = PackDatabaseText("Version\r\n[Start]\r\nentry\r\n_end\r\n");
    std::vector<unsigned char> random(4096);
    uint32_t state = 7;
    for (unsigned char& b : random) {
        state = state * 1103515245u + 12345u;
        b = static_cast<unsigned char>(state >> 24);
    }
    std::vector<unsigned char> notBzip = {'N', 'o', 't', ' ', 'b', 'z', 'i', 'p', '\r', '\n', 'x', '\r', '\n'};
    Scramble(notBzip);
    std::vector<unsigned char> plainBzip2 = good;
    Descramble(plainBzip2);  // a bzip2 file that this program did not scramble
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"random bytes", random},
        {"scrambled text", notBzip},
        {"cut off in its stream", std::vector<unsigned char>(good.begin(), good.begin() + static_cast<long>(good.size() / 2))},
        {"cut off by one byte", std::vector<unsigned char>(good.begin(), good.end() - 1)},
        {"not scrambled", plainBzip2},
        {"an empty text", PackDatabaseText("")},
        {"an empty file", {}},
    };
    for (const auto& c : cases) {
        TestMachine machine;
        machine.WriteFile("C:\\Data\\files.dat", AsText(c.bytes));
        SignatureDatabase db;
        db.SetText("Old version\r\n_end\r\n");
        EXPECT_THROW(db.Load("C:\\Data\\files.dat"), DatabaseDamagedError) << c.name;
        EXPECT_THROW(ReadDatabaseFile("C:\\Data\\files.dat"), DatabaseOpenError) << c.name;
        EXPECT_EQ(db.Text(), "Old version\r\n_end\r\n") << c.name;
    }
}

// A bzip2 bomb: a few hundred bytes that unpack past the bound are refused.
TEST(SignatureDatabaseLoad, TextBeyondTheBoundIsRefused) {
    TestMachine machine;
    const std::vector<unsigned char> bomb = PackDatabaseText(std::string(kMaxDatabaseTextBytes + 1, 'A'));
    ASSERT_LT(bomb.size(), 4096u);
    machine.WriteFile("C:\\Data\\bomb.dat", AsText(bomb));
    EXPECT_THROW(ReadDatabaseFile("C:\\Data\\bomb.dat"), DatabaseDamagedError);
    std::string text = "unchanged";
    std::vector<unsigned char> descrambled = bomb;
    Descramble(descrambled);
    EXPECT_FALSE(DecompressDatabase(descrambled, text));
    EXPECT_EQ(text, "unchanged");

    // A text of exactly the bound is still a database.
    std::vector<unsigned char> atBound = PackDatabaseText(std::string(kMaxDatabaseTextBytes, 'A'));
    Descramble(atBound);
    ASSERT_TRUE(DecompressDatabase(atBound, text));
    EXPECT_EQ(text.size(), kMaxDatabaseTextBytes);
}

// A database of its version line alone shows that line.
TEST(SignatureDatabaseLoad, VersionLineAloneIsShown) {
    TestMachine machine;
    for (const std::string text : {"Version 7\r\n", "Version 7\r\n_end", "Version 7"}) {
        machine.WriteFile("C:\\Data\\files.dat", AsText(PackDatabaseText(text)));
        SignatureDatabase db;
        db.Load("C:\\Data\\files.dat");
        EXPECT_EQ(db.VersionLine(), "Version 7") << text;
        EXPECT_EQ(db.ReadLine(), "_end") << text;  // and no entries
    }
}

}  // namespace
}  // namespace scourwell::database
