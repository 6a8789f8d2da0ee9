// Division by a run-time divisor through one multiplication, giving exactly
// the truncated quotient. Used where a loop divides many numbers by the same
// divisor (interpolation weights, HSL ratios); the 32 x 32 -> 64 bit product
// also vectorises where a division does not.
#pragma once

#include <cstdint>

// floor(n / d) for 0 <= n <= maxNumerator. With k = bits(maxNumerator) +
// bits(d) and m = floor(2^k / d) + 1, the error of n * m / 2^k stays below
// 1/d, so the shift lands on the exact quotient; m fits in 32 bits while
// maxNumerator < 2^30. Beyond that the divider falls back to division.
class ExactDivider {
   public:
    constexpr ExactDivider() = default;
    constexpr ExactDivider(uint32_t d, uint32_t maxNumerator) : d_(d == 0 ? 1 : d) {
        fast_ = maxNumerator < (1u << 30);
        if (!fast_) return;
        shift_ = BitCount(maxNumerator) + BitCount(d_);
        m_ = static_cast<uint32_t>((uint64_t{1} << shift_) / d_ + 1);
    }
    constexpr uint32_t Divide(uint32_t n) const {
        return fast_ ? static_cast<uint32_t>((uint64_t{n} * m_) >> shift_) : n / d_;
    }

    // For loops that hoist the divider's parts into locals.
    bool Multiplies() const { return fast_; }
    uint32_t Multiplier() const { return m_; }
    int Shift() const { return shift_; }
    uint32_t Divisor() const { return d_; }

   private:
    static constexpr int BitCount(uint32_t v) {
        int bits = 0;
        while (v != 0) ++bits, v >>= 1;
        return bits;
    }

    uint32_t m_ = 1;
    int shift_ = 0;
    uint32_t d_ = 1;
    bool fast_ = true;
};
