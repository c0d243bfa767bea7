#include "platform/text.h"

#include <gtest/gtest.h>

TEST(TextConversion, EveryCp1252ByteSurvivesTheRoundTrip) {
    for (int b = 1; b < 256; ++b) {
        std::string in(1, static_cast<char>(b)), back;
        ASSERT_TRUE(text::Utf8ToCp1252(text::Cp1252ToUtf8(in), back)) << b;
        EXPECT_EQ(back, in) << b;
    }
}
