#include "map/bmp_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pravel {

namespace {

bool supported_depth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::uint32_t rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}
int red(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
int green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }

// The sixteen standard colours in their usual order: the dark ones, light
// grey, then grey and the bright ones.
const std::uint32_t kStandardColours[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

class LittleEndianBytes {
public:
    explicit LittleEndianBytes(std::vector<std::uint8_t>& out) : out_(out) {}
    void u8(std::uint32_t v) { out_.push_back(static_cast<std::uint8_t>(v & 0xFF)); }
    void u16(std::uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v);
        u16(v >> 16);
    }

private:
    std::vector<std::uint8_t>& out_;
};

// Finds the table index of a colour: the exact entry when there is one,
// otherwise the nearest by squared distance in RGB (the first of equals).
class PaletteMatcher {
public:
    explicit PaletteMatcher(const std::vector<std::uint32_t>& table) : table_(table) {}

    std::uint8_t index_of(std::uint32_t colour) {
        colour &= 0xFFFFFF;
        const auto known = cache_.find(colour);
        if (known != cache_.end()) return known->second;
        std::size_t best = 0;
        long best_distance = std::numeric_limits<long>::max();
        for (std::size_t i = 0; i < table_.size(); ++i) {
            const long dr = red(colour) - red(table_[i]);
            const long dg = green(colour) - green(table_[i]);
            const long db = blue(colour) - blue(table_[i]);
            const long d = dr * dr + dg * dg + db * db;
            if (d < best_distance) {
                best_distance = d;
                best = i;
                if (d == 0) break;
            }
        }
        const auto index = static_cast<std::uint8_t>(best);
        cache_.emplace(colour, index);
        return index;
    }

private:
    const std::vector<std::uint32_t>& table_;
    std::unordered_map<std::uint32_t, std::uint8_t> cache_;
};

BitmapEncoding encoding_error(const std::string& why) {
    BitmapEncoding e;
    e.error = why;
    return e;
}

}  // namespace

std::size_t bitmap_palette_entries(int bits_per_pixel) {
    return bits_per_pixel == 1 || bits_per_pixel == 4 || bits_per_pixel == 8 ? std::size_t{1} << bits_per_pixel
                                                                               : 0;
}

std::size_t bitmap_row_bytes(int width, int bits_per_pixel) {
    const std::size_t bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bits_per_pixel);
    return (bits + 31) / 32 * 4;
}

std::vector<std::uint32_t> default_bitmap_palette(int bits_per_pixel) {
    switch (bits_per_pixel) {
    case 1:
        return {0x000000, 0xFFFFFF};
    case 4:
        return {std::begin(kStandardColours), std::end(kStandardColours)};
    case 8: {
        std::vector<std::uint32_t> table(std::begin(kStandardColours), std::end(kStandardColours));
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) table.push_back(rgb(r * 51, g * 51, b * 51));
        // Greys between the steps of the cube: 8, 18, ..., 238.
        for (int k = 0; k < 24; ++k) table.push_back(rgb(8 + 10 * k, 8 + 10 * k, 8 + 10 * k));
        return table;
    }
    default:
        return {};
    }
}

BitmapEncoding encode_bitmap(const PixelBuffer& picture) {
    const int n = picture.bits_per_pixel;
    if (!supported_depth(n)) return encoding_error("a bit depth of " + std::to_string(n) + " cannot be stored");
    if (picture.width <= 0 || picture.height <= 0) {
        return encoding_error("the picture is empty (" + std::to_string(picture.width) + " x " +
                              std::to_string(picture.height) + " pixels)");
    }
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::size_t height = static_cast<std::size_t>(picture.height);

    const std::size_t entries = bitmap_palette_entries(n);
    std::vector<std::uint32_t> table = picture.palette.empty() ? default_bitmap_palette(n) : picture.palette;
    if (table.size() > entries) {
        if (entries == 0) {
            table.clear();  // deep pictures carry no table
        } else {
            return encoding_error("a colour table of " + std::to_string(table.size()) + " entries does not fit " +
                                  std::to_string(n) + " bits per pixel");
        }
    }
    table.resize(entries, 0x000000);

    const std::size_t row_bytes = bitmap_row_bytes(picture.width, n);
    const std::size_t offset = kBitmapFileHeaderSize + kBitmapInfoHeaderSize + 4 * entries;
    constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();
    if (row_bytes > (kLimit - offset) / height) return encoding_error("the picture is too large for a bitmap file");
    if (picture.pixels.size() / width != height || picture.pixels.size() % width != 0) {
        return encoding_error("the picture holds " + std::to_string(picture.pixels.size()) + " pixels instead of " +
                              std::to_string(picture.width) + " x " + std::to_string(picture.height));
    }
    const std::size_t image_size = row_bytes * height;
    const std::size_t file_size = offset + image_size;

    BitmapEncoding result;
    std::vector<std::uint8_t>& out = result.bytes;
    out.reserve(file_size);
    LittleEndianBytes le(out);

    // File header.
    le.u8('B');
    le.u8('M');
    le.u32(static_cast<std::uint32_t>(file_size));
    le.u16(0);
    le.u16(0);
    le.u32(static_cast<std::uint32_t>(offset));

    // Information header.
    le.u32(static_cast<std::uint32_t>(kBitmapInfoHeaderSize));
    le.u32(static_cast<std::uint32_t>(picture.width));
    le.u32(static_cast<std::uint32_t>(picture.height));
    le.u16(1);  // planes
    le.u16(static_cast<std::uint32_t>(n));
    le.u32(0);  // uncompressed
    le.u32(static_cast<std::uint32_t>(image_size));
    le.u32(0);  // resolutions
    le.u32(0);
    le.u32(0);  // colours used: all of the table
    le.u32(0);  // important colours: all

    for (std::uint32_t c : table) {
        le.u8(static_cast<std::uint32_t>(blue(c)));
        le.u8(static_cast<std::uint32_t>(green(c)));
        le.u8(static_cast<std::uint32_t>(red(c)));
        le.u8(0);
    }

    PaletteMatcher matcher(table);
    for (std::size_t y = height; y-- > 0;) {
        const std::uint32_t* row = picture.pixels.data() + y * width;
        const std::size_t row_start = out.size();
        switch (n) {
        case 1:
        case 4:
        case 8: {
            // Pixels fill each byte from its most significant bits.
            const int per_byte = 8 / n;
            for (std::size_t x = 0; x < width; x += static_cast<std::size_t>(per_byte)) {
                std::uint32_t byte = 0;
                for (int k = 0; k < per_byte; ++k) {
                    const std::size_t xi = x + static_cast<std::size_t>(k);
                    const std::uint32_t index = xi < width ? matcher.index_of(row[xi]) : 0;
                    byte |= index << (8 - n * (k + 1));
                }
                le.u8(byte);
            }
            break;
        }
        case 16:
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint32_t c = row[x];
                le.u16((static_cast<std::uint32_t>(red(c) >> 3) << 10) |
                       (static_cast<std::uint32_t>(green(c) >> 3) << 5) | static_cast<std::uint32_t>(blue(c) >> 3));
            }
            break;
        default:
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint32_t c = row[x];
                le.u8(static_cast<std::uint32_t>(blue(c)));
                le.u8(static_cast<std::uint32_t>(green(c)));
                le.u8(static_cast<std::uint32_t>(red(c)));
                if (n == 32) le.u8(0);
            }
            break;
        }
        out.resize(row_start + row_bytes, 0);  // padding to whole words
    }

    result.ok = true;
    return result;
}

FileWriteResult write_binary_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    FileWriteResult result;
    CBinFile file;
    if (file.open(path) && file.write(bytes.data(), bytes.size()) && file.close()) {
        result.ok = true;
    } else {
        result.error = file.error();
    }
    return result;
}

FileWriteResult write_bitmap(const std::string& path, const PixelBuffer& picture) {
    const BitmapEncoding encoded = encode_bitmap(picture);
    if (!encoded.ok) return FileWriteResult{false, encoded.error};
    return write_binary_file(path, encoded.bytes);
}

}  // namespace pravel
