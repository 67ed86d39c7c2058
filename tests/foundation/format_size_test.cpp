#include "foundation/format_size.h"

#include <gtest/gtest.h>

namespace scourwell::foundation {
namespace {

TEST(FormatSize, Table) {
    struct Case {
        long double value;
        bool withUnit;
        const char* expected;
    };
    const long double kTB = 1024.0L * 1024 * 1024 * 1024;
    const Case cases[] = {
        {0, true, "    0.00B"},
        {512, true, "  512.00B"},
        {1023, true, " 1023.00B"},
        {1024, true, "    1.00KB"},
        {1536, true, "    1.50KB"},
        {1536, false, "    1.50"},           // unit dropped, value still scaled
        {1024.0L * 1024, true, "    1.00MB"},
        {1024.0L * 1024 * 1024 * 3 / 2, true, "    1.50GB"},
        {kTB, true, "    1.00TB"},
        {2048 * kTB, true, " 2048.00TB"},      // nothing beyond terabytes
        {52428800, true, "   50.00MB"},
        {123456789012.0L, true, "  114.98GB"},
        {99999999, true, "   95.37MB"},
        {1048575, true, " 1024.00KB"},         // rounding in the text, not in the test
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSize(c.value, c.withUnit), c.expected) << static_cast<double>(c.value);
    }
}

TEST(FormatSize, HugeValueIsNotCutShort) {
    const std::string text = FormatSize(1e30L, true);
    EXPECT_TRUE(text.size() > 12 && text.substr(text.size() - 2) == "TB") << text;
}

}  // namespace
}  // namespace scourwell::foundation
