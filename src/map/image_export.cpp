#include "map/image_export.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace pravel {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string extension_of(const std::string& path) {
    return lower(std::filesystem::path(path).extension().string());
}

bool png_filter(const std::string& selected_filter) { return selected_filter == kPngFilesFilter; }

}  // namespace

std::string complete_image_file_name(const std::string& chosen, const std::string& selected_filter) {
    if (chosen.empty()) return chosen;
    const std::filesystem::path p(chosen);
    if (p.filename().empty() || !p.extension().empty()) return chosen;
    return chosen + (png_filter(selected_filter) ? ".png" : std::string(".") + kSaveImageDefaultExtension);
}

ImageFileType image_file_type(const std::string& path, const std::string& selected_filter) {
    const std::string ext = extension_of(path);
    if (ext == ".png") return ImageFileType::Png;
    if (ext == ".bmp") return ImageFileType::Bitmap;
    return png_filter(selected_filter) ? ImageFileType::Png : ImageFileType::Bitmap;
}

int bitmap_depth_for_display(int display_depth) {
    switch (display_depth) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return display_depth;
    case 15:  // five bits a component is what 16-bit bitmaps store
        return 16;
    default:
        return 24;
    }
}

std::string image_capture_error() { return "The picture of the map could not be taken; no image was saved."; }

std::string image_write_error(const std::string& path, const std::string& reason) {
    return "The image could not be saved to " + path + ": " + reason;
}

ImageExportResult export_bitmap(const std::string& path, const PixelBuffer& picture) {
    ImageExportResult result;
    result.path = path;
    const FileWriteResult written = write_bitmap(path, picture);
    if (written.ok) {
        result.ok = true;
    } else {
        result.error = image_write_error(path, written.error);
    }
    return result;
}

}  // namespace pravel
