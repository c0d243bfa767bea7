// Decoding pictures from memory: the committed artwork decodes to its sizes, and damaged
// data gives no picture.
#include "platform/pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::string Artwork(const char* name) {
    const char* source = std::getenv("ZELVANTO_SOURCE_DIR");
    return testing_support::ReadFile(std::string(source ? source : ".") + "/resources/" + name);
}

const unsigned char* Bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

// The banner is stored with 16 bits per channel; the decoder reduces it to 8.
TEST(Pictures, BannerDecodesFrom16BitPng) {
    std::string png = Artwork("banner.png");
    ASSERT_FALSE(png.empty());
    pictures::Picture p;
    ASSERT_TRUE(pictures::DecodePng(Bytes(png), png.size(), p, false));
    EXPECT_EQ(p.width, 217);
    EXPECT_EQ(p.height, 435);
    ASSERT_EQ(p.pixels.size(), 217u * 435 * 3);
    // Top-left corner: the orange of the background (red 1.0, green 0.55, blue 0.08).
    EXPECT_EQ(p.pixels[0], 255);
    EXPECT_NEAR(p.pixels[1], 140, 2);
    EXPECT_NEAR(p.pixels[2], 20, 2);
}

TEST(Pictures, BrowsePictureDecodesFromJpeg) {
    std::string jpeg = Artwork("browse.jpg");
    pictures::Picture p;
    ASSERT_TRUE(pictures::DecodeJpeg(Bytes(jpeg), jpeg.size(), p));
    EXPECT_EQ(p.width, 23);
    EXPECT_EQ(p.height, 23);
    ASSERT_EQ(p.pixels.size(), 23u * 23 * 3);
    // Inside the folder: yellow (much red and green, little blue).
    const unsigned char* px = &p.pixels[(13 * 23 + 11) * 3];
    EXPECT_GT(px[0], 200);
    EXPECT_GT(px[1], 160);
    EXPECT_LT(px[2], 110);
}

TEST(Pictures, IconDecodesWithAlpha) {
    std::string png = Artwork("icon.png");
    pictures::Picture p;
    ASSERT_TRUE(pictures::DecodePng(Bytes(png), png.size(), p, true));
    EXPECT_EQ(p.width, 32);
    ASSERT_EQ(p.pixels.size(), 32u * 32 * 4);
    EXPECT_EQ(p.pixels[3], 0);                        // a transparent corner
    EXPECT_EQ(p.pixels[(20 * 32 + 15) * 4 + 3], 255); // the arrow is opaque
}

TEST(Pictures, DamagedDataGivesNoPicture) {
    std::string png = Artwork("banner.png"), jpeg = Artwork("browse.jpg");
    struct Case {
        const char* name;
        std::string bytes;
        bool isPng;
    } cases[] = {
        {"png cut in half", png.substr(0, png.size() / 2), true},
        {"png header only", png.substr(0, 8), true},
        {"png with damaged chunk",
         [&] {
             std::string s = png;
             s[40] ^= 0x55;
             return s;
         }(),
         true},
        {"jpeg cut short", jpeg.substr(0, 100), false},
        {"jpeg header only", jpeg.substr(0, 2), false},
        {"text", "not a picture at all", true},
        {"text as jpeg", "not a picture at all", false},
        {"nothing", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pictures::Picture p;
        p.width = 7; // must be reset
        bool ok = c.isPng ? pictures::DecodePng(Bytes(c.bytes), c.bytes.size(), p, false)
                          : pictures::DecodeJpeg(Bytes(c.bytes), c.bytes.size(), p);
        EXPECT_FALSE(ok);
        EXPECT_EQ(p.width, 0);
        EXPECT_TRUE(p.pixels.empty());
    }
}

} // namespace
