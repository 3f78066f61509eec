#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>

#include "map/qt/qimage_export.h"

namespace pravel {
namespace {

// A picture with something in every row and column: a gradient with a few
// saturated marks.
QImage varied_image(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb((x * 7) % 256, (y * 13) % 256, (x + y) % 256));
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(width - 1, height - 1, qRgb(0, 0, 255));
    return image;
}

// A picture that uses only colours of `table`, in a pattern that tells rows
// and columns apart.
QImage image_of_colours(int width, int height, const std::vector<std::uint32_t>& table) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, 0xFF000000u | table[static_cast<std::size_t>(x * 3 + y * 5) % table.size()]);
    return image;
}

// Index of the first pixel whose colours differ in the bits of `mask`, or -1
// when there is none.
long first_difference(const QImage& a, const QImage& b, QRgb mask = 0xFFFFFF) {
    if (a.size() != b.size()) return -2;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & mask) != (b.pixel(x, y) & mask)) return static_cast<long>(y) * a.width() + x;
    return -1;
}

class MapImageExport : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pravel_image_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_), {}));
    }
    static std::string head(const std::string& file, std::size_t n) {
        std::ifstream in(file, std::ios::binary);
        std::string s(n, '\0');
        in.read(s.data(), static_cast<std::streamsize>(n));
        s.resize(static_cast<std::size_t>(in.gcount()));
        return s;
    }

    std::filesystem::path dir_;
};

TEST_F(MapImageExport, WrittenFilesOpenAsImagesWithTheSamePixels) {
    const QImage varied = varied_image(701, 37);
    const struct {
        const char* name;
        QImage image;
        ImageFileType type;
        int display_depth;
        QRgb kept_bits = 0xFFFFFF;
    } cases[] = {
        {"deep24.bmp", varied, ImageFileType::Bitmap, 24},
        {"deep32.bmp", varied, ImageFileType::Bitmap, 32},
        {"odd_depth.bmp", varied, ImageFileType::Bitmap, 30},
        {"map.png", varied, ImageFileType::Png, 24},
        {"mono.bmp", image_of_colours(45, 7, default_bitmap_palette(1)), ImageFileType::Bitmap, 1},
        {"sixteen.bmp", image_of_colours(13, 9, default_bitmap_palette(4)), ImageFileType::Bitmap, 4},
        {"indexed.bmp", image_of_colours(257, 11, default_bitmap_palette(8)), ImageFileType::Bitmap, 8},
        // five bits of each component are kept
        {"high.bmp", varied_image(9, 4), ImageFileType::Bitmap, 16, 0xF8F8F8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageExportResult written = export_map_image(c.image, path(c.name), c.type, c.display_depth);
        ASSERT_TRUE(written.ok) << written.error;
        EXPECT_EQ(written.path, path(c.name));
        const QImage back(QString::fromStdString(path(c.name)));
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(first_difference(back, c.image, c.kept_bits), -1);
    }
    EXPECT_EQ(head(path("map.png"), 4), "\x89PNG");
    EXPECT_EQ(head(path("odd_depth.bmp"), 30).substr(28, 2), std::string("\x18\0", 2)) << "24 bits";
    EXPECT_EQ(entries(), std::size(cases)) << "no temporary files left";
}

TEST_F(MapImageExport, APaletteImageLendsItsColourTable) {
    QImage indexed(5, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50), qRgb(17, 170, 77)});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) indexed.setPixel(x, y, static_cast<uint>((x + y) % 3));

    const PixelBuffer picture = pixel_buffer_from_image(indexed, 8);
    EXPECT_EQ(picture.palette, (std::vector<std::uint32_t>{0x010203, 0xC86432, 0x11AA4D}));
    EXPECT_EQ(picture.pixels.at(6), 0x11AA4Du) << "row 1, column 1: entry 2";
    EXPECT_TRUE(pixel_buffer_from_image(indexed, 24).palette.empty()) << "deep bitmaps carry no table";

    // None of these colours is in the default palette, so only the lent
    // table gives them back unchanged.
    ASSERT_TRUE(export_map_image(indexed, path("lent.bmp"), ImageFileType::Bitmap, 8).ok);
    EXPECT_EQ(first_difference(QImage(QString::fromStdString(path("lent.bmp"))), indexed), -1);
}

TEST_F(MapImageExport, FailuresAreReportedAndLeaveNoFile) {
    const QImage good = varied_image(4, 4);
    const std::string in_missing_folder = path("no such folder/map.bmp");
    const std::string png_in_missing_folder = path("no such folder/map.png");
    std::filesystem::create_directories(dir_ / "taken.bmp");

    const struct {
        QImage image;
        std::string path;
        ImageFileType type;
        std::string message_part;
    } cases[] = {
        {QImage(), path("nothing.bmp"), ImageFileType::Bitmap, "could not be taken"},
        {QImage(), path("nothing.png"), ImageFileType::Png, "could not be taken"},
        {good, in_missing_folder, ImageFileType::Bitmap, in_missing_folder},
        {good, png_in_missing_folder, ImageFileType::Png, png_in_missing_folder},
        {good, path("taken.bmp"), ImageFileType::Bitmap, path("taken.bmp")},
    };
    for (const auto& c : cases) {
        const ImageExportResult written = export_map_image(c.image, c.path, c.type, 24);
        EXPECT_FALSE(written.ok) << c.path;
        EXPECT_NE(written.error.find(c.message_part), std::string::npos) << written.error;
    }
    EXPECT_FALSE(std::filesystem::exists(path("nothing.bmp")));
    EXPECT_FALSE(std::filesystem::exists(path("nothing.png")));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "no such folder"));
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "taken.bmp"));
    EXPECT_EQ(entries(), 1u) << "only the folder that was in the way";
}

TEST_F(MapImageExport, SavingTakesTheFormatFromTheChosenNameAndFilter) {
    const QImage image = varied_image(6, 5);
    const std::string base = path("map");

    const ImageExportResult as_png = save_map_image(image, base, kPngFilesFilter, 24);
    ASSERT_TRUE(as_png.ok) << as_png.error;
    EXPECT_EQ(as_png.path, base + ".png");
    EXPECT_EQ(head(base + ".png", 4), "\x89PNG");

    const ImageExportResult as_bmp = save_map_image(image, base, kBitmapFilesFilter, 32);
    ASSERT_TRUE(as_bmp.ok) << as_bmp.error;
    EXPECT_EQ(as_bmp.path, base + ".bmp");
    EXPECT_EQ(head(base + ".bmp", 30).substr(28, 2), std::string("\x20\0", 2)) << "the display's 32 bits";

    const ImageExportResult typed = save_map_image(image, path("typed.PNG"), kBitmapFilesFilter, 24);
    ASSERT_TRUE(typed.ok) << typed.error;
    EXPECT_EQ(head(path("typed.PNG"), 4), "\x89PNG");

    const ImageExportResult cancelled = save_map_image(image, "", kBitmapFilesFilter, 24);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.error, "");
    EXPECT_EQ(entries(), 3u);
}

}  // namespace
}  // namespace pravel
