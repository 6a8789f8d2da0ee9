// Throughput of the image stages on synthetic A4 pages of three kinds, in MB/s
// of raw input, with a memcpy of the same buffer as the ceiling. Figures, not
// a test.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <utility>
#include <vector>

#include "image/adjustment_pipeline.h"
#include "image/raster_geometry.h"
#include "image/row_bytes.h"

namespace {

struct Page {
    int32_t width, height, channels;
    std::vector<uint8_t> raw;
};

// The kinds of page every figure is measured on: the test chart (soft
// gradients, a halftone screen, text-like bars; its colours repeat a lot), a
// photo (smooth shading and hard edges under sensor noise of a few levels, so
// nearly every pixel's colour is new) and uniform noise.
enum class Kind { Chart, Photo, Noise };
constexpr const char* kKindNames[] = {"chart", "photo", "noise"};

Page MakeChart(Page p) {
    uint32_t noise = 12345;
    uint8_t* out = p.raw.data();
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = static_cast<int>(noise >> 29) - 4;
            const bool dot = ((x / 3) + (y / 3)) % 4 == 0 && y > p.height / 2;
            const bool text = (y / 12) % 5 == 1 && (x / 7) % 9 < 7 && y < p.height / 2;
            for (int c = 0; c < p.channels; ++c) {
                int v = 90 + (x * (60 + 50 * c)) / p.width + (y * 80) / p.height + grain;
                if (dot) v -= 70;
                if (text) v = 20 + grain;
                *out++ = static_cast<uint8_t>(std::clamp(v, 0, 255));
            }
        }
    }
    return p;
}

Page MakePhoto(Page p) {
    uint32_t noise = 777;
    uint8_t* out = p.raw.data();
    const double w = p.width, h = p.height;
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x) {
            const double u = x / w, v = y / h;
            // Three discs and a band with hard edges over a smooth sky-to-ground shading.
            const double d1 = (u - 0.3) * (u - 0.3) + (v - 0.3) * (v - 0.3);
            const double d2 = (u - 0.7) * (u - 0.7) + (v - 0.55) * (v - 0.55);
            const double d3 = (u - 0.45) * (u - 0.45) + (v - 0.8) * (v - 0.8);
            const bool band = v > 0.62 && v < 0.66;
            const int level = static_cast<int>((noise >> 16) % 3);  // noise of 2, 6 or 12 levels
            for (int c = 0; c < p.channels; ++c) {
                double value =
                    40 + 150 * v + 40 * std::sin(6.0 * u + 2.0 * c) + 25 * std::cos(9.0 * v * (c + 1));
                if (d1 < 0.02) value = 200 - 60 * c + 300 * d1;
                if (d2 < 0.03) value = 60 + 70 * c - 900 * d2;
                if (d3 < 0.01) value = 230 - 3000 * d3 * (c + 1);
                if (band) value = 30 + 90 * c;
                noise = noise * 1664525u + 1013904223u;
                const int amplitude = level == 0 ? 2 : level == 1 ? 6 : 12;
                const int grain = static_cast<int>((noise >> 24) % (2 * amplitude + 1)) - amplitude;
                *out++ = static_cast<uint8_t>(std::clamp(static_cast<int>(value) + grain, 0, 255));
            }
        }
    }
    return p;
}

Page MakeNoise(Page p) {
    uint32_t state = 99;
    for (uint8_t& v : p.raw) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<uint8_t>(state >> 24);
    }
    return p;
}

Page MakePage(Kind kind, int dpi, int channels) {
    Page p{dpi * 827 / 100, dpi * 1169 / 100, channels, {}};
    p.raw.resize(static_cast<size_t>(p.width) * p.height * channels);
    if (kind == Kind::Chart) return MakeChart(std::move(p));
    if (kind == Kind::Photo) return MakePhoto(std::move(p));
    return MakeNoise(std::move(p));
}

// CPU time of this thread: the machine is shared, and we want what one core
// does, not how long we waited for it. Under Wine the thread's CPU time moves
// in scheduler ticks, too coarse for these runs; wall time serves there.
double ThreadSeconds() {
#ifdef _WIN32
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
#endif
}

// Best of a few runs.
double Seconds(const std::function<void()>& run, int repeats) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const double t0 = ThreadSeconds();
        run();
        best = std::min(best, ThreadSeconds() - t0);
    }
    return best;
}

// Optional command-line filter: only figures whose name contains it.
const char* onlyMatching = nullptr;

bool Wanted(const char* name) {
    return onlyMatching == nullptr || std::strstr(name, onlyMatching) != nullptr;
}

struct Bench {
    const Page& page;
    int repeats;
    double memcpyRate = 0;

    double Rate(double seconds) const { return page.raw.size() / seconds / 1e6; }

    void Report(const char* what, double seconds) const {
        const double rate = Rate(seconds);
        std::printf("  %-44s %9.1f MB/s  %5.3f of memcpy\n", what, rate, rate / memcpyRate);
    }
};

ScanSettings Neutral(const Page& p, int32_t purpose) {
    ScanSettings s{};
    ResetAdjustments(&s);
    s.pixelType = p.channels == 3 ? 3 : 2;
    s.uiPixelType = s.pixelType;
    s.scanPurpose = purpose;
    s.imageWidth = p.width;
    s.imageHeight = p.height;
    s.rows = const_cast<uint8_t*>(p.raw.data());
    return s;
}

// The pipeline fed in chunks of 64 rows, as the scan thread does.
void RunPipeline(ScanSettings s, std::vector<uint8_t>& out) {
    s.imageBase = out.data();
    for (int32_t first = 0; first < s.imageHeight; first += 64) {
        AdjustRows(&s, first, std::min(64, s.imageHeight - first));
    }
}

void PipelineFigures(Bench& b) {
    const Page& p = b.page;
    std::vector<uint8_t> out(p.raw.size());
    const bool colour = p.channels == 3;
    struct Case {
        const char* name;
        std::function<void(ScanSettings&)> set;
        bool colourOnly;
    };
    const Case cases[] = {
        {"pipeline, neutral (copy)", [](ScanSettings&) {}, false},
        {"filter 3x3 sharpen (sharpness 2)", [](ScanSettings& s) { s.sharpness = 2; }, false},
        {"filter 3x3 soften (sharpness -2)", [](ScanSettings& s) { s.sharpness = -2; }, false},
        {"filter 5x5 descreen (sharpness 0)", [](ScanSettings& s) { s.descreen = 1; }, false},
        {"filter 5x5 descreen (sharpness 3)", [](ScanSettings& s) { s.descreen = 1, s.sharpness = 3; },
         false},
        {"tone tables (contrast, curve, balance)",
         [](ScanSettings& s) {
             s.contrast = 20, s.brightness = 5, s.curveOut[1] = 80, s.balance[1] = 30, s.balance[8] = -20;
         },
         false},
        {"hue/saturation/lightness", [](ScanSettings& s) { s.hue = 25, s.saturation = 30, s.lightness = 10; },
         true},
        {"whole pipeline, heavy settings",
         [](ScanSettings& s) {
             s.descreen = 1, s.contrast = 20, s.curveOut[1] = 80, s.balance[1] = 30, s.balance[8] = -20;
             s.hue = 25, s.saturation = 30, s.lightness = 10;
         },
         false},
    };
    for (const Case& c : cases) {
        if ((c.colourOnly && !colour) || !Wanted(c.name)) continue;
        ScanSettings s = Neutral(p, 0);
        c.set(s);
        b.Report(c.name, Seconds([&] { RunPipeline(s, out); }, b.repeats));
    }
}

void GeometryFigures(Bench& b) {
    const Page& p = b.page;
    const bool colour = p.channels == 3;
    struct Case {
        const char* name;
        int32_t rotation, percent, purpose;
    };
    const Case cases[] = {
        {"geometry same size, memory order", 0, 100, 0},
        {"geometry same size, bitmap", 0, 100, 1},
        {"geometry quarter turn, bitmap", 1, 100, 1},
        {"geometry 50%, bitmap", 0, 50, 1},
        {"geometry 200%, bitmap", 0, 200, 1},
    };
    for (const Case& c : cases) {
        if (!Wanted(c.name)) continue;
        ScanSettings s = Neutral(p, c.purpose);
        s.imageBase = const_cast<uint8_t*>(p.raw.data());
        s.rotation = c.rotation;
        const bool quarter = c.rotation % 2 == 1;
        s.outputWidth = (quarter ? p.height : p.width) * c.percent / 100;
        s.outputHeight = (quarter ? p.width : p.height) * c.percent / 100;
        const int32_t stride = AlignedRowBytes(s.pixelType, s.outputWidth);
        const int32_t stripRows = std::max(1, 0xFFF00 / stride);
        std::vector<uint8_t> strip(static_cast<size_t>(stride) * stripRows);
        const auto run = [&] {
            for (int32_t first = 0; first < s.outputHeight; first += stripRows) {
                const int32_t count = std::min(stripRows, s.outputHeight - first);
                if (colour) {
                    TransformColorStrip(&s, 1, strip.data(), first, count);
                } else {
                    TransformGrayStrip(&s, 1, strip.data(), first, count);
                }
            }
        };
        b.Report(c.name, Seconds(run, b.repeats));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) onlyMatching = argv[1];
    const bool quick = argc > 2;  // a second argument: 300 dpi only
    for (int dpi : {300, 600}) {
        if (quick && dpi == 600) break;
        for (int channels : {3, 1}) {
            for (Kind kind : {Kind::Chart, Kind::Photo, Kind::Noise}) {
                const Page page = MakePage(kind, dpi, channels);
                Bench b{page, dpi == 300 ? 3 : 2};
                std::vector<uint8_t> copy(page.raw.size());
                const double memcpySeconds = Seconds(
                    [&] { std::memcpy(copy.data(), page.raw.data(), page.raw.size()); }, b.repeats + 2);
                b.memcpyRate = b.Rate(memcpySeconds);
                std::printf("A4 %d dpi %s %s, %dx%d, %.1f MB raw\n", dpi, channels == 3 ? "colour" : "grey",
                            kKindNames[static_cast<int>(kind)], page.width, page.height,
                            page.raw.size() / 1e6);
                std::printf("  %-44s %9.1f MB/s  (baseline)\n", "memcpy of the same buffer", b.memcpyRate);
                PipelineFigures(b);
                GeometryFigures(b);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
