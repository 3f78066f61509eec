#pragma once
#include "common/atomic_file.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pravel {

// A captured picture, independent of any window system: the colours of its
// pixels row by row from the top, each as 0xRRGGBB (the top byte is ignored),
// and the bit depth it is to be stored at.
struct PixelBuffer {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 24;               // 1, 4, 8, 16, 24 or 32
    std::vector<std::uint32_t> pixels;     // width * height colours, top row first
    // Colour table for 1, 4 and 8 bits (0xRRGGBB entries): the display's
    // palette when it works with one. Empty means the default palette of the
    // depth. Shorter tables are filled up with black to 2^n entries.
    std::vector<std::uint32_t> palette;
};

// Sizes of the parts of a bitmap file.
constexpr std::size_t kBitmapFileHeaderSize = 14;
constexpr std::size_t kBitmapInfoHeaderSize = 40;

// Number of colour-table entries a bitmap of this depth carries: 2^n for 1, 4
// and 8 bits, none above.
std::size_t bitmap_palette_entries(int bits_per_pixel);

// Bytes of one stored pixel row: the bits of `width` pixels rounded up to
// whole 32-bit words.
std::size_t bitmap_row_bytes(int width, int bits_per_pixel);

// The colour table used for 1, 4 and 8 bits when the display has no palette
// of its own: black and white; the sixteen standard colours; the sixteen
// standard colours followed by a 6 x 6 x 6 colour cube and 24 greys.
std::vector<std::uint32_t> default_bitmap_palette(int bits_per_pixel);

struct BitmapEncoding {
    bool ok = false;
    std::string error;                // why the picture cannot be stored; empty on success
    std::vector<std::uint8_t> bytes;  // the whole file on success
};

// The uncompressed bitmap file of `picture`: file header, information header,
// colour table (1, 4 and 8 bits) and the pixel rows bottom-up, each padded
// with zero bytes to a multiple of 4. For palette depths every pixel is
// stored as the index of the nearest colour of the table; 16 bits stores five
// bits each of red, green and blue.
BitmapEncoding encode_bitmap(const PixelBuffer& picture);

// A binary output file that never leaves a partial file behind: open()
// creates a temporary file next to the target, write() appends blocks to it,
// and close() puts it in place of the target only when everything was
// written. A file that is not closed successfully is removed.
class CBinFile : public AtomicFile {};

struct FileWriteResult {
    bool ok = false;
    std::string error;  // why the file could not be written; empty on success
};

// Writes `bytes` through a CBinFile to `path`, replacing an existing file.
FileWriteResult write_binary_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Encodes `picture` and writes it to `path`.
FileWriteResult write_bitmap(const std::string& path, const PixelBuffer& picture);

}  // namespace pravel
