// twscan's output: page names, format choice, the deflate coder, the PDF
// file structure, streamed BMP rows and capability texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tools/twscan/capability_text.h"
#include "tools/twscan/deflate_stream.h"
#include "tools/twscan/output_format.h"
#include "tools/twscan/page_rows.h"
#include "tools/twscan/pdf_writer.h"
#include "tools/twscan/scan_options.h"

#ifdef TWSCAN_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

std::string TempPath(const char* name) {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr) folder = std::getenv("TEMP");
    return std::string(folder != nullptr ? folder : "/tmp") + "/" + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TwscanOutput, PagePatternsAndNumbers) {
    const struct {
        const char* pattern;
        int number;
        const char* expected;  // nullptr: the pattern is refused
    } cases[] = {
        {"scan.png", 1, "scan-1.png"},
        {"dir.d/scan", 12, "dir.d/scan-12"},
        {"out\\a.b\\.hidden", 2, "out\\a.b\\.hidden-2"},
        {"p%03d.tif", 7, "p007.tif"},
        {"p%d.bmp", 12, "p12.bmp"},
        {"p%3d.bmp", 5, "p  5.bmp"},
        {"100%%-%02d.png", 3, "100%-03.png"},
        {"100%%.png", 2, "100%-2.png"},
        {"p%s.png", 1, nullptr},
        {"p%d-%d.png", 1, nullptr},
        {"p%00d.png", 1, nullptr},
        {"p%123d.png", 1, nullptr},
        {"p%", 1, nullptr},
    };
    for (const auto& c : cases) {
        const std::string error = CheckPagePattern(c.pattern);
        if (c.expected == nullptr) {
            EXPECT_FALSE(error.empty()) << c.pattern;
            continue;
        }
        EXPECT_TRUE(error.empty()) << c.pattern << ": " << error;
        EXPECT_EQ(c.expected, NumberedPagePath(c.pattern, c.number)) << c.pattern;
    }
    EXPECT_EQ("100%.png", PagePath("100%%.png", 1));
}

TEST(TwscanOutput, FormatComesFromTheFlagOrTheExtensionAndIsCheckedBeforeScanning) {
    const struct {
        std::vector<std::string> args;
        const char* error;  // part of the refusal, or nullptr
        OutputFormat format;
    } cases[] = {
        {{"-o", "a.PNG"}, nullptr, OutputFormat::Png},
        {{"-o", "a.tif"}, nullptr, OutputFormat::Tiff},
        {{"-o", "a.jpeg", "--quality", "40"}, nullptr, OutputFormat::Jpeg},
        {{"-o", "batch.pdf"}, nullptr, OutputFormat::Pdf},
        {{"-o", "page", "--format", "png"}, nullptr, OutputFormat::Png},
        {{"-o", "page.bmp", "--format", "pdf"}, nullptr, OutputFormat::Pdf},
        {{"-o", "-", "--format", "jpeg"}, nullptr, OutputFormat::Jpeg},
        {{"-o", "-", "--format", "pdf"}, "PDF cannot be written to standard output", OutputFormat::Pdf},
        {{"-o", "-"}, "needs --format", OutputFormat::Bmp},
        {{"-o", "dir.png/page"}, "cannot tell the image format", OutputFormat::Bmp},
        {{"-o", "p%s.png"}, "% forms", OutputFormat::Bmp},
        {{"--quality", "0"}, "--quality", OutputFormat::Bmp},
        {{"--device", "192.168.1.256"}, "--device", OutputFormat::Bmp},
        {{"--device", "10.0.0"}, "--device", OutputFormat::Bmp},
        {{"--batch-start", "-1"}, "--batch-start", OutputFormat::Bmp},
    };
    for (const auto& c : cases) {
        const ParsedOptions parsed = ParseScanOptions(c.args);
        if (c.error != nullptr) {
            EXPECT_FALSE(parsed.ok) << c.args[1];
            EXPECT_NE(std::string::npos, parsed.error.find(c.error)) << c.args[1] << ": " << parsed.error;
        } else {
            EXPECT_TRUE(parsed.ok) << c.args[1] << ": " << parsed.error;
            EXPECT_EQ(c.format, parsed.options.format) << c.args[1];
        }
    }
    const ParsedOptions device = ParseScanOptions({"--device", "USB", "-A", "-p", "--batch-start", "0"});
    ASSERT_TRUE(device.ok) << device.error;
    EXPECT_EQ("usb", *device.options.device);
    EXPECT_TRUE(device.options.listOptions && device.options.progress);
    EXPECT_EQ(0, *device.options.batchStart);
}

#ifdef TWSCAN_HAVE_ZLIB
TEST(TwscanOutput, DeflateStreamsDecodeToTheirInput) {
    std::mt19937 random(7);
    std::vector<uint8_t> noise(70000);
    for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
    // Bilevel-like rows: white with a few black runs, repeating with changes.
    std::vector<uint8_t> page;
    for (int row = 0; row < 400; ++row) {
        std::vector<uint8_t> line(319, 0xff);
        for (int x = row % 17; x < 319; x += 37) line[x] = static_cast<uint8_t>(row * 3);
        page.insert(page.end(), line.begin(), line.end());
    }
    const struct {
        const char* name;
        std::vector<uint8_t> data;
        size_t piece;  // bytes per Write call
    } cases[] = {
        {"empty", {}, 1},
        {"text", std::vector<uint8_t>{'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b', 'c'}, 1},
        {"zeros", std::vector<uint8_t>(200000, 0), 4096},
        {"noise", noise, 333},
        {"page", page, 319},
        {"page at once", page, page.size()},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> packed;
        DeflateStream deflate([&](const uint8_t* data, size_t size) {
            packed.insert(packed.end(), data, data + size);
            return true;
        });
        for (size_t at = 0; at < c.data.size(); at += c.piece)
            ASSERT_TRUE(deflate.Write(c.data.data() + at, std::min(c.piece, c.data.size() - at)));
        ASSERT_TRUE(deflate.Finish());
        std::vector<uint8_t> unpacked(c.data.size() + 1);
        uLongf length = unpacked.size();
        ASSERT_EQ(Z_OK, uncompress(unpacked.data(), &length, packed.data(), packed.size())) << c.name;
        unpacked.resize(length);
        EXPECT_TRUE(unpacked == c.data) << c.name;
        if (std::string(c.name) == "page") {
            EXPECT_LT(packed.size(), c.data.size() / 10) << "runs compress";
        }
    }
}
#endif

TEST(TwscanOutput, DeflateReportsAFailedSink) {
    int calls = 0;
    DeflateStream deflate([&](const uint8_t*, size_t) { return ++calls > 1000; });
    std::vector<uint8_t> data(300000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7919 >> 3);
    EXPECT_FALSE(deflate.Write(data.data(), data.size()) && deflate.Finish());
}

// Every xref entry points at its object, and pages are the scanned size.
TEST(TwscanOutput, PdfObjectsAreWhereTheTableSays) {
    const std::string path = TempPath("twscan_output_test.pdf");
    PdfWriter pdf;
    std::string error;
    ASSERT_TRUE(pdf.Open(path, &error)) << error;
    PdfImage bw{2550, 3300, 1, false, false, 300, 300};
    PdfImage colour{850, 1100, 8, true, true, 100, 100};
    const uint8_t bytes[] = {1, 2, 3, 4};
    for (const PdfImage& image : {bw, colour}) {
        ASSERT_TRUE(pdf.BeginPage(image, &error)) << error;
        ASSERT_TRUE(pdf.ImageBytes(bytes, sizeof bytes, &error)) << error;
        ASSERT_TRUE(pdf.EndPage(&error)) << error;
    }
    ASSERT_TRUE(pdf.Finish(&error)) << error;
    const std::string file = ReadAll(path);
    std::remove(path.c_str());
    const size_t xref = std::stoul(file.substr(file.rfind("startxref\n") + 10));
    ASSERT_EQ(0u, file.compare(xref, 5, "xref\n"));
    const int objects = std::stoi(file.substr(xref + 7));
    for (int n = 1; n < objects; ++n) {
        const size_t offset =
            std::stoul(file.substr(xref + 5 + file.substr(xref + 5).find('\n') + 1 + 20 * n, 10));
        const std::string head = std::to_string(n) + " 0 obj";
        EXPECT_EQ(0, file.compare(offset, head.size(), head)) << "object " << n;
    }
    EXPECT_NE(std::string::npos, file.find("/Count 2"));
    EXPECT_NE(std::string::npos, file.find("/MediaBox [0 0 612 792]"));
    EXPECT_NE(std::string::npos, file.find("/BitsPerComponent 1 /Filter /FlateDecode"));
    EXPECT_NE(std::string::npos, file.find("/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode"));
    EXPECT_NE(std::string::npos, file.find("stream\n\x01\x02\x03\x04\nendstream"));
}

TEST(TwscanOutput, RowsReachCanonicalFormAndBmpFilesInPlace) {
    // Memory rows: colour swapped to blue first, vanilla grey and bits inverted.
    uint8_t out[6];
    const uint8_t rgb[6] = {10, 20, 30, 40, 50, 60};
    RowConverter::ForMemory(24, false).Convert(rgb, out, 2);
    EXPECT_EQ(30, out[0]);
    EXPECT_EQ(10, out[2]);
    const uint8_t grey[2] = {0, 200};
    RowConverter::ForMemory(8, true).Convert(grey, out, 2);
    EXPECT_EQ(255, out[0]);
    EXPECT_EQ(55, out[1]);
    const uint8_t whiteFirst[8] = {255, 255, 255, 0, 0, 0, 0, 0};
    const uint8_t bits[1] = {0xf0};
    RowConverter::ForDib(1, whiteFirst, 2).Convert(bits, out, 8);
    EXPECT_EQ(0x0f, out[0]) << "a palette with white first is turned round";

    // A 3 x 3 grey page in two batches comes back top-down from the file.
    const std::string path = TempPath("twscan_output_test.bmp");
    PageFormat format{3, 3, 8, 300, 300};
    BmpStreamWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(path, format, &error)) << error;
    const uint8_t rows[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(writer.Rows(rows, 2, 3, &error)) << error;
    ASSERT_TRUE(writer.Rows(rows + 6, 1, 3, &error)) << error;
    EXPECT_FALSE(writer.Rows(rows, 1, 3, &error)) << "a fourth row does not fit";
    ASSERT_TRUE(writer.Close(&error)) << error;
    {
        // Closed before the file is removed: Windows removes no open file.
        BmpRowReader reader;
        ASSERT_TRUE(reader.Open(path, &error)) << error;
        EXPECT_EQ(3u, reader.Format().height);
        EXPECT_NEAR(300.0, reader.Format().dpiX, 0.1);
        for (uint32_t r = 0; r < 3; ++r) {
            uint8_t row[4];
            ASSERT_TRUE(reader.Read(r, 1, row, &error)) << error;
            EXPECT_EQ(0, std::memcmp(row, rows + 3 * r, 3)) << "row " << r;
        }
    }
    std::remove(path.c_str());
}

TEST(TwscanOutput, CapabilityContainersInWords) {
    // Packed as sources hand them over: two-byte alignment, little-endian.
    const uint8_t resolutions[] = {7,  0, 3, 0, 0,  0, 1, 0, 0,  0, 0, 0,
                                   0,  0,  // FIX32, 3 items, current 1, default 0
                                   75, 0, 0, 0, 44, 1, 0, 0, 88, 2, 0, 0};
    EXPECT_EQ("75, 300, 600 (current 300, default 75)",
              DescribeCapability(ICAP_XRESOLUTION, TWON_ENUMERATION, resolutions, sizeof resolutions));
    const uint8_t brightness[] = {7, 0, 0x9c, 0xff, 0, 0, 100, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0};
    EXPECT_EQ("-100..100 in steps of 1 (current 20, default 0)",
              DescribeCapability(ICAP_BRIGHTNESS, TWON_RANGE, brightness, sizeof brightness));
    const uint8_t types[] = {4, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0};
    EXPECT_EQ("GRAY, RGB (current GRAY, default GRAY)",
              DescribeCapability(ICAP_PIXELTYPE, TWON_ENUMERATION, types, sizeof types));
    EXPECT_EQ("(container shorter than it says)",
              DescribeCapability(ICAP_PIXELTYPE, TWON_ENUMERATION, types, sizeof types - 1));
    const uint8_t boolean[] = {6, 0, 1, 0, 0, 0};
    EXPECT_EQ("yes", DescribeCapability(CAP_FEEDERENABLED, TWON_ONEVALUE, boolean, sizeof boolean));
}

}  // namespace
