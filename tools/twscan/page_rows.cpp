// Canonical rows, the streaming BMP writer and the BMP row reader.
#include "tools/twscan/page_rows.h"

#include <cerrno>
#include <cstring>

#include "tools/twscan/bmp_image.h"
#include "tools/twscan/pdf_writer.h"

namespace {

bool Fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

bool Seek(std::FILE* file, uint64_t offset) {
    return fseeko64(file, static_cast<off64_t>(offset), SEEK_SET) == 0;
}

}  // namespace

uint32_t CanonicalRowBytes(uint32_t width, uint16_t bits) {
    return static_cast<uint32_t>((uint64_t{width} * bits + 7) / 8);
}

RowConverter RowConverter::ForMemory(uint16_t bits, bool zeroIsWhite) {
    RowConverter c;
    c.bits_ = bits;
    c.swapRedBlue_ = bits == 24;
    // Chocolate 1-bit data has 0 black, which is already the canonical form.
    c.invertBits_ = bits == 1 && zeroIsWhite;
    for (int i = 0; i < 256; ++i) c.grey_[i] = static_cast<uint8_t>(zeroIsWhite ? 255 - i : i);
    return c;
}

RowConverter RowConverter::ForDib(uint16_t bits, const uint8_t* palette, uint32_t colours) {
    RowConverter c;
    c.bits_ = bits;
    for (int i = 0; i < 256; ++i) c.grey_[i] = static_cast<uint8_t>(i);
    auto level = [&](uint32_t i) {
        const uint8_t* entry = palette + 4 * i;
        return static_cast<uint8_t>((entry[0] + entry[1] + entry[2] + 1) / 3);
    };
    if (bits == 8) {
        for (uint32_t i = 0; i < colours && i < 256; ++i) c.grey_[i] = level(i);
    } else if (bits == 1 && colours >= 2) {
        c.invertBits_ = level(0) > level(1);
    }
    return c;
}

void RowConverter::Convert(const uint8_t* in, uint8_t* out, uint32_t width) const {
    const uint32_t bytes = CanonicalRowBytes(width, bits_);
    if (bits_ == 24) {
        if (!swapRedBlue_) {
            std::memcpy(out, in, bytes);
            return;
        }
        for (uint32_t x = 0; x < width; ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
    } else if (bits_ == 8) {
        for (uint32_t x = 0; x < width; ++x) out[x] = grey_[in[x]];
    } else {
        for (uint32_t i = 0; i < bytes; ++i) out[i] = invertBits_ ? static_cast<uint8_t>(~in[i]) : in[i];
    }
}

BmpStreamWriter::~BmpStreamWriter() {
    if (file_ != nullptr) std::fclose(file_);
}

bool BmpStreamWriter::Open(const std::string& path, const PageFormat& format, std::string* error) {
    path_ = path;
    format_ = format;
    MemoryImageFormat bmp;
    bmp.width = static_cast<int32_t>(format.width);
    bmp.height = static_cast<int32_t>(format.height);
    bmp.bitsPerPixel = format.bits;
    bmp.dotsPerInch = static_cast<int32_t>(format.dpiX + 0.5);
    const std::vector<uint8_t> headers = BmpFileHeaders(bmp, static_cast<int32_t>(format.height));
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) return Fail(error, "cannot create " + path + ": " + FileErrorText(errno));
    if (std::fwrite(headers.data(), 1, headers.size(), file_) != headers.size())
        return Fail(error, "cannot write " + path + ": " + FileErrorText(errno));
    dataOffset_ = headers.size();
    return true;
}

bool BmpStreamWriter::Rows(const uint8_t* rows, uint32_t count, uint32_t stride, std::string* error) {
    if (count == 0) return true;
    if (uint64_t{rowsWritten_} + count > format_.height)
        return Fail(error, "more rows than the page's " + std::to_string(format_.height));
    const uint64_t fileRow = BmpRowBytes(format_.width, format_.bits);
    const uint32_t bytes = CanonicalRowBytes(format_.width, format_.bits);
    // The batch lands as one block: its last row first.
    batch_.assign(static_cast<size_t>(fileRow * count), 0);
    for (uint32_t r = 0; r < count; ++r) {
        std::memcpy(&batch_[static_cast<size_t>((count - 1 - r) * fileRow)], rows + uint64_t{r} * stride,
                    bytes);
    }
    const uint64_t firstFileRow = uint64_t{format_.height} - rowsWritten_ - count;
    if (!Seek(file_, dataOffset_ + firstFileRow * fileRow) ||
        std::fwrite(batch_.data(), 1, batch_.size(), file_) != batch_.size())
        return Fail(error, "cannot write " + path_ + ": " + FileErrorText(errno));
    rowsWritten_ += count;
    return true;
}

bool BmpStreamWriter::Close(std::string* error) {
    if (file_ == nullptr) return true;
    // Rows the source never sent stay as written by the headers' size: extend
    // the file to its full length so every reader sees the page it announces.
    bool ok = true;
    if (rowsWritten_ < format_.height) {
        const uint64_t fileRow = BmpRowBytes(format_.width, format_.bits);
        const std::vector<uint8_t> blank(static_cast<size_t>(fileRow), 0);
        for (uint64_t r = 0; ok && r < uint64_t{format_.height} - rowsWritten_; ++r) {
            ok = Seek(file_, dataOffset_ + r * fileRow) &&
                 std::fwrite(blank.data(), 1, blank.size(), file_) == blank.size();
        }
    }
    const int reason = errno;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok) return Fail(error, "cannot write " + path_ + ": " + FileErrorText(errno != 0 ? errno : reason));
    return true;
}

BmpRowReader::~BmpRowReader() {
    if (file_ != nullptr) std::fclose(file_);
}

bool BmpRowReader::Open(const std::string& path, std::string* error) {
    path_ = path;
    DibLayout layout;
    if (!InspectBmpFile(path, &layout, error)) return false;
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) return Fail(error, "cannot open " + path + ": " + FileErrorText(errno));
    uint8_t headers[14 + 4];
    if (std::fread(headers, 1, sizeof headers, file_) != sizeof headers)
        return Fail(error, path + " is too short");
    auto read32 = [](const uint8_t* p) {
        return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    };
    dataOffset_ = read32(headers + 10);
    const uint32_t infoSize = read32(headers + 14);
    const uint32_t colours = (layout.headerBytes - infoSize) / 4;
    std::vector<uint8_t> palette(size_t{colours} * 4 + 4, 0);
    if (colours > 0 &&
        (!Seek(file_, 14 + uint64_t{infoSize}) || std::fread(palette.data(), 4, colours, file_) != colours))
        return Fail(error, path + " has a short palette");
    format_.width = static_cast<uint32_t>(layout.width);
    format_.height = static_cast<uint32_t>(layout.height);
    format_.bits = layout.bitCount;
    format_.dpiX = format_.dpiY = layout.xPelsPerMeter > 0 ? layout.xPelsPerMeter * 0.0254 : 0;
    converter_ = RowConverter::ForDib(layout.bitCount, palette.data(), colours);
    rowBytes_ = layout.rowBytes;
    bottomUp_ = layout.bottomUp;
    return true;
}

bool BmpRowReader::Read(uint32_t row, uint32_t count, uint8_t* into, std::string* error) {
    for (uint32_t r = 0; r < count; ++r) {
        const uint64_t stored = bottomUp_ ? uint64_t{format_.height} - 1 - (row + r) : row + r;
        if (!Seek(file_, dataOffset_ + stored * rowBytes_) ||
            std::fread(into + uint64_t{r} * rowBytes_, 1, rowBytes_, file_) != rowBytes_)
            return Fail(error, path_ + " ends before its last row");
    }
    return true;
}
