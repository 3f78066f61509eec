#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "map/bmp_file.h"

namespace pravel {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t u16_at(const Bytes& b, std::size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
std::uint32_t u32_at(const Bytes& b, std::size_t at) { return u16_at(b, at) | (u16_at(b, at + 2) << 16); }

PixelBuffer filled(int width, int height, int bits, std::uint32_t colour) {
    PixelBuffer p;
    p.width = width;
    p.height = height;
    p.bits_per_pixel = bits;
    p.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), colour);
    return p;
}

Bytes encoded(const PixelBuffer& p) {
    const BitmapEncoding e = encode_bitmap(p);
    EXPECT_TRUE(e.ok) << e.error;
    return e.bytes;
}

TEST(BitmapEncoding, HeadersSizesAndOffsetsFollowTheDepth) {
    struct Case {
        int bits, width, height;
        std::uint32_t entries, offset, row_bytes, file_size;
    };
    const Case cases[] = {
        // 14 + 40 + 2100 x 500
        {24, 700, 500, 0, 54, 2100, 1050054},
        // 14 + 40 + 256 x 4 = 1078, one byte a pixel
        {8, 700, 500, 256, 1078, 700, 1078 + 700 * 500},
        // four bytes a pixel need no padding
        {32, 700, 500, 0, 54, 2800, 54 + 2800 * 500},
        // 2103 bytes of pixels padded to 2104
        {24, 701, 3, 0, 54, 2104, 54 + 2104 * 3},
        // 33 bits: two words
        {1, 33, 2, 2, 62, 8, 62 + 16},
        // 36 bits: two words
        {4, 9, 2, 16, 118, 8, 118 + 16},
        // 6 bytes padded to 8
        {16, 3, 2, 0, 54, 8, 54 + 16},
        {8, 4, 1, 256, 1078, 4, 1078 + 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(bitmap_palette_entries(c.bits), c.entries);
        EXPECT_EQ(bitmap_row_bytes(c.width, c.bits), c.row_bytes);

        const Bytes b = encoded(filled(c.width, c.height, c.bits, 0xFFFFFF));
        ASSERT_EQ(b.size(), c.file_size);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(u32_at(b, 2), c.file_size);
        EXPECT_EQ(u16_at(b, 6), 0u);
        EXPECT_EQ(u16_at(b, 8), 0u);
        EXPECT_EQ(u32_at(b, 10), c.offset);
        EXPECT_EQ(u32_at(b, 14), 40u);
        EXPECT_EQ(u32_at(b, 18), static_cast<std::uint32_t>(c.width));
        EXPECT_EQ(u32_at(b, 22), static_cast<std::uint32_t>(c.height));
        EXPECT_EQ(u16_at(b, 26), 1u);
        EXPECT_EQ(u16_at(b, 28), static_cast<std::uint32_t>(c.bits));
        EXPECT_EQ(u32_at(b, 30), 0u);
        EXPECT_EQ(u32_at(b, 34), c.row_bytes * static_cast<std::uint32_t>(c.height));
        for (std::size_t at = 38; at < 54; at += 4) EXPECT_EQ(u32_at(b, at), 0u) << "field at " << at;
    }
}

TEST(BitmapEncoding, TrueColourRowsAreBlueGreenRedBottomUpAndPadded) {
    // 24 bits, width 701: top row red, bottom row blue, the last pixel of the
    // top row green.
    PixelBuffer p = filled(701, 2, 24, 0x0000FF);
    for (int x = 0; x < 701; ++x) p.pixels[static_cast<std::size_t>(x)] = 0xFF0000;
    p.pixels[700] = 0x00FF00;
    const Bytes b = encoded(p);
    const std::size_t bottom = 54, top = 54 + 2104;
    EXPECT_EQ((Bytes{b[bottom], b[bottom + 1], b[bottom + 2]}), (Bytes{0xFF, 0x00, 0x00}));
    EXPECT_EQ(b[bottom + 2103], 0) << "padding byte";
    EXPECT_EQ((Bytes{b[top], b[top + 1], b[top + 2]}), (Bytes{0x00, 0x00, 0xFF}));
    EXPECT_EQ((Bytes{b[top + 2100], b[top + 2101], b[top + 2102]}), (Bytes{0x00, 0xFF, 0x00}));
    EXPECT_EQ(b[top + 2103], 0) << "padding byte";

    // 32 bits: a fourth zero byte a pixel, no padding.
    PixelBuffer q = filled(3, 1, 32, 0x123456);
    q.pixels[2] = 0xFFABCDEF;  // the top byte is not a colour
    const Bytes c = encoded(q);
    EXPECT_EQ(Bytes(c.begin() + 54, c.end()),
              (Bytes{0x56, 0x34, 0x12, 0, 0x56, 0x34, 0x12, 0, 0xEF, 0xCD, 0xAB, 0}));
}

TEST(BitmapEncoding, SixteenBitsKeepFiveBitsOfEachComponent) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0xFF0000, 0x7C00}, {0x00FF00, 0x03E0}, {0x0000FF, 0x001F}, {0xFFFFFF, 0x7FFF},
        {0x000000, 0x0000}, {0x123456, (0x12 >> 3) << 10 | (0x34 >> 3) << 5 | (0x56 >> 3)},
        {0x070707, 0x0000},  // below one step in every component
    };
    for (const auto& [colour, stored] : cases) {
        const Bytes b = encoded(filled(1, 1, 16, colour));
        EXPECT_EQ(u16_at(b, 54), stored) << std::hex << colour;
        EXPECT_EQ(u16_at(b, 56), 0u) << "padding";
    }
}

TEST(BitmapEncoding, OneBitPixelsPackFromTheHighBitWithTheBlackAndWhiteTable) {
    // Width 10, alternating black and white; near-black and near-white count
    // as black and white.
    PixelBuffer p = filled(10, 1, 1, 0);
    for (std::size_t x = 0; x < 10; ++x) p.pixels[x] = x % 2 ? (x == 9 ? 0xE0E0E0 : 0xFFFFFF) : (x == 0 ? 0x202020 : 0);
    const Bytes b = encoded(p);
    EXPECT_EQ(Bytes(b.begin() + 54, b.begin() + 62), (Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(Bytes(b.begin() + 62, b.end()), (Bytes{0x55, 0x40, 0, 0}));
}

TEST(BitmapEncoding, FourBitPixelsAreNibblesIndexingTheSixteenStandardColours) {
    // Red, green and blue are entries 9, 10 and 12 of the standard table.
    PixelBuffer p = filled(3, 2, 4, 0xFFFFFF);
    p.pixels[0] = 0xFF0000;
    p.pixels[1] = 0x00FF00;
    p.pixels[2] = 0x0000FF;
    const Bytes b = encoded(p);
    ASSERT_EQ(b.size(), 118u + 8);
    EXPECT_EQ(Bytes(b.begin() + 54 + 4 * 9, b.begin() + 54 + 4 * 10), (Bytes{0x00, 0x00, 0xFF, 0}));
    EXPECT_EQ(Bytes(b.begin() + 118, b.begin() + 122), (Bytes{0xFF, 0xF0, 0, 0})) << "bottom row: white";
    EXPECT_EQ(Bytes(b.begin() + 122, b.end()), (Bytes{0x9A, 0xC0, 0, 0})) << "top row";
}

TEST(BitmapEncoding, EveryDefaultPaletteColourIsStoredAsItself) {
    for (int bits : {1, 4, 8}) {
        const std::vector<std::uint32_t> table = default_bitmap_palette(bits);
        ASSERT_EQ(table.size(), bitmap_palette_entries(bits));
        PixelBuffer p = filled(static_cast<int>(table.size()), 1, 8, 0);
        p.bits_per_pixel = bits;
        p.pixels = table;
        const Bytes b = encoded(p);
        for (std::size_t x = 0; x < table.size(); ++x) {
            const std::size_t per_byte = 8 / static_cast<std::size_t>(bits);
            const std::uint32_t byte = b.at(54 + 4 * table.size() + x / per_byte);
            const std::uint32_t index =
                (byte >> (8 - bits * static_cast<int>(x % per_byte + 1))) & ((1u << bits) - 1);
            const std::size_t entry = 54 + 4 * index;
            const std::uint32_t colour = b[entry + 2] << 16 | b[entry + 1] << 8 | b[entry];
            EXPECT_EQ(colour, table[x]) << bits << " bits, entry " << x;
        }
    }
    EXPECT_TRUE(default_bitmap_palette(24).empty());
}

TEST(BitmapEncoding, AGivenPaletteIsWrittenFilledUpWithBlackAndIndexed) {
    PixelBuffer p = filled(4, 1, 8, 0x00FF00);
    p.palette = {0xFF0000, 0x00FF00, 0x0000FF};
    p.pixels[3] = 0x1010F0;  // nearest to blue
    const Bytes b = encoded(p);
    ASSERT_EQ(b.size(), 1078u + 4);
    EXPECT_EQ(Bytes(b.begin() + 54, b.begin() + 66), (Bytes{0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0}));
    for (std::size_t at = 66; at < 1078; ++at) ASSERT_EQ(b[at], 0) << at;
    EXPECT_EQ(Bytes(b.begin() + 1078, b.end()), (Bytes{1, 1, 1, 2}));
}

TEST(BitmapEncoding, PicturesThatCannotBeStoredAreRefused) {
    PixelBuffer wrong_depth = filled(2, 2, 2, 0);
    PixelBuffer empty = filled(0, 0, 24, 0);
    PixelBuffer negative = filled(2, 2, 24, 0);
    negative.height = -2;
    PixelBuffer short_pixels = filled(3, 3, 24, 0);
    short_pixels.pixels.pop_back();
    PixelBuffer big_palette = filled(1, 1, 4, 0);
    big_palette.palette.assign(17, 0);
    PixelBuffer too_large = filled(1, 1, 32, 0);
    too_large.width = 70000;
    too_large.height = 70000;  // checked before the pixel count, nothing is allocated
    too_large.pixels.clear();

    for (const PixelBuffer* p : {&wrong_depth, &empty, &negative, &short_pixels, &big_palette}) {
        const BitmapEncoding e = encode_bitmap(*p);
        EXPECT_FALSE(e.ok);
        EXPECT_NE(e.error, "");
        EXPECT_TRUE(e.bytes.empty());
    }
    const BitmapEncoding e = encode_bitmap(too_large);
    EXPECT_FALSE(e.ok);
    EXPECT_NE(e.error.find("too large"), std::string::npos) << e.error;
}

class BitmapWriting : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pravel_bmp_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static Bytes read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_), {}));
    }

    std::filesystem::path dir_;
};

TEST_F(BitmapWriting, WritesTheEncodedBytesInPlaceOfAnOldFile) {
    const auto path = dir_ / "map.bmp";
    std::ofstream(path) << std::string(5000, 'x');
    const PixelBuffer p = filled(5, 3, 24, 0x336699);
    const FileWriteResult written = write_bitmap(path.string(), p);
    EXPECT_TRUE(written.ok) << written.error;
    EXPECT_EQ(written.error, "");
    EXPECT_EQ(read(path), encoded(p));
    EXPECT_EQ(entries(), 1u) << "no temporary file left";
}

TEST_F(BitmapWriting, FailuresAreReportedAndLeaveNoFile) {
    const PixelBuffer good = filled(2, 2, 24, 0);
    const PixelBuffer bad = filled(2, 2, 3, 0);
    const std::filesystem::path missing_folder = dir_ / "no such folder" / "map.bmp";
    const std::filesystem::path a_folder = dir_ / "taken";
    std::filesystem::create_directories(a_folder);
    const std::filesystem::path unencodable = dir_ / "bad.bmp";

    const std::pair<std::filesystem::path, const PixelBuffer*> cases[] = {
        {missing_folder, &good}, {a_folder, &good}, {std::filesystem::path(), &good},
        {dir_ / "", &good},      {unencodable, &bad},
    };
    for (const auto& [path, picture] : cases) {
        const FileWriteResult written = write_bitmap(path.string(), *picture);
        EXPECT_FALSE(written.ok) << path;
        EXPECT_NE(written.error, "") << path;
    }
    EXPECT_FALSE(std::filesystem::exists(missing_folder));
    EXPECT_FALSE(std::filesystem::exists(unencodable));
    EXPECT_TRUE(std::filesystem::is_directory(a_folder));
    EXPECT_EQ(entries(), 1u) << "only the folder that was in the way";
}

TEST_F(BitmapWriting, AFileNotClosedLeavesTheTargetAsItWas) {
    const auto path = dir_ / "kept.bmp";
    std::ofstream(path) << "old";
    {
        CBinFile file;
        ASSERT_TRUE(file.open(path.string()));
        ASSERT_TRUE(file.write("new content", 11));
    }  // dropped without close
    {
        CBinFile file;
        ASSERT_TRUE(file.open(path.string()));
        ASSERT_TRUE(file.write("new", 3));
        file.discard();
        EXPECT_FALSE(file.close()) << "nothing left to close";
        EXPECT_NE(file.error(), "");
    }
    EXPECT_EQ(read(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(entries(), 1u);

    CBinFile file;
    ASSERT_TRUE(file.open(path.string()));
    ASSERT_TRUE(file.write("ab", 2));
    ASSERT_TRUE(file.write("c", 1));
    ASSERT_TRUE(file.close()) << file.error();
    EXPECT_EQ(read(path), (Bytes{'a', 'b', 'c'}));
    const auto plain = dir_ / "plain";
    std::ofstream(plain) << "x";
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::status(plain).permissions())
        << "a finished file gets the usual permissions of a new file";
}

}  // namespace
}  // namespace pravel
