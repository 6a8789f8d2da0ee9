#include <gtest/gtest.h>

#include <random>

#include "image/colour_adjust.h"
#include "image/exact_divide.h"

namespace {

// Quotients next to multiples of the divisor are where a reciprocal goes
// wrong first; check them for every divisor the image code can meet.
TEST(ImageExactDivide, MatchesDivisionAtEveryMultipleBoundary) {
    std::mt19937 rng(3);
    for (uint32_t d = 1; d <= 65535; d += (d < 600 ? 1 : 1 + rng() % 97)) {
        const ExactDivider div(d, 255 * d);
        const uint32_t limit = 255 * d;  // largest numerator the callers form
        for (uint32_t q : {0u, 1u, 2u, 59u, 127u, 128u, 254u, 255u}) {
            for (uint32_t n : {q * d, q * d + d - 1}) {
                if (n > limit) continue;
                ASSERT_EQ(n / d, div.Divide(n)) << n << " / " << d;
            }
        }
        const uint32_t n = rng() % (limit + 1);
        ASSERT_EQ(n / d, div.Divide(n)) << n << " / " << d;
    }
    for (uint32_t n : {0u, 1u, 2549999u, 2550000u}) {  // HSL numerators, divisors up to 510
        for (uint32_t d : {1u, 7u, 255u, 509u, 510u})
            ASSERT_EQ(n / d, ExactDivider(d, 2550000).Divide(n)) << n << "/" << d;
    }
    EXPECT_EQ(4000000000u / 70000u, ExactDivider(70000, 4000000000u).Divide(4000000000u))
        << "numerators beyond 2^30 divide plainly";
    for (uint32_t d : {1u, 3u, 1000003u}) {  // divisors up to the largest output sizes
        const ExactDivider div(d, 255 * d);
        for (uint32_t n : {255 * d, 255 * d - 1, 128 * d - 1, d - 1})
            ASSERT_EQ(n / d, div.Divide(n)) << n << "/" << d;
    }
}

TEST(ImageExactDivide, HueSaturationCacheGivesTheDirectResult) {
    std::mt19937 rng(4);
    HueSaturationCache cache;
    for (auto [hue, sat] : {std::pair{25, 30}, {-180, -100}, {180, 100}, {0, 55}}) {
        cache.Reset(hue, sat);
        for (int i = 0; i < 40000; ++i) {
            const uint32_t rgb = i < 20000 ? rng() & 0xFFFFFF : rng() % 512;  // misses, then many hits
            const Pixel in{
                {static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb >> 16)}};
            const Pixel want = ShiftHueSaturation(in, hue, sat);
            const uint32_t got = cache.Shift(rgb);
            ASSERT_EQ(want.c[0] | want.c[1] << 8 | want.c[2] << 16, static_cast<int>(got))
                << "rgb " << std::hex << rgb << std::dec << " hue " << hue << " sat " << sat;
        }
    }
}

}  // namespace
