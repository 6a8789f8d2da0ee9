#include "ui/preview_thumbnail.h"

#include <algorithm>

namespace {

// First source index covered by each target index, and one past the last.
std::vector<int32_t> BoxEdges(int32_t source, int32_t target) {
    std::vector<int32_t> edges(static_cast<size_t>(target) + 1);
    for (int32_t i = 0; i <= target; ++i) edges[i] = static_cast<int32_t>(int64_t{i} * source / target);
    // A target larger than the source covers at least one source pixel each.
    for (int32_t i = 0; i < target; ++i) edges[i] = std::min(edges[i], source - 1);
    return edges;
}

}  // namespace

std::vector<uint8_t> ShrinkBgrImage(const BgrImage& src, int32_t width, int32_t height) {
    if (src.bits == nullptr || src.width <= 0 || src.height <= 0 || width <= 0 || height <= 0) return {};
    const int32_t stride = BgrStride(width);
    std::vector<uint8_t> out(static_cast<size_t>(stride) * height, 0);
    const std::vector<int32_t> xs = BoxEdges(src.width, width);
    const std::vector<int32_t> ys = BoxEdges(src.height, height);
    std::vector<uint32_t> columns(static_cast<size_t>(src.width) * 3);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t top = ys[y], bottom = std::max(ys[y + 1], top + 1);
        std::fill(columns.begin(), columns.end(), 0);
        for (int32_t row = top; row < bottom; ++row) {
            const uint8_t* line = src.bits + static_cast<size_t>(row) * src.stride;
            for (size_t i = 0; i < columns.size(); ++i) columns[i] += line[i];
        }
        uint8_t* target = out.data() + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            const int32_t left = xs[x], right = std::max(xs[x + 1], left + 1);
            const uint32_t count = static_cast<uint32_t>((right - left) * (bottom - top));
            for (int c = 0; c < 3; ++c) {
                uint32_t sum = 0;
                for (int32_t i = left; i < right; ++i) sum += columns[static_cast<size_t>(i) * 3 + c];
                target[x * 3 + c] = static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return out;
}
