// BMP files from what a TWAIN source delivers: a packed device-independent
// bitmap (native transfer) or strips of top-down rows (memory transfer).
// Platform-free; sizes are checked in 64 bits before anything is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The shape of a packed DIB: BITMAPINFOHEADER, palette, pixel rows.
struct DibLayout {
    int32_t width = 0;
    int32_t height = 0;  // positive; bottomUp tells the row order
    bool bottomUp = true;
    uint16_t bitCount = 0;
    uint32_t headerBytes = 0;  // info header plus palette
    uint32_t rowBytes = 0;     // padded to four bytes
    uint64_t imageBytes = 0;
    int32_t xPelsPerMeter = 0;
};

// Checks a packed DIB of 'size' bytes at 'dib': an uncompressed 1, 8 or 24-bit
// image whose header, palette and rows all lie inside the block. False with
// the reason in 'error' otherwise.
bool InspectDib(const uint8_t* dib, size_t size, DibLayout* layout, std::string* error);

// Writes the DIB as a BMP file (file header, then the DIB unchanged).
bool WriteDibAsBmp(const std::string& path, const uint8_t* dib, const DibLayout& layout, std::string* error);

// Reads the headers of a BMP file, for reporting what a file transfer wrote.
bool InspectBmpFile(const std::string& path, DibLayout* layout, std::string* error);

// What a memory transfer delivers: rows top-down; 24-bit pixels in red, green,
// blue order; 1 and 8-bit pixels with 0 black unless 'zeroIsWhite'.
struct MemoryImageFormat {
    int32_t width = 0;
    int32_t height = 0;  // 0 or less: not known before the last strip
    uint16_t bitsPerPixel = 0;
    bool zeroIsWhite = false;
    int32_t dotsPerInch = 0;
};

// One TW_IMAGEMEMXFER answer, without its buffer.
struct MemoryStrip {
    uint32_t bytesPerRow = 0;
    uint32_t columns = 0;
    uint32_t rows = 0;
    uint32_t xOffset = 0;
    uint32_t yOffset = 0;
    uint32_t bytesWritten = 0;
};

// Collects the strips of one image and writes them as one BMP file.
class StripAssembler {
   public:
    explicit StripAssembler(const MemoryImageFormat& format);
    // Checks the format; false with the reason when it cannot be assembled.
    bool Valid(std::string* error) const;
    // Places one strip. 'data' holds 'dataBytes' bytes, the caller's buffer.
    // A strip that does not fit the image or its buffer is refused.
    bool AddStrip(const MemoryStrip& strip, const uint8_t* data, size_t dataBytes, std::string* error);
    // Rows covered so far (the lowest row end of any strip).
    int64_t RowsReceived() const { return rowsReceived_; }
    int32_t Width() const { return format_.width; }
    // Writes every received row (or the announced height) bottom-up.
    bool WriteBmp(const std::string& path, std::string* error) const;

   private:
    MemoryImageFormat format_;
    uint64_t stride_ = 0;        // padded BMP row
    std::vector<uint8_t> rows_;  // top-down BMP rows
    int64_t rowsReceived_ = 0;
};

// File header, info header and palette of a bottom-up BMP of 'height' rows
// in 'format', as WriteBmp writes them.
std::vector<uint8_t> BmpFileHeaders(const MemoryImageFormat& format, int32_t height);

// Bytes of one BMP row of 'width' pixels at 'bitsPerPixel', padded to four.
uint64_t BmpRowBytes(uint64_t width, uint32_t bitsPerPixel);
