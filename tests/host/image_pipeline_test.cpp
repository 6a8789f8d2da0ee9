#include <gtest/gtest.h>

#include <string>

#include "core/platform_hook.h"
#include "image/adjustment_pipeline.h"
#include "image/colour_adjust.h"
#include "image/filters.h"
#include "image/tone_tables.h"
#include "image_test_support.h"

namespace {

// Records what the pipeline asks of the platform.
struct HookLog {
    const ScanSettings* watched = nullptr;
    std::vector<int32_t> signalRows;  // rowsScanned at each signal
    std::vector<std::string> lines;
};
HookLog* hookLog = nullptr;

class ImagePipeline : public ::testing::Test {
   protected:
    void SetUp() override {
        hookLog = &log;
        GetPlatformHooks()->setEvent = [](void*) {
            hookLog->signalRows.push_back(hookLog->watched ? hookLog->watched->rowsScanned.load() : -1);
        };
        GetPlatformHooks()->debugLine = [](const char* text) { hookLog->lines.emplace_back(text); };
    }
    void TearDown() override {
        *GetPlatformHooks() = PlatformHooks{};
        hookLog = nullptr;
    }
    HookLog log;
};

// Output buffer for a test image: separate from the input, prefilled with 255
// as the scan thread does.
struct Output {
    std::vector<uint8_t> bytes;
    int32_t stride;
    Output(TestImage& img) {
        ScanSettings& s = img.settings;
        const bool preview = s.pixelType == 3 && s.scanPurpose == 2;
        stride = preview ? (3 * s.imageWidth + 3) / 4 * 4 : img.RowLength();
        bytes.assign(static_cast<size_t>(stride) * s.imageHeight, 255);
        if (preview) {
            s.dibBits = bytes.data();
        } else {
            s.imageBase = bytes.data();
        }
    }
};

// The straightforward form: every pixel through the per-pixel filter, the
// tone tables, the colour steps and the preview look, as the rules read.
std::vector<uint8_t> ReferenceColour(const ScanSettings& s) {
    const int32_t w = s.imageWidth, h = s.imageHeight;
    const bool preview = s.scanPurpose == 2;
    const int32_t stride = preview ? (3 * w + 3) / 4 * 4 : 3 * w;
    std::vector<uint8_t> out(static_cast<size_t>(stride) * h, 255);
    int filter = 0;
    if (preview) {
        filter = (s.uiPixelType == 2 || s.uiPixelType == 3) && s.sharpness != 0 ? 3 : 0;
    } else {
        filter = s.descreen ? 5 : (s.sharpness != 0 ? 3 : 0);
    }
    if (filter == 3) BuildSharpenTables(s.sharpness);
    if (filter == 5) BuildDescreenTables(s.sharpness);
    BuildToneTables(&s);
    const ToneTables& t = GetToneTables();
    for (int32_t r = 0; r < h; ++r) {
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* in = s.rows + (static_cast<size_t>(r) * w + x) * 3;
            Pixel p{{in[0], in[1], in[2]}};
            const bool inside = !s.selectedAreaOnly ||
                                (x >= s.selLeft && x <= s.selRight && r >= s.selTop && r <= s.selBottom);
            if (inside) {
                if (filter == 3) p = Sharpen3x3(&s, x, r);
                if (filter == 5) p = Descreen5x5(&s, x, r);
                p = Pixel{{t.red[p.c[0]], t.green[p.c[1]], t.blue[p.c[2]]}};
                if (s.uiPixelType == 3 && (s.hue || s.saturation || s.lightness)) {
                    if (s.lightness) p = ApplyLightness(p, s.lightness);
                    if (s.hue || s.saturation) {
                        Hsl hsl = RgbToHsl(p);
                        hsl.hue += s.hue;
                        hsl.saturation = ((s.saturation + 100) * hsl.saturation) / 100;
                        p = HslToRgb(hsl);
                    }
                }
                if (s.reversal == 1) {
                    for (uint8_t& v : p.c) v = static_cast<uint8_t>(255 - v);
                }
            }
            if (!preview) {
                std::memcpy(&out[static_cast<size_t>(r) * stride + 3 * x], p.c, 3);
                continue;
            }
            uint8_t* d = &out[static_cast<size_t>(h - 1 - r) * stride + 3 * x];
            const double luma = 0.299 * p.c[0] + 0.587 * p.c[1] + 0.114 * p.c[2];
            switch (s.uiPixelType) {
                case 0:
                    d[0] = d[1] = d[2] = p.c[1] > 200 ? 255 : 0;
                    break;
                case 1:
                    d[0] = d[1] = d[2] = static_cast<uint8_t>(std::clamp(int(luma) - 60, 0, 255));
                    break;
                case 2:
                    d[0] = d[1] = d[2] = static_cast<uint8_t>(int(luma));
                    break;
                case 3:
                    d[0] = p.c[2], d[1] = p.c[1], d[2] = p.c[0];
                    break;
                default:
                    std::memcpy(d, p.c, 3);
                    break;
            }
        }
    }
    return out;
}

// Calls the pipeline with the rows split at the given cut points.
void RunInChunks(ScanSettings* s, const std::vector<int32_t>& cuts) {
    int32_t first = 0;
    for (int32_t cut : cuts) {
        if (cut <= first || cut >= s->imageHeight) continue;
        ASSERT_EQ(0, AdjustRows(s, first, cut - first));
        first = cut;
    }
    ASSERT_EQ(0, AdjustRows(s, first, s->imageHeight - first));
}

std::vector<int32_t> RandomCuts(std::mt19937& rng, int32_t height) {
    std::vector<int32_t> cuts;
    for (int32_t r = 1; r < height; ++r) {
        if (rng() % 3 == 0) cuts.push_back(r);
    }
    return cuts;
}

void RandomiseSettings(std::mt19937& rng, ScanSettings& s) {
    const auto pick = [&](int32_t lo, int32_t hi) {
        return lo + static_cast<int32_t>(rng() % (hi - lo + 1));
    };
    s.uiPixelType = pick(0, 4);
    s.brightness = rng() % 2 ? pick(-100, 100) : 0;
    s.contrast = rng() % 2 ? pick(-100, 100) : 0;
    s.curveMode = pick(0, 2);
    s.curveGamma = pick(-100, 100);
    int32_t in = pick(0, 40);
    for (int k = 0; k < 5; ++k) {
        s.curveIn[k] = in;
        s.curveOut[k] = pick(0, 255);
        in += pick(1, 53);
    }
    for (int32_t& b : s.balance) b = rng() % 3 ? 0 : pick(-100, 100);
    s.sharpness = pick(-2, 3);
    s.descreen = rng() % 2;
    s.hue = rng() % 2 ? pick(-180, 180) : 0;
    s.saturation = rng() % 2 ? pick(-100, 100) : 0;
    s.lightness = rng() % 2 ? pick(-100, 100) : 0;
    s.reversal = pick(0, 1);
    s.selectedAreaOnly = rng() % 3 == 0;
    s.selLeft = pick(-2, s.imageWidth);
    s.selRight = pick(s.selLeft, s.imageWidth + 2);
    s.selTop = pick(-2, s.imageHeight);
    s.selBottom = pick(s.selTop, s.imageHeight + 2);
}

TEST_F(ImagePipeline, NeutralSettingsCopyColourAndGreyAndComplementBits) {
    std::mt19937 rng(1);
    for (int32_t type : {3, 2, 0, 1}) {
        TestImage img(type, 13, 9);
        img.Fill(rng);
        Output out(img);
        RunInChunks(&img.settings, {4, 5});
        for (size_t i = 0; i < img.input.size(); ++i) {
            const uint8_t want = type >= 2 ? img.input[i] : static_cast<uint8_t>(~img.input[i]);
            ASSERT_EQ(want, out.bytes[i]) << "pixel type " << type << " byte " << i;
        }
        EXPECT_EQ(9, img.settings.rowsScanned);
    }
    EXPECT_EQ((std::vector<std::string>{"acolor", "gRAY ImageWidth 13 ImageHeight 9", "bw", "bw"}),
              log.lines);
}

TEST_F(ImagePipeline, MatchesTheStraightFormForRandomSettingsAndChunking) {
    std::mt19937 rng(2);
    for (int iteration = 0; iteration < 120; ++iteration) {
        TestImage img(3, 1 + rng() % 23, 1 + rng() % 12);
        img.Fill(rng);
        ScanSettings& s = img.settings;
        RandomiseSettings(rng, s);
        s.scanPurpose = rng() % 3;
        const std::vector<uint8_t> want = ReferenceColour(s);
        Output out(img);
        RunInChunks(&s, RandomCuts(rng, s.imageHeight));
        ASSERT_EQ(want, out.bytes) << "iteration " << iteration << " purpose " << s.scanPurpose << " ui "
                                   << s.uiPixelType << " size " << s.imageWidth << "x" << s.imageHeight;
    }
}

TEST_F(ImagePipeline, GreyChunkingGivesTheSameImageAsOneCall) {
    std::mt19937 rng(3);
    for (int iteration = 0; iteration < 60; ++iteration) {
        TestImage img(2, 1 + rng() % 30, 1 + rng() % 15);
        img.Fill(rng);
        RandomiseSettings(rng, img.settings);
        img.settings.selectedAreaOnly = 0;
        Output whole(img);
        ASSERT_EQ(0, AdjustRows(&img.settings, 0, img.settings.imageHeight));
        Output chunked(img);
        RunInChunks(&img.settings, RandomCuts(rng, img.settings.imageHeight));
        ASSERT_EQ(whole.bytes, chunked.bytes) << "iteration " << iteration;
        // And the grey rule itself on one pixel away from the edges.
        if (img.settings.imageWidth > 4 && img.settings.imageHeight > 4) {
            ScanSettings& s = img.settings;
            Pixel p{{s.rows[2 * s.imageWidth + 2], 0, 0}};
            if (s.descreen) {
                BuildDescreenTables(s.sharpness);
                p = Descreen5x5(&s, 2, 2);
            } else if (s.sharpness) {
                BuildSharpenTables(s.sharpness);
                p = Sharpen3x3(&s, 2, 2);
            }
            BuildToneTables(&s);
            uint8_t v = GetToneTables().grey[p.c[0]];
            if (s.reversal == 1) v = static_cast<uint8_t>(255 - v);
            EXPECT_EQ(v, whole.bytes[2 * s.imageWidth + 2]) << "iteration " << iteration;
        }
    }
}

TEST_F(ImagePipeline, OutputMayStartThreeRowsAheadOfTheInputInOneBlock) {
    std::mt19937 rng(4);
    for (int32_t type : {3, 2}) {
        TestImage img(type, 17, 11);
        img.Fill(rng);
        ScanSettings& s = img.settings;
        s.descreen = 1;
        s.contrast = 40;
        Output separate(img);
        ASSERT_EQ(0, AdjustRows(&s, 0, s.imageHeight));
        const int32_t stride = img.RowLength();
        std::vector<uint8_t> block(static_cast<size_t>(stride) * (s.imageHeight + 3));
        std::memcpy(block.data() + 3 * stride, img.input.data(), img.input.size());
        s.rows = block.data() + 3 * stride;
        s.imageBase = block.data();
        RunInChunks(&s, {1, 2, 6, 7});
        EXPECT_TRUE(std::equal(separate.bytes.begin(), separate.bytes.end(), block.begin()))
            << "type " << type;
    }
}

TEST_F(ImagePipeline, SelectionLimitsTheStepsButNotThePreviewLook) {
    TestImage img(3, 4, 3);
    std::fill(img.input.begin(), img.input.end(), 100);
    ScanSettings& s = img.settings;
    s.scanPurpose = 2;
    s.uiPixelType = 3;
    s.brightness = 50;
    s.selectedAreaOnly = 1;
    s.selLeft = s.selRight = 2;
    s.selTop = s.selBottom = 1;
    Output out(img);
    ASSERT_EQ(0, AdjustRows(&s, 0, 3));
    for (int32_t r = 0; r < 3; ++r) {
        for (int32_t x = 0; x < 4; ++x) {
            const uint8_t want = r == 1 && x == 2 ? 150 : 100;
            EXPECT_EQ(want, out.bytes[(2 - r) * out.stride + 3 * x]) << x << "," << r;
        }
    }
}

TEST_F(ImagePipeline, PreviewBlackAndWhiteLooksOnlyAtGreen) {
    TestImage img(3, 2, 1);
    img.input = {0, 200, 255, 255, 201, 0};
    img.settings.rows = img.input.data();
    img.settings.scanPurpose = 2;
    img.settings.uiPixelType = 0;
    Output out(img);
    ASSERT_EQ(0, AdjustRows(&img.settings, 0, 1));
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 255, 255}), out.bytes);
}

TEST_F(ImagePipeline, PreviewGreyKeepsNeutralGreyAndBgrSwaps) {
    TestImage img(3, 256, 1);
    for (int v = 0; v < 256; ++v) img.input[3 * v] = img.input[3 * v + 1] = img.input[3 * v + 2] = v;
    img.settings.scanPurpose = 2;
    img.settings.uiPixelType = 2;
    Output out(img);
    ASSERT_EQ(0, AdjustRows(&img.settings, 0, 1));
    // Double precision leaves a neutral grey at v or one level below; never
    // further, and never lighter.
    for (int v = 0; v < 256; ++v) {
        EXPECT_GE(out.bytes[3 * v], std::max(v - 1, 0)) << v;
        EXPECT_LE(out.bytes[3 * v], v) << v;
    }
    img.settings.uiPixelType = 3;
    img.input[0] = 1, img.input[1] = 2, img.input[2] = 3;
    ASSERT_EQ(0, AdjustRows(&img.settings, 0, 1));
    EXPECT_EQ((std::vector<uint8_t>{3, 2, 1}),
              std::vector<uint8_t>(out.bytes.begin(), out.bytes.begin() + 3));
}

TEST_F(ImagePipeline, RejectedSettingsReturnTheirCodeAndWriteNothing) {
    struct Case {
        void (*spoil)(ScanSettings&);
        int code;
    };
    const Case cases[] = {
        {[](ScanSettings& s) { s.brightness = 101; }, 1},
        {[](ScanSettings& s) { s.contrast = -101; }, 2},
        {[](ScanSettings& s) { s.curveIn[2] = s.curveIn[1]; }, 4},
        {[](ScanSettings& s) { s.curveOut[4] = 256; }, 4},
        {[](ScanSettings& s) { s.curveGamma = 101; }, 4},
        {[](ScanSettings& s) { s.curveIn[0] = -1; }, 4},
        {[](ScanSettings& s) { s.balance[8] = -101; }, 5},
        {[](ScanSettings& s) { s.sharpness = 4; }, 6},
        {[](ScanSettings& s) { s.hue = 181; }, 7},
        {[](ScanSettings& s) { s.lightness = -101; }, 7},
        {[](ScanSettings& s) { s.brightness = 200, s.hue = 500; }, 1},
    };
    for (const Case& c : cases) {
        TestImage img(3, 5, 5);
        c.spoil(img.settings);
        Output out(img);
        EXPECT_EQ(c.code, AdjustRows(&img.settings, 0, 5));
        EXPECT_TRUE(std::all_of(out.bytes.begin(), out.bytes.end(), [](uint8_t b) { return b == 255; }));
    }
    EXPECT_EQ(kAdjustUnusableInput, AdjustRows(nullptr, 0, 1));
    TestImage img(2, 5, 5);
    img.settings.imageBase = nullptr;
    EXPECT_EQ(kAdjustUnusableInput, AdjustRows(&img.settings, 0, 5));
}

TEST_F(ImagePipeline, SmallImagesAreFinishedByTheirOneCall) {
    for (int32_t h : {1, 2}) {
        TestImage img(2, 3, h);
        img.settings.reversal = 1;
        Output out(img);
        ASSERT_EQ(0, AdjustRows(&img.settings, 0, h));
        EXPECT_EQ(h, img.settings.rowsScanned);
        EXPECT_TRUE(std::all_of(out.bytes.begin(), out.bytes.end(), [](uint8_t b) { return b == 255; }));
    }
}

TEST_F(ImagePipeline, RowWindowLagsTwoRowsBehindTheData) {
    TestImage img(2, 4, 10);
    Output out(img);
    const std::pair<int32_t, int32_t> calls[] = {{0, 3}, {3, 1}, {4, 4}, {8, 2}};
    const int32_t doneAfter[] = {1, 2, 6, 10};
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(0, AdjustRows(&img.settings, calls[i].first, calls[i].second));
        EXPECT_EQ(doneAfter[i], img.settings.rowsScanned) << "after call " << i;
    }
}

TEST_F(ImagePipeline, MemoryTransferIsWokenOncePerRequestedRow) {
    TestImage img(3, 6, 40);
    ScanSettings& s = img.settings;
    int event = 0;
    s.scanDoneEvent = &event;
    s.memXferRow = 3 * 6 * 10;
    log.watched = &s;
    Output out(img);
    ASSERT_EQ(0, AdjustRows(&s, 0, 7));
    ASSERT_EQ(0, AdjustRows(&s, 7, 9));
    EXPECT_EQ((std::vector<int32_t>{10}), log.signalRows);
    ASSERT_EQ(0, AdjustRows(&s, 16, 4));
    EXPECT_EQ(1u, log.signalRows.size()) << "no new request, no new signal";
    s.memXferRow = 3 * 6 * 25;
    ASSERT_EQ(0, AdjustRows(&s, 20, 20));
    EXPECT_EQ((std::vector<int32_t>{10, 25}), log.signalRows);
}

TEST_F(ImagePipeline, TurnedNativeAndPreviewScansNeverWakeEarly) {
    for (int variant = 0; variant < 4; ++variant) {
        TestImage img(2, 6, 12);
        ScanSettings& s = img.settings;
        int event = 0;
        s.scanDoneEvent = &event;
        s.memXferRow = 6;
        if (variant == 0) s.rotation = 1;
        if (variant == 1) s.rotateBackPages = 1;
        if (variant == 2) s.scanPurpose = 1;
        if (variant == 3) s.scanDoneEvent = nullptr;
        Output out(img);
        ASSERT_EQ(0, AdjustRows(&s, 0, 12));
        EXPECT_TRUE(log.signalRows.empty()) << "variant " << variant;
    }
}

TEST_F(ImagePipeline, AContinuationWithoutAStartStartsTheImageInsteadOfCrashing) {
    for (int32_t type : {3, 2, 0}) {
        TestImage img(type, 1 + 4 * type, 6);  // a width no earlier image of this kind had
        Output out(img);
        EXPECT_EQ(0, AdjustRows(&img.settings, 3, 3)) << type;
    }
}

}  // namespace
