// What the companion writes cannot be forged by a name: text output escapes control bytes,
// and JSON keeps a name that is not valid UTF-8 apart from every real name.

#include "tools/cli/escaping.h"

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/cli/cli_fixture.h"

namespace scourwell::cli::testing {
namespace {

TEST(EscapingTest, TerminalTextHasNoControlBytes) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"C:\\Users\\tester\\a.txt", "C:\\Users\\tester\\a.txt"},
        {"a\x1b[31mred", "a\\x1B[31mred"},
        {"bell\a", "bell\\x07"},
        {"over\rwrite", "over\\x0Dwrite"},
        {"two\nlines\t", "two\\x0Alines\\x09"},
        {"del\x7f", "del\\x7F"},
        {"nul" + std::string(1, '\0'), "nul\\x00"},
        {"csi\xc2\x9b" "2J", "csi\\xC2\\x9B2J"},  // C1 control in UTF-8
        {"bad\xff.tmp", "bad\\xFF.tmp"},
        {"overlong\xc0\xaf", "overlong\\xC0\\xAF"},
        {"surrogate\xed\xa0\x80", "surrogate\\xED\\xA0\\x80"},
        {"cut\xe2\x82", "cut\\xE2\\x82"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(EscapeForTerminal(c.text), c.shown);
    }
}

TEST(EscapingTest, JsonKeepsEveryNameApart) {
    struct Case {
        std::string text;
        std::string json;
    };
    const Case cases[] = {
        {"dup\xff.tmp", "{\"bytes\":\"647570ff2e746d70\"}"},
        {"dup\xef\xbf\xbd.tmp", "\"dup\xef\xbf\xbd.tmp\""},
        {"esc\x1b]0;x\a", "\"esc\\u001B]0;x\\u0007\""},
        {"C:\\a \"b\"", "\"C:\\\\a \\\"b\\\"\""},
        {"c1\xc2\x85", "\"c1\\u0085\""},
        {"", "\"\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(JsonText(c.text), c.json);
        // Valid JSON that any parser reads back: the text itself when it is UTF-8.
        const nlohmann::json parsed = nlohmann::json::parse(JsonText(c.text));
        if (IsValidUtf8(c.text))
            EXPECT_EQ(parsed.get<std::string>(), c.text);
        else
            EXPECT_TRUE(parsed.is_object());
    }
    EXPECT_EQ(JsonText({{"name", "a\xfe"}, {"n", 1}, {"ok", true}, {"none", nullptr}}),
              "{\"n\":1,\"name\":{\"bytes\":\"61fe\"},\"none\":null,\"ok\":true}");
}

// Names in the temporary folder, which the Quick Scan lists as junk.
class EscapedOutputTest : public CliFixture {
  protected:
    static constexpr const char* kTemp = "C:\\Users\\tester\\AppData\\Local\\Temp\\";
    const std::string kForged = "esc\x1b]0;owned\a\r.tmp";
    const std::string kBadByte = "dup\xff.tmp";
    const std::string kReplacement = "dup\xef\xbf\xbd.tmp";

    void SetUp() override {
        for (const std::string& name : {kForged, kBadByte, kReplacement})
            machine.WriteFile(kTemp + name, "junk");
    }
};

TEST_F(EscapedOutputTest, TextOutputCannotDriveTheTerminal) {
    const CliRun run = Cli({"scan"});
    ASSERT_EQ(run.exitCode, 1) << run.err;
    for (const std::string* stream : {&run.out, &run.err}) {
        for (char c : {'\x1b', '\a', '\r', '\xff'})
            EXPECT_EQ(stream->find(c), std::string::npos) << static_cast<int>(c) << " in " << *stream;
    }
    EXPECT_NE(run.out.find("esc\\x1B]0;owned\\x07\\x0D.tmp"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("dup\\xFF.tmp"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(kReplacement), std::string::npos) << run.out;
}

TEST_F(EscapedOutputTest, JsonKeepsANameThatIsNotUtf8ApartFromItsLookAlike) {
    const CliRun run = Cli({"scan", "--json"});
    ASSERT_EQ(run.exitCode, 1) << run.err;
    const auto hex = [](const std::string& bytes) {
        std::string out;
        for (unsigned char c : bytes) {
            out += "0123456789abcdef"[c >> 4];
            out += "0123456789abcdef"[c & 15];
        }
        return out;
    };
    nlohmann::json badByte, replacement, forged;
    for (const std::string& line : Lines(run.out)) {
        const nlohmann::json row = nlohmann::json::parse(line);  // every line is valid JSON
        const nlohmann::json& name = row.at("name");
        if (name.is_object() && name.at("bytes") == hex(kBadByte)) badByte = row;
        if (name.is_string() && name == kReplacement) replacement = row;
        if (name.is_string() && name == kForged) forged = row;
    }
    ASSERT_FALSE(badByte.is_null()) << run.out;
    ASSERT_FALSE(replacement.is_null()) << run.out;
    ASSERT_FALSE(forged.is_null()) << run.out;
    EXPECT_EQ(badByte.at("host").at("bytes"), hex(machine.Host(kTemp + kBadByte)));
    EXPECT_EQ(replacement.at("host"), machine.Host(kTemp + kReplacement));
    EXPECT_EQ(forged.at("host"), machine.Host(kTemp + kForged));
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace scourwell::cli::testing
