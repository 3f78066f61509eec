#pragma once
#include <string>

#include "map/bmp_file.h"

namespace pravel {

// Texts of the save dialog of the command "save image" of a map view.
inline constexpr const char* kSaveImageTitle = "Save image";
inline constexpr const char* kSaveImageDefaultExtension = "bmp";
inline constexpr const char* kSaveImageProposedName = "*.bmp";
inline constexpr const char* kBitmapFilesFilter = "Bitmap (*.bmp)";
inline constexpr const char* kPngFilesFilter = "PNG (*.png)";
inline constexpr const char* kAllFilesFilter = "All Files (*.*)";
// The filters in the order the dialog offers them, separated as file dialogs
// expect: bitmap first, PNG as the second choice, then every file.
inline constexpr const char* kSaveImageFilters = "Bitmap (*.bmp);;PNG (*.png);;All Files (*.*)";

enum class ImageFileType { Bitmap, Png };

// The file name to write for the name chosen in the dialog: a name without an
// extension gets ".png" when the PNG filter was chosen and ".bmp" otherwise.
// An empty name stays empty (nothing is to be written).
std::string complete_image_file_name(const std::string& chosen, const std::string& selected_filter);

// The format of the file: by its extension (.png or .bmp, in any case), else
// by the filter chosen; a bitmap when neither says PNG.
ImageFileType image_file_type(const std::string& path, const std::string& selected_filter);

// The depth a bitmap is stored at for a display of `display_depth` bits per
// pixel: the display's own when a bitmap can have it (15 bits as 16), else
// 24 bits.
int bitmap_depth_for_display(int display_depth);

struct ImageExportResult {
    bool ok = false;
    std::string path;   // the file written, or that could not be written
    std::string error;  // the message for the user; empty on success
};

// The message for a view whose picture could not be taken.
std::string image_capture_error();

// The message for a file that could not be written, with the reason.
std::string image_write_error(const std::string& path, const std::string& reason);

// Writes the captured picture to `path` as a bitmap file. Nothing is left at
// `path` when it fails (an existing file stays as it was).
ImageExportResult export_bitmap(const std::string& path, const PixelBuffer& picture);

}  // namespace pravel
