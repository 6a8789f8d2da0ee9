#include "image/hue_saturation_rows.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>

#include "image/exact_divide.h"

// Why the single-precision divisions below are exact: for integers n >= 0 and
// d >= 1 with n + d <= 2^24, both are floats without rounding, and the
// correctly rounded n / d lies at least 1/d below the next integer while half
// a float step there is at most (q + 1) / 2^24 < 1/d; so truncating it gives
// floor(n / d). Every product formed in floats is an integer below 2^24 and
// therefore exact as well. The largest numerators are 255 x 10000 (saturation,
// lightness, bytes) and 200 x 10000 (the saturation scale); the two products
// of up to 10^8 in HslToRgb are divided by 10000 with a multiply and shift.

namespace {

constexpr int32_t kOne = 10000;
constexpr int kBlock = 64;  // pixels per pass; the planes stay in L1

// The largest numerator of m2: L x (10000 + S) or S x 10000 + (10000 - S) x L.
constexpr ExactDivider kByOne(kOne, 100000000);

// Pixels go eight to a vector in 16-bit lanes: every value of the step fits
// (channels, angles -300..660, lightness and saturation 0..20000) except
// numerators, which are formed and divided in 32-bit lanes.
__m128i Select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

__m128i Set(int16_t v) { return _mm_set1_epi16(v); }

// The low and high four 16-bit lanes of non-negative values as floats.
__m128 LowFloats(__m128i v) { return _mm_cvtepi32_ps(_mm_unpacklo_epi16(v, _mm_setzero_si128())); }
__m128 HighFloats(__m128i v) { return _mm_cvtepi32_ps(_mm_unpackhi_epi16(v, _mm_setzero_si128())); }

// Truncated quotients of two halves back in 16-bit lanes (each below 2^15).
__m128i Quotients(__m128 lowN, __m128 highN, __m128 lowD, __m128 highD) {
    return _mm_packs_epi32(_mm_cvttps_epi32(_mm_div_ps(lowN, lowD)),
                           _mm_cvttps_epi32(_mm_div_ps(highN, highD)));
}

// floor(n x factor / d) for 16-bit n >= 0 and a constant d.
__m128i DivideConstant(__m128i n, float factor, float d) {
    const __m128 f = _mm_set1_ps(factor), dv = _mm_set1_ps(d);
    return Quotients(_mm_mul_ps(LowFloats(n), f), _mm_mul_ps(HighFloats(n), f), dv, dv);
}

// floor(n x factor / d) for 16-bit n >= 0 and 16-bit d >= 1.
__m128i DivideLanes(__m128i n, float factor, __m128i d) {
    const __m128 f = _mm_set1_ps(factor);
    return Quotients(_mm_mul_ps(LowFloats(n), f), _mm_mul_ps(HighFloats(n), f), LowFloats(d), HighFloats(d));
}

// a x b + c x e per lane in 32 bits, low and high four lanes.
void MultiplyAdd(__m128i a, __m128i b, __m128i c, __m128i e, __m128i* low, __m128i* high) {
    *low = _mm_madd_epi16(_mm_unpacklo_epi16(a, c), _mm_unpacklo_epi16(b, e));
    *high = _mm_madd_epi16(_mm_unpackhi_epi16(a, c), _mm_unpackhi_epi16(b, e));
}

// floor(n / 10000) for four 32-bit lanes 0..10^8.
__m128i DivideByOne(__m128i n) {
    const __m128i m = _mm_set1_epi32(static_cast<int32_t>(kByOne.Multiplier()));
    const __m128i shift = _mm_cvtsi32_si128(kByOne.Shift());
    const __m128i even = _mm_srl_epi64(_mm_mul_epu32(n, m), shift);
    const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(n, 32), m), shift);
    return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

// Hue angle of one channel, wrapped once into 0..360 as HslToRgb does.
__m128i Wrap(__m128i a) {
    const __m128i full = Set(360);
    a = _mm_add_epi16(a, _mm_and_si128(_mm_cmplt_epi16(a, _mm_setzero_si128()), full));
    return _mm_sub_epi16(a, _mm_and_si128(_mm_cmpgt_epi16(a, full), full));
}

// Where one channel's angle lies: on the rising ramp (a < 60) or the falling
// one (180 <= a < 240) with its ramp position t, at m2 (60 <= a < 180) or at m1.
struct Sector {
    __m128i onRamp, atTop, t;
};

Sector SectorOf(__m128i a) {
    const __m128i below60 = _mm_cmplt_epi16(a, Set(60));
    const __m128i below180 = _mm_cmplt_epi16(a, Set(180));
    const __m128i below240 = _mm_cmplt_epi16(a, Set(240));
    const __m128i falling = _mm_andnot_si128(below180, below240);
    return Sector{_mm_or_si128(below60, falling), _mm_andnot_si128(below60, below180),
                  Select(below60, a, _mm_sub_epi16(Set(240), a))};
}

__m128i ChannelValue(const Sector& sector, __m128i ramp, __m128i m1, __m128i m2) {
    return Select(sector.onRamp, ramp, Select(sector.atTop, m2, m1));
}

struct Shift {
    __m128i hue;
    float scale;  // saturation + 100
};

// (fixed x 255) / 10000 for 0..10000, as bytes in 16-bit lanes.
__m128i ToByte(__m128i fixed) { return DivideConstant(fixed, 255.0f, static_cast<float>(kOne)); }

// Eight pixels: RgbToHsl, the shift, HslToRgb and the byte conversion.
// Always inlined: on 32-bit x86 a call passes and returns its vectors
// through memory.
[[gnu::always_inline]] inline void ShiftEight(const Shift& k, __m128i r, __m128i g, __m128i b, __m128i* outR,
                                              __m128i* outG, __m128i* outB) {
    const __m128i one = Set(1);
    const __m128i mx = _mm_max_epi16(_mm_max_epi16(r, g), b);
    const __m128i mn = _mm_min_epi16(_mm_min_epi16(r, g), b);
    const __m128i sum = _mm_add_epi16(mx, mn);
    const __m128i d = _mm_sub_epi16(mx, mn);
    const __m128i l = DivideConstant(sum, static_cast<float>(kOne), 510.0f);
    // Lightness <= 5000 exactly when sum <= 255; the divisor is then sum, else
    // 510 - sum. Grey pixels (d = 0) divide by at least 1 and get 0.
    const __m128i darkHalf = _mm_cmplt_epi16(sum, Set(256));
    const __m128i den = _mm_max_epi16(Select(darkHalf, sum, _mm_sub_epi16(Set(510), sum)), one);
    const __m128i s = DivideLanes(d, static_cast<float>(kOne), den);

    // Hue: the six cases in their order; the first that matches wins, so they
    // are applied from the last to the first.
    const __m128i maxR = _mm_cmpeq_epi16(mx, r), maxG = _mm_cmpeq_epi16(mx, g), maxB = _mm_cmpeq_epi16(mx, b);
    const __m128i minR = _mm_cmpeq_epi16(mn, r), minG = _mm_cmpeq_epi16(mn, g), minB = _mm_cmpeq_epi16(mn, b);
    __m128i num = _mm_sub_epi16(r, b);
    __m128i base = Set(300);
    const auto apply = [&](__m128i when, __m128i n, int16_t offset) {
        num = Select(when, n, num);
        base = Select(when, Set(offset), base);
    };
    apply(_mm_and_si128(maxB, minG), _mm_sub_epi16(r, g), 240);
    apply(_mm_and_si128(maxB, minR), _mm_sub_epi16(b, g), 180);
    apply(_mm_and_si128(maxG, minR), _mm_sub_epi16(b, r), 120);
    apply(_mm_and_si128(maxG, minB), _mm_sub_epi16(g, r), 60);
    apply(_mm_and_si128(maxR, minB), _mm_sub_epi16(g, b), 0);
    const __m128i hueOf = _mm_add_epi16(DivideLanes(num, 60.0f, _mm_max_epi16(d, one)), base);
    const __m128i h = _mm_add_epi16(hueOf, k.hue);

    // ((saturation + 100) x S) / 100, then limited to 10000.
    const __m128i sat = _mm_min_epi16(DivideConstant(s, k.scale, 100.0f), Set(kOne));
    const __m128i grey = _mm_cmpeq_epi16(sat, _mm_setzero_si128());

    // m2 = L x (10000 + S) / 10000 for L <= 4999, else
    // (S x 10000 + (10000 - S) x L) / 10000: one multiply-add either way.
    const __m128i dark = _mm_cmplt_epi16(l, Set(5000));
    const __m128i oneV = Set(kOne);
    __m128i low, high;
    MultiplyAdd(Select(dark, l, sat), Select(dark, _mm_add_epi16(oneV, sat), oneV),
                _mm_andnot_si128(dark, _mm_sub_epi16(oneV, sat)), _mm_andnot_si128(dark, l), &low, &high);
    const __m128i m2 = _mm_packs_epi32(DivideByOne(low), DivideByOne(high));
    const __m128i m1 = _mm_sub_epi16(_mm_add_epi16(l, l), m2);

    // The three angles lie 120 degrees apart, so at most one of them is on a
    // ramp (an angle of exactly 360 is at m1, where its ramp would end too):
    // one ramp division serves the pixel.
    const __m128i third = Set(120);
    const Sector sr = SectorOf(Wrap(_mm_add_epi16(h, third)));
    const Sector sg = SectorOf(Wrap(h));
    const Sector sb = SectorOf(Wrap(_mm_sub_epi16(h, third)));
    __m128i t = Select(sr.onRamp, sr.t, Select(sg.onRamp, sg.t, sb.t));
    t = _mm_max_epi16(_mm_min_epi16(t, Set(60)), _mm_setzero_si128());
    // ((m2 - m1) x t + 60 x m1) / 60.
    MultiplyAdd(_mm_sub_epi16(m2, m1), t, m1, Set(60), &low, &high);
    const __m128 sixty = _mm_set1_ps(60.0f);
    const __m128i ramp = Quotients(_mm_cvtepi32_ps(low), _mm_cvtepi32_ps(high), sixty, sixty);
    *outR = ToByte(Select(grey, l, ChannelValue(sr, ramp, m1, m2)));
    *outG = ToByte(Select(grey, l, ChannelValue(sg, ramp, m1, m2)));
    *outB = ToByte(Select(grey, l, ChannelValue(sb, ramp, m1, m2)));
}

}  // namespace

void ShiftHueSaturationRow(const uint8_t (*tables)[256], int32_t hue, int32_t saturation, bool invert,
                           uint8_t* rgb, int32_t pixels) {
    // Channel planes of one block, toned on the way in; the tail of a short
    // block is padded with black, which every step handles.
    alignas(16) uint8_t planes[3][kBlock];
    const Shift k{Set(static_cast<int16_t>(hue)), static_cast<float>(saturation + 100)};
    const __m128i flip = _mm_set1_epi8(invert ? static_cast<char>(0xFF) : 0);
    const __m128i zero = _mm_setzero_si128();
    for (int32_t start = 0; start < pixels; start += kBlock) {
        const int32_t count = std::min(kBlock, pixels - start);
        uint8_t* p = rgb + static_cast<size_t>(start) * 3;
        for (int32_t i = 0; i < count; ++i) {
            planes[0][i] = tables[0][p[3 * i]];
            planes[1][i] = tables[1][p[3 * i + 1]];
            planes[2][i] = tables[2][p[3 * i + 2]];
        }
        const int32_t padded = (count + 7) & ~7;
        for (int32_t i = count; i < padded; ++i) planes[0][i] = planes[1][i] = planes[2][i] = 0;
        // Eight pixels a step: two steps' worth of values would not fit the
        // eight vector registers of 32-bit x86.
        for (int32_t i = 0; i < padded; i += 8) {
            const auto load = [&](int c) {
                return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&planes[c][i])),
                                         zero);
            };
            __m128i out[3];
            ShiftEight(k, load(0), load(1), load(2), &out[0], &out[1], &out[2]);
            for (int c = 0; c < 3; ++c) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(&planes[c][i]),
                                 _mm_xor_si128(_mm_packus_epi16(out[c], zero), flip));
            }
        }
        for (int32_t i = 0; i < count; ++i) {
            p[3 * i] = planes[0][i];
            p[3 * i + 1] = planes[1][i];
            p[3 * i + 2] = planes[2][i];
        }
    }
}
