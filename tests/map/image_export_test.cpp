#include <gtest/gtest.h>

#include <string>

#include "map/image_export.h"

namespace pravel {
namespace {

TEST(ImageExportNames, ANameWithoutExtensionGetsTheOneOfTheChosenFilter) {
    const struct {
        const char* chosen;
        const char* filter;
        const char* completed;
        ImageFileType type;
    } cases[] = {
        {"map", kBitmapFilesFilter, "map.bmp", ImageFileType::Bitmap},
        {"map", kPngFilesFilter, "map.png", ImageFileType::Png},
        {"map", kAllFilesFilter, "map.bmp", ImageFileType::Bitmap},
        {"map", "", "map.bmp", ImageFileType::Bitmap},
        {"/data/out/map", kPngFilesFilter, "/data/out/map.png", ImageFileType::Png},
        // The extension typed decides over the filter.
        {"map.PNG", kBitmapFilesFilter, "map.PNG", ImageFileType::Png},
        {"map.bmp", kPngFilesFilter, "map.bmp", ImageFileType::Bitmap},
        {"Map.Bmp", kAllFilesFilter, "Map.Bmp", ImageFileType::Bitmap},
        // Another extension is kept; the filter picks the format.
        {"map.v2", kPngFilesFilter, "map.v2", ImageFileType::Png},
        {"map.image", kAllFilesFilter, "map.image", ImageFileType::Bitmap},
        {"out.d/map", kBitmapFilesFilter, "out.d/map.bmp", ImageFileType::Bitmap},
    };
    for (const auto& c : cases) {
        const std::string completed = complete_image_file_name(c.chosen, c.filter);
        EXPECT_EQ(completed, c.completed) << c.chosen << " / " << c.filter;
        EXPECT_EQ(image_file_type(completed, c.filter), c.type) << c.chosen << " / " << c.filter;
    }
    EXPECT_EQ(complete_image_file_name("", kBitmapFilesFilter), "") << "cancelled: nothing to write";
}

TEST(ImageExportNames, TheFilterListOffersBitmapThenPngThenEverything) {
    const std::string filters = kSaveImageFilters;
    EXPECT_EQ(filters, std::string(kBitmapFilesFilter) + ";;" + kPngFilesFilter + ";;" + kAllFilesFilter);
    EXPECT_EQ(std::string(kBitmapFilesFilter), "Bitmap (*.bmp)");
    EXPECT_EQ(std::string(kPngFilesFilter), "PNG (*.png)");
    EXPECT_EQ(std::string(kAllFilesFilter), "All Files (*.*)");
}

TEST(ImageExportDepth, DisplaysOfAStorableDepthKeepItOthersGetTwentyFourBits) {
    const std::pair<int, int> cases[] = {{1, 1}, {4, 4}, {8, 8}, {16, 16}, {24, 24}, {32, 32},
                                         {0, 24}, {2, 24}, {15, 16}, {30, 24}, {64, 24}};
    for (const auto& [display, stored] : cases) EXPECT_EQ(bitmap_depth_for_display(display), stored) << display;
}

}  // namespace
}  // namespace pravel
