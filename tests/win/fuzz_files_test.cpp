// Seeded random files for the readers that take them from disk: both settings
// files (people edit them) and the spool file of the last preview (any length,
// any bytes, against whatever preview size the device reports now). Bounded
// and the same every run; a crash or a value beyond its table fails.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "core/core_context.h"
#include "core/ui_callbacks.h"
#include "device/device_link.h"
#include "device/transport.h"
#include "scan/spool_file.h"
#include "tests/win/fake_device.h"
#include "ui/adjustment_settings.h"
#include "ui/main_settings.h"
#include "ui/main_ui_state.h"

namespace {

std::string TempPath(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// Values a hand-edited file may hold for any key.
std::string AnyValue(std::mt19937& random) {
    static const char* const values[] = {"0",          "-1",    "101",  "2147483648", "-99999999999",
                                         "1e99",       "nan",   "inf",  "abc",        "",
                                         "\"quoted\"", "  7  ", "0x10", "3.5",        "-2147483648"};
    if (random() % 4 != 0) return values[random() % std::size(values)];
    std::string text(random() % 400, ' ');
    for (char& c : text) c = static_cast<char>(32 + random() % 95);
    return text;
}

std::string AnySettingsFile(std::mt19937& random, const std::vector<std::string>& keys) {
    std::string file = random() % 8 == 0 ? "" : "[KRVDS TWAIN]\r\n";
    for (uint32_t n = random() % 60; n > 0; --n) {
        std::string key = keys[random() % keys.size()];
        if (key.find("%d") != std::string::npos)
            key.replace(key.find("%d"), 2, std::to_string(random() % 110));
        file += key + (random() % 16 == 0 ? " " : "=") + AnyValue(random) + "\r\n";
    }
    return file;
}

bool Terminated(const char* text, size_t size) { return memchr(text, '\0', size) != nullptr; }

TEST(FuzzFilesTest, AnySettingsFileLoadsIntoItsTablesAndRanges) {
    const std::vector<std::string> keys = {"IOTypeSelect",
                                           "ScanMode",
                                           "PaperSize",
                                           "ResolutionId",
                                           "ADFDuplex",
                                           "Scale",
                                           "Rotate",
                                           "Bright",
                                           "Contrast",
                                           "CurveIn%d",
                                           "CurveOut%d",
                                           "CurveMode",
                                           "Sharp",
                                           "Hue",
                                           "Saturation",
                                           "Lightness",
                                           "CustomInchWidth",
                                           "CustomInchHeight",
                                           "CustomStartInchX",
                                           "CustomStartInchY",
                                           "PreScanWidth",
                                           "PreScanHeight",
                                           "ShadowsBalanceRed",
                                           "IPAddress",
                                           "Scan_Size",
                                           "Unit",
                                           "Color_Type",
                                           "New_Count",
                                           "Mode_New_Count",
                                           "New_%d",
                                           "ModeName_%d",
                                           "ModeComment_%d",
                                           "ModeA_%d",
                                           "ModeH_%d",
                                           "Scan_A",
                                           "Resolution",
                                           "Brightness"};
    std::mt19937 random(4100);
    const std::string path = TempPath("tarvik-fuzz-settings.ini");
    for (int round = 0; round < 80; ++round) {
        SCOPED_TRACE(round);
        const std::string text = AnySettingsFile(random, keys);
        WriteFileBytes(path, text);
        InitCoreContextValues(true);
        SetAdjustmentDefaultsFor(true);
        LoadAdjustmentSettings(path.c_str());
        ApplyAdjustmentSettings();
        const ScanSettings& scan = GetCoreContext()->scan;
        EXPECT_TRUE(scan.brightness >= -100 && scan.brightness <= 100) << text;
        EXPECT_TRUE(scan.hue >= -180 && scan.hue <= 180) << text;

        SetMainDefaultsFor(true);
        LoadMainSettings(path.c_str());
        const MainUiState& m = *GetMainUiState();
        ASSERT_TRUE(m.newCount >= 0 && m.newCount <= AreaTableSize) << text;
        ASSERT_TRUE(m.modeNewCount >= 0 && m.modeNewCount <= MaxUserModes) << text;
        EXPECT_TRUE(Terminated(m.ipAddress, sizeof m.ipAddress));
        for (int i = 0; i < m.newCount; ++i)
            EXPECT_TRUE(Terminated(m.areaTable[i].name, sizeof m.areaTable[i].name));
        for (int j = 0; j < m.modeNewCount + BuiltInModeRecords; ++j) {
            EXPECT_TRUE(Terminated(m.modeTable[j].name, sizeof m.modeTable[j].name));
            EXPECT_TRUE(Terminated(m.modeTable[j].comment, sizeof m.modeTable[j].comment));
        }
    }
    DeleteFileA(path.c_str());
}

// The device reports a preview size of its choosing; the spool file holds
// whatever a previous run, a crash or another program left there.
TEST(FuzzFilesTest, AnySpoolFileRestoresAPreviewOfTheReportedSize) {
    FakeDevice device;
    std::mt19937 random(4101);
    std::atomic<uint16_t> width{0}, height{0};
    device.SetHandler([&](const Bytes& block) {
        if (block[0] == 0x03 && block[1] == 0x0B) {
            const uint16_t w = width, h = height;
            const uint16_t logic = static_cast<uint16_t>(w + 5);
            return FakeReply::Of({static_cast<uint8_t>(logic & 0xFF), static_cast<uint8_t>(logic >> 8),
                                  static_cast<uint8_t>(h & 0xFF), static_cast<uint8_t>(h >> 8),
                                  static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(w >> 8),
                                  static_cast<uint8_t>(h & 0xFF), static_cast<uint8_t>(h >> 8)});
        }
        return HealthyReply(block);
    });
    const std::string path = TempPath("tarvik-fuzz-spool.raw");
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(round);
        InitCoreContextValues(true);
        *GetUiCallbacks() = UiCallbackTable{};
        SetTransportKind(TRANSPORT_NETWORK);
        SetLinkAddress("127.0.0.1");
        SetLinkPort(device.Port());
        SetLinkTimeout(2);
        width = static_cast<uint16_t>(1 + random() % 700);
        height = static_cast<uint16_t>(1 + random() % 900);
        const size_t full = (3u * width + 3) / 4 * 4 * height;
        const size_t sizes[] = {0, 1, full - 1, full, full + 1, full * 2, random() % (full + 7)};
        std::string bytes(sizes[random() % std::size(sizes)], '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        WriteFileBytes(path, bytes);
        GetScanWindow()->previewMode = random() % 2;
        ASSERT_EQ(1, RestorePreview(path.c_str()))
            << width << " x " << height << ", " << bytes.size() << " bytes";
        EXPECT_EQ(width, GetPreviewWidth());
        EXPECT_EQ(height, GetPreviewHeight());
        EXPECT_NE(nullptr, GetPreviewBits());
    }
    DeleteFileA(path.c_str());
    SetLinkTimeout(0);
}

}  // namespace
