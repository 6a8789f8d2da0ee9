// Pages as twscan's writers take them: rows top-down, tightly packed, in one
// canonical form whatever the transfer delivered: 24-bit pixels blue, green,
// red; 8-bit grey with 0 black; 1-bit most significant bit first with 1
// white. Also the BMP writer that streams such rows into a bottom-up file and
// the reader of the BMP file a file transfer leaves. Platform-free.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct PageFormat {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 0;  // 1, 8 or 24
    double dpiX = 0;
    double dpiY = 0;
};

uint32_t CanonicalRowBytes(uint32_t width, uint16_t bits);

// Turns delivered rows into canonical ones.
class RowConverter {
   public:
    // Memory transfer: colour in red, green, blue order; 'zeroIsWhite' for
    // the vanilla pixel flavour.
    static RowConverter ForMemory(uint16_t bits, bool zeroIsWhite);
    // A DIB: colour in blue, green, red order; grey and bilevel through the
    // palette ('colours' entries of blue, green, red, reserved).
    static RowConverter ForDib(uint16_t bits, const uint8_t* palette, uint32_t colours);
    void Convert(const uint8_t* in, uint8_t* out, uint32_t width) const;

   private:
    uint16_t bits_ = 0;
    bool swapRedBlue_ = false;
    bool invertBits_ = false;
    uint8_t grey_[256] = {};
};

// A BMP file written row by row in reading order: each batch of rows goes to
// its place from the bottom, so only the batch is held.
class BmpStreamWriter {
   public:
    BmpStreamWriter() = default;
    ~BmpStreamWriter();
    BmpStreamWriter(const BmpStreamWriter&) = delete;
    BmpStreamWriter& operator=(const BmpStreamWriter&) = delete;
    bool Open(const std::string& path, const PageFormat& format, std::string* error);
    // 'count' canonical rows, 'stride' bytes apart.
    bool Rows(const uint8_t* rows, uint32_t count, uint32_t stride, std::string* error);
    bool Close(std::string* error);

   private:
    std::FILE* file_ = nullptr;
    std::string path_;
    PageFormat format_;
    uint64_t dataOffset_ = 0;
    uint32_t rowsWritten_ = 0;
    std::vector<uint8_t> batch_;
};

// Reads the rows of an uncompressed 1, 8 or 24-bit BMP file top-down.
class BmpRowReader {
   public:
    BmpRowReader() = default;
    ~BmpRowReader();
    BmpRowReader(const BmpRowReader&) = delete;
    BmpRowReader& operator=(const BmpRowReader&) = delete;
    bool Open(const std::string& path, std::string* error);
    const PageFormat& Format() const { return format_; }
    const RowConverter& Converter() const { return converter_; }
    uint32_t FileRowBytes() const { return rowBytes_; }
    // Reads 'count' rows from 'row' (0 the top one), in the file's own form.
    bool Read(uint32_t row, uint32_t count, uint8_t* into, std::string* error);

   private:
    std::FILE* file_ = nullptr;
    std::string path_;
    PageFormat format_;
    RowConverter converter_;
    uint64_t dataOffset_ = 0;
    uint32_t rowBytes_ = 0;
    bool bottomUp_ = true;
};
