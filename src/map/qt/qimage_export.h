#pragma once
#include <string>

#include <QImage>

#include "map/bmp_file.h"
#include "map/image_export.h"

namespace pravel {

// The pixels of `image` as a picture to be stored at `bits_per_pixel`. An
// indexed image (a palette display) lends its colour table to depths of 8
// bits and less when the table fits; other images use the default palette.
// A null image gives an empty picture.
PixelBuffer pixel_buffer_from_image(const QImage& image, int bits_per_pixel);

// Writes the captured visible area of a map view to `path` in `type`: a
// bitmap at the depth for `display_depth`, or a PNG file. A null image is a
// failed capture. Nothing is left at `path` when it fails.
ImageExportResult export_map_image(const QImage& visible_area, const std::string& path, ImageFileType type,
                                   int display_depth);

// The whole command after the dialog: completes the chosen name, picks the
// format from it and the chosen filter, and writes the file. An empty name
// means the dialog was cancelled: nothing is written and the result is not ok
// with no error text.
ImageExportResult save_map_image(const QImage& visible_area, const std::string& chosen_name,
                                 const std::string& selected_filter, int display_depth);

}  // namespace pravel
