// twscan's command line: accepted forms, refused values, page names, help.
#include <gtest/gtest.h>

#include "tools/twscan/scan_options.h"

namespace {

ScanOptions Parse(std::vector<std::string> args) {
    ParsedOptions parsed = ParseScanOptions(args);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    return parsed.options;
}

TEST(TwscanOptions, DefaultsOpenTheTarvikSourceNativelyWithoutInterface) {
    ScanOptions o = Parse({});
    EXPECT_EQ("Tarvik4100 TWAIN", o.source);
    EXPECT_EQ("TWAIN_32.DLL", o.managerLibrary);
    EXPECT_EQ(TransferKind::Native, o.transfer);
    EXPECT_FALSE(o.showUi);
    EXPECT_EQ("scan.bmp", o.output);
    EXPECT_FALSE(o.pixelType || o.resolution || o.paperSize || o.frame || o.brightness || o.contrast ||
                 o.count);
    EXPECT_EQ(30000u, WaitLimitMs(o));
}

TEST(TwscanOptions, EveryNegotiationFlagIsStoredInBothForms) {
    ScanOptions o = Parse({"--pixel-type",
                           "gray",
                           "--resolution=600",
                           "--paper-size",
                           "Letter",
                           "--brightness",
                           "-25.5",
                           "--contrast=40",
                           "--count",
                           "3",
                           "--transfer",
                           "memory",
                           "--buffer-size",
                           "65535",
                           "--memory-buffer",
                           "source-handle",
                           "--feeder",
                           "--duplex",
                           "--show-ui",
                           "-o",
                           "out/page%d.bmp",
                           "-s",
                           "Other",
                           "--dsm",
                           "TWAINDSM.DLL",
                           "--dsm-parent",
                           "pointer",
                           "--timeout",
                           "0",
                           "-v"});
    EXPECT_EQ(TWPT_GRAY, *o.pixelType);
    EXPECT_DOUBLE_EQ(600, *o.resolution);
    EXPECT_EQ(TWSS_USLETTER, *o.paperSize);
    EXPECT_DOUBLE_EQ(-25.5, *o.brightness);
    EXPECT_DOUBLE_EQ(40, *o.contrast);
    EXPECT_EQ(3, *o.count);
    EXPECT_EQ(TransferKind::Memory, o.transfer);
    EXPECT_EQ(65535u, *o.bufferSize);
    EXPECT_EQ(MemoryBufferKind::SourceHandle, o.memoryBuffer);
    EXPECT_TRUE(*o.feeder);
    EXPECT_TRUE(*o.duplex);
    EXPECT_TRUE(o.showUi);
    EXPECT_EQ("out/page%d.bmp", o.output);
    EXPECT_EQ("Other", o.source);
    EXPECT_EQ("TWAINDSM.DLL", o.managerLibrary);
    EXPECT_EQ(ParentPassing::Pointer, o.parentPassing);
    EXPECT_EQ(0u, WaitLimitMs(o));
    EXPECT_TRUE(o.verbose);
}

TEST(TwscanOptions, FrameAndCountForms) {
    ScanOptions o = Parse({"--frame", "1,1,3,4.5", "--count", "all"});
    EXPECT_DOUBLE_EQ(1, o.frame->left);
    EXPECT_DOUBLE_EQ(4.5, o.frame->bottom);
    EXPECT_EQ(-1, *o.count);
    EXPECT_EQ(-1, *Parse({"--count=-1"}).count);
    EXPECT_EQ(TWSS_A3, *Parse({"--paper-size", "11"}).paperSize);
    EXPECT_EQ(TWPT_RGB, *Parse({"--pixel-type", "colour"}).pixelType);
    EXPECT_FALSE(*Parse({"--feeder", "--flatbed"}).feeder);
}

TEST(TwscanOptions, BadCommandLinesAreRefusedWithTheReason) {
    const struct {
        std::vector<std::string> args;
        const char* errorPart;
    } cases[] = {
        {{"--bogus"}, "unknown option"},
        {{"--resolution"}, "needs a value"},
        {{"--resolution", "300dpi"}, "bad value"},
        {{"--resolution", "0"}, "bad value"},
        {{"--pixel-type", "cmyk"}, "bad value"},
        {{"--paper-size", "tabloid"}, "bad value"},
        {{"--frame", "1,1,3"}, "bad value"},
        {{"--frame", "1,1,3,4,5"}, "bad value"},
        {{"--frame", "3,1,1,4"}, "bad value"},
        {{"--frame", "-1,1,3,4"}, "bad value"},
        {{"--count", "0"}, "bad value"},
        {{"--count", "-2"}, "bad value"},
        {{"--brightness", "nan"}, "bad value"},
        {{"--brightness", "1e9"}, "bad value"},
        {{"--transfer", "fax"}, "bad value"},
        {{"--buffer-size", "0"}, "bad value"},
        {{"--source", ""}, "bad value"},
        {{"--source", std::string(40, 'x')}, "bad value"},
        {{"--timeout", "-5"}, "bad value"},
        {{"--help=1"}, "unknown option"},
        {{"--memory-buffer", "app-handle"}, "memory only"},
    };
    for (const auto& c : cases) {
        ParsedOptions parsed = ParseScanOptions(c.args);
        EXPECT_FALSE(parsed.ok) << c.args[0];
        EXPECT_NE(std::string::npos, parsed.error.find(c.errorPart)) << c.args[0] << ": " << parsed.error;
    }
}

TEST(TwscanOptions, PagePathsNumberLaterPages) {
    const struct {
        const char* pattern;
        int page;
        const char* expected;
    } cases[] = {
        {"scan.bmp", 1, "scan.bmp"},
        {"scan.bmp", 2, "scan-2.bmp"},
        {"out\\a.b\\scan", 3, "out\\a.b\\scan-3"},
        {"dir.d/scan", 2, "dir.d/scan-2"},
        {"p%d.bmp", 1, "p1.bmp"},
        {"p%d.bmp", 12, "p12.bmp"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, PagePath(c.pattern, c.page)) << c.pattern;
}

TEST(TwscanOptions, HelpDocumentsEveryFlag) {
    const std::string help = UsageText();
    for (const std::string& flag : KnownFlags()) {
        EXPECT_NE(std::string::npos, help.find(flag)) << flag << " is missing from --help";
    }
    EXPECT_GE(KnownFlags().size(), 24u);
}

}  // namespace
