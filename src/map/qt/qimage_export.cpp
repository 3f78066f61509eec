#include "map/qt/qimage_export.h"

#include <QBuffer>
#include <QByteArray>

namespace pravel {

PixelBuffer pixel_buffer_from_image(const QImage& image, int bits_per_pixel) {
    PixelBuffer picture;
    picture.bits_per_pixel = bits_per_pixel;
    if (image.isNull()) return picture;

    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) return picture;
    picture.width = rgb.width();
    picture.height = rgb.height();
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) picture.pixels.push_back(line[x] & 0xFFFFFFu);
    }

    const std::size_t entries = bitmap_palette_entries(bits_per_pixel);
    const QList<QRgb> table = image.colorTable();
    if (entries > 0 && !table.isEmpty() && static_cast<std::size_t>(table.size()) <= entries) {
        for (QRgb c : table) picture.palette.push_back(c & 0xFFFFFFu);
    }
    return picture;
}

ImageExportResult export_map_image(const QImage& visible_area, const std::string& path, ImageFileType type,
                                   int display_depth) {
    ImageExportResult result;
    result.path = path;
    if (visible_area.isNull() || visible_area.width() <= 0 || visible_area.height() <= 0) {
        result.error = image_capture_error();
        return result;
    }

    if (type == ImageFileType::Bitmap) {
        return export_bitmap(path, pixel_buffer_from_image(visible_area, bitmap_depth_for_display(display_depth)));
    }

    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (!visible_area.save(&buffer, "PNG")) {
        result.error = image_write_error(path, "the picture could not be converted to PNG");
        return result;
    }
    const std::vector<std::uint8_t> bytes(encoded.begin(), encoded.end());
    const FileWriteResult written = write_binary_file(path, bytes);
    if (!written.ok) {
        result.error = image_write_error(path, written.error);
        return result;
    }
    result.ok = true;
    return result;
}

ImageExportResult save_map_image(const QImage& visible_area, const std::string& chosen_name,
                                 const std::string& selected_filter, int display_depth) {
    const std::string path = complete_image_file_name(chosen_name, selected_filter);
    if (path.empty()) return ImageExportResult{};
    return export_map_image(visible_area, path, image_file_type(path, selected_filter), display_depth);
}

}  // namespace pravel
