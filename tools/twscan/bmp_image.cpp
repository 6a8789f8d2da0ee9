// BMP files from native DIBs and memory-transfer strips.
#include "tools/twscan/bmp_image.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace {

constexpr uint32_t InfoHeaderBytes = 40;
constexpr uint32_t FileHeaderBytes = 14;
// Larger than any image a 32-bit process can hold: refuse rather than wrap.
constexpr uint64_t MaxImageBytes = 0x7fffffffull;

uint32_t Read32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

std::vector<uint8_t> FileHeader(uint32_t headerBytes, uint64_t imageBytes) {
    std::vector<uint8_t> header(FileHeaderBytes, 0);
    header[0] = 'B';
    header[1] = 'M';
    Put32(&header[2], static_cast<uint32_t>(FileHeaderBytes + headerBytes + imageBytes));
    Put32(&header[10], FileHeaderBytes + headerBytes);
    return header;
}

// Info header and palette of a memory-transfer image.
std::vector<uint8_t> InfoAndPalette(const MemoryImageFormat& format, int32_t height, uint64_t imageBytes) {
    const uint32_t colours = format.bitsPerPixel == 24 ? 0 : 1u << format.bitsPerPixel;
    std::vector<uint8_t> info(InfoHeaderBytes + 4 * colours, 0);
    Put32(&info[0], InfoHeaderBytes);
    Put32(&info[4], static_cast<uint32_t>(format.width));
    Put32(&info[8], static_cast<uint32_t>(height));
    Put16(&info[12], 1);
    Put16(&info[14], format.bitsPerPixel);
    Put32(&info[20], static_cast<uint32_t>(imageBytes));
    // Truncated, as sources write it into their own bitmaps (300 dpi: 11811).
    const auto perMeter = static_cast<uint32_t>(int64_t{format.dotsPerInch} * 10000 / 254);
    Put32(&info[24], perMeter);
    Put32(&info[28], perMeter);
    Put32(&info[32], colours);
    for (uint32_t i = 0; i < colours; ++i) {
        uint32_t level = colours == 2 ? i * 255 : i;
        if (format.zeroIsWhite) level = 255 - level;
        uint8_t* entry = &info[InfoHeaderBytes + 4 * i];
        entry[0] = entry[1] = entry[2] = static_cast<uint8_t>(level);
    }
    return info;
}

bool Fail(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
    return false;
}

// Checks the info header at 'info' (at least 40 bytes) and fills the layout
// except what depends on the block size.
bool ReadInfoHeader(const uint8_t* info, DibLayout* layout, std::string* error) {
    const uint32_t size = Read32(info);
    const auto width = static_cast<int32_t>(Read32(info + 4));
    const auto height = static_cast<int32_t>(Read32(info + 8));
    const uint16_t bitCount = Read16(info + 14);
    const uint32_t compression = Read32(info + 16);
    uint32_t colours = Read32(info + 32);
    if (size < InfoHeaderBytes || size > 1024)
        return Fail(error, "unknown bitmap header size " + std::to_string(size));
    if (compression != 0)
        return Fail(error, "compressed bitmap (compression " + std::to_string(compression) + ")");
    if (bitCount != 1 && bitCount != 8 && bitCount != 24) {
        return Fail(error, "unsupported bits per pixel " + std::to_string(bitCount));
    }
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return Fail(error, "bad bitmap size " + std::to_string(width) + " x " + std::to_string(height));
    }
    const uint32_t maxColours = bitCount == 24 ? 0 : 1u << bitCount;
    if (colours == 0) colours = maxColours;
    if (colours > maxColours && bitCount != 24)
        return Fail(error, "palette larger than the pixel depth allows");
    layout->width = width;
    layout->height = height < 0 ? -height : height;
    layout->bottomUp = height > 0;
    layout->bitCount = bitCount;
    layout->headerBytes = size + 4 * colours;
    layout->rowBytes = static_cast<uint32_t>(BmpRowBytes(static_cast<uint64_t>(width), bitCount));
    layout->imageBytes = static_cast<uint64_t>(layout->rowBytes) * static_cast<uint64_t>(layout->height);
    layout->xPelsPerMeter = static_cast<int32_t>(Read32(info + 24));
    if (layout->imageBytes > MaxImageBytes) return Fail(error, "bitmap too large");
    return true;
}

}  // namespace

std::vector<uint8_t> BmpFileHeaders(const MemoryImageFormat& format, int32_t height) {
    const uint64_t imageBytes =
        BmpRowBytes(static_cast<uint64_t>(format.width), format.bitsPerPixel) * static_cast<uint64_t>(height);
    const std::vector<uint8_t> info = InfoAndPalette(format, height, imageBytes);
    std::vector<uint8_t> headers = FileHeader(static_cast<uint32_t>(info.size()), imageBytes);
    headers.insert(headers.end(), info.begin(), info.end());
    return headers;
}

uint64_t BmpRowBytes(uint64_t width, uint32_t bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

bool InspectDib(const uint8_t* dib, size_t size, DibLayout* layout, std::string* error) {
    if (dib == nullptr || size < InfoHeaderBytes) return Fail(error, "bitmap block shorter than its header");
    if (!ReadInfoHeader(dib, layout, error)) return false;
    if (static_cast<uint64_t>(layout->headerBytes) + layout->imageBytes > size) {
        return Fail(error, "bitmap block of " + std::to_string(size) + " bytes is shorter than its " +
                               std::to_string(layout->headerBytes + layout->imageBytes) +
                               " bytes of content");
    }
    return true;
}

bool WriteDibAsBmp(const std::string& path, const uint8_t* dib, const DibLayout& layout, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return Fail(error, "cannot create " + path);
    const std::vector<uint8_t> header = FileHeader(layout.headerBytes, layout.imageBytes);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(dib),
              static_cast<std::streamsize>(layout.headerBytes + layout.imageBytes));
    out.close();
    if (!out) return Fail(error, "cannot write " + path);
    return true;
}

bool InspectBmpFile(const std::string& path, DibLayout* layout, std::string* error) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return Fail(error, "cannot open " + path);
    const auto fileSize = static_cast<uint64_t>(in.tellg());
    uint8_t headers[FileHeaderBytes + InfoHeaderBytes] = {};
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(headers), sizeof headers))
        return Fail(error, path + " is not a BMP file");
    if (headers[0] != 'B' || headers[1] != 'M') return Fail(error, path + " is not a BMP file");
    if (!ReadInfoHeader(headers + FileHeaderBytes, layout, error)) return false;
    const uint64_t offset = Read32(headers + 10);
    if (offset + layout->imageBytes > fileSize) return Fail(error, path + " is shorter than its headers say");
    return true;
}

StripAssembler::StripAssembler(const MemoryImageFormat& format) : format_(format) {
    if (format_.width > 0) stride_ = BmpRowBytes(static_cast<uint64_t>(format_.width), format_.bitsPerPixel);
}

bool StripAssembler::Valid(std::string* error) const {
    if (format_.bitsPerPixel != 1 && format_.bitsPerPixel != 8 && format_.bitsPerPixel != 24) {
        return Fail(error, "unsupported bits per pixel " + std::to_string(format_.bitsPerPixel));
    }
    if (format_.width <= 0)
        return Fail(error, "image width " + std::to_string(format_.width) + " is not usable");
    if (format_.height > 0 && stride_ * static_cast<uint64_t>(format_.height) > MaxImageBytes) {
        return Fail(error, "image too large");
    }
    return true;
}

bool StripAssembler::AddStrip(const MemoryStrip& strip, const uint8_t* data, size_t dataBytes,
                              std::string* error) {
    if (!Valid(error)) return false;
    if (strip.rows == 0) return true;
    const uint64_t bits = format_.bitsPerPixel;
    const uint64_t stripRowBytes = (static_cast<uint64_t>(strip.columns) * bits + 7) / 8;
    const uint64_t end = static_cast<uint64_t>(strip.yOffset) + strip.rows;
    if (static_cast<uint64_t>(strip.xOffset) + strip.columns > static_cast<uint64_t>(format_.width) ||
        strip.bytesPerRow < stripRowBytes || (bits == 1 && strip.xOffset % 8 != 0)) {
        return Fail(error, "strip of " + std::to_string(strip.columns) + " columns at x " +
                               std::to_string(strip.xOffset) + " does not fit the image width");
    }
    if (format_.height > 0 && end > static_cast<uint64_t>(format_.height)) {
        return Fail(error, "strip ends at row " + std::to_string(end) + ", beyond the image height " +
                               std::to_string(format_.height));
    }
    const uint64_t needed = static_cast<uint64_t>(strip.bytesPerRow) * (strip.rows - 1) + stripRowBytes;
    if (needed > dataBytes || needed > strip.bytesWritten) {
        return Fail(error, "strip of " + std::to_string(strip.rows) + " rows is larger than its " +
                               std::to_string(dataBytes) + "-byte buffer or its " +
                               std::to_string(strip.bytesWritten) + " bytes written");
    }
    if (end * stride_ > MaxImageBytes) return Fail(error, "image too large");
    if (rows_.size() < end * stride_) rows_.resize(end * stride_, 0);
    for (uint32_t r = 0; r < strip.rows; ++r) {
        const uint8_t* from = data + static_cast<uint64_t>(r) * strip.bytesPerRow;
        uint8_t* to = &rows_[(strip.yOffset + r) * stride_ + strip.xOffset * bits / 8];
        if (bits == 24) {
            for (uint32_t x = 0; x < strip.columns; ++x) {
                to[3 * x] = from[3 * x + 2];
                to[3 * x + 1] = from[3 * x + 1];
                to[3 * x + 2] = from[3 * x];
            }
        } else {
            std::memcpy(to, from, stripRowBytes);
        }
    }
    if (static_cast<int64_t>(end) > rowsReceived_) rowsReceived_ = static_cast<int64_t>(end);
    return true;
}

bool StripAssembler::WriteBmp(const std::string& path, std::string* error) const {
    if (!Valid(error)) return false;
    const int64_t height = format_.height > 0 ? format_.height : rowsReceived_;
    if (height <= 0) return Fail(error, "no rows were received");
    const uint64_t imageBytes = stride_ * static_cast<uint64_t>(height);
    const std::vector<uint8_t> info = InfoAndPalette(format_, static_cast<int32_t>(height), imageBytes);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return Fail(error, "cannot create " + path);
    const std::vector<uint8_t> header = FileHeader(static_cast<uint32_t>(info.size()), imageBytes);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(info.data()), static_cast<std::streamsize>(info.size()));
    const std::vector<uint8_t> blank(stride_, 0);
    for (int64_t row = height - 1; row >= 0; --row) {
        const bool present = static_cast<uint64_t>(row + 1) * stride_ <= rows_.size();
        const uint8_t* bytes = present ? &rows_[static_cast<uint64_t>(row) * stride_] : blank.data();
        out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(stride_));
    }
    out.close();
    if (!out) return Fail(error, "cannot write " + path);
    return true;
}
