#include "foundation/text.h"

#include <gtest/gtest.h>

namespace scourwell::foundation {
namespace {

TEST(Text, CaseHelpers) {
    EXPECT_EQ(ToLower("AbC\\Windows\xC4"), "abc\\windows\xC4");  // bytes above 127 stay
    EXPECT_EQ(ToUpper("abc1"), "ABC1");
    EXPECT_TRUE(EqualsIgnoreCase("C:\\Temp", "c:\\TEMP"));
    EXPECT_FALSE(EqualsIgnoreCase("C:\\Temp", "C:\\Temp\\"));
    EXPECT_LT(CompareIgnoreCase("abc", "ABD"), 0);
    EXPECT_GT(CompareIgnoreCase("b", "A"), 0);
    EXPECT_EQ(CompareIgnoreCase("Same", "sAME"), 0);
    EXPECT_LT(CompareIgnoreCase("ab", "abc"), 0);
    EXPECT_TRUE(ContainsIgnoreCase("C:\\Profiles\\old", "FILE"));
    EXPECT_FALSE(ContainsIgnoreCase("abc", "abcd"));
}

TEST(Text, PositionsAndReplacement) {
    EXPECT_EQ(Pos(":\\", "x c:\\a"), 4u);
    EXPECT_EQ(Pos("zz", "abc"), 0u);
    EXPECT_EQ(Pos("", "abc"), 0u);
    EXPECT_EQ(ReplaceAll("a%x%b%x%", "%x%", "[%x%]"), "a[%x%]b[%x%]");  // not recursive
    EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
    EXPECT_TRUE(StartsWith("[Start]x", "[Start]"));
    EXPECT_TRUE(EndsWith("tool\\", "\\"));
    EXPECT_FALSE(EndsWith("", "\\"));
}

TEST(Text, PathPieces) {
    EXPECT_EQ(FileNamePart("C:\\Windows\\notepad.exe"), "notepad.exe");
    EXPECT_EQ(FileNamePart("notepad.exe"), "notepad.exe");
    EXPECT_EQ(FolderPart("C:\\Windows\\notepad.exe"), "C:\\Windows\\");
    EXPECT_EQ(FolderPart("notepad.exe"), "");
    EXPECT_EQ(WithTrailingBackslash("C:\\Temp"), "C:\\Temp\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\Temp\\"), "C:\\Temp\\");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\Temp\\"), "C:\\Temp");
}

TEST(Text, ParseInt64) {
    long long v = 7;
    EXPECT_TRUE(ParseInt64("52428800", v));
    EXPECT_EQ(v, 52428800);
    EXPECT_TRUE(ParseInt64("-12", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(ParseInt64("9223372036854775807", v));
    EXPECT_EQ(v, 9223372036854775807LL);
    v = 7;
    for (const char* bad : {"", "-", "n/a", "  1.50KB", "12 ", "1e3", "99999999999999999999"}) {
        EXPECT_FALSE(ParseInt64(bad, v)) << bad;
        EXPECT_EQ(v, 7) << bad;
    }
}

}  // namespace
}  // namespace scourwell::foundation
