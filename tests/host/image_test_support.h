// Small helpers shared by the image tests: a scan record over owned buffers
// and a deterministic random source.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "scan/scan_settings.h"

// A ScanSettings with neutral adjustments, pointing at an owned input image.
struct TestImage {
    ScanSettings settings{};
    std::vector<uint8_t> input;

    TestImage(int32_t pixelType, int32_t width, int32_t height) {
        ResetAdjustments(&settings);
        settings.pixelType = pixelType;
        settings.uiPixelType = pixelType == 3 || pixelType == 2 ? pixelType : 0;
        settings.imageWidth = width;
        settings.imageHeight = height;
        input.assign(static_cast<size_t>(RowLength()) * height, 0);
        settings.rows = input.data();
        settings.imageBase = input.data();
    }

    int32_t RowLength() const {
        const ScanSettings& s = settings;
        if (s.pixelType == 3) return 3 * s.imageWidth;
        if (s.pixelType == 2) return s.imageWidth;
        return (s.imageWidth + 7) / 8;
    }

    void Fill(std::mt19937& rng) {
        for (uint8_t& b : input) b = static_cast<uint8_t>(rng());
    }
};
