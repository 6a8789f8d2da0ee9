// A PDF file of scanned pages, one image per page at its scanned size.
// The image data is streamed in as it is produced (already encoded: JPEG for
// colour and grey, deflate for black and white), so the writer holds only the
// offsets of its objects. Platform-free.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct PdfImage {
    uint32_t width = 0;   // pixels
    uint32_t height = 0;  // pixels
    int bitsPerComponent = 8;
    bool colour = false;  // DeviceRGB, else DeviceGray (for one bit: 1 is white)
    bool jpeg = true;     // DCTDecode, else FlateDecode
    double dpiX = 0;
    double dpiY = 0;
};

class PdfWriter {
   public:
    PdfWriter() = default;
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // Creates the file; false with the reason.
    bool Open(const std::string& path, std::string* error);
    bool BeginPage(const PdfImage& image, std::string* error);
    bool ImageBytes(const uint8_t* data, size_t size, std::string* error);
    bool EndPage(std::string* error);
    // Writes the page tree, the cross-reference table and the trailer.
    bool Finish(std::string* error);
    int Pages() const { return static_cast<int>(pageObjects_.size()); }

   private:
    bool Put(const std::string& text, std::string* error);
    bool StartObject(int number, std::string* error);
    int NewObject();

    std::FILE* file_ = nullptr;
    std::string path_;
    uint64_t offset_ = 0;
    std::vector<uint64_t> objectOffsets_;  // index: object number - 1
    std::vector<int> pageObjects_;
    PdfImage image_;
    int imageObject_ = 0;
    uint64_t streamStart_ = 0;
};

// The reason of a failed write or open, from errno: "the disk is full",
// "permission denied"...
std::string FileErrorText(int error);
