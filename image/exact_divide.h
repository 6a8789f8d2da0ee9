// Division by a run-time divisor through one multiplication, giving exactly
// the truncated quotient. Used where a loop divides many numbers by the same
// divisor (interpolation weights, HSL ratios).
#pragma once

#include <cstdint>

// floor(n / d) for 0 <= n < 2^24 and 1 <= d <= 65535 with n * d < 2^40. With
// m = floor(2^40 / d) + 1 the error of n * m / 2^40 stays below 1/d, so the
// shift lands on the exact quotient. Larger divisors fall back to division.
class ExactDivider {
   public:
    ExactDivider() = default;
    explicit ExactDivider(uint32_t d) : d_(d == 0 ? 1 : d) {
        fast_ = d_ <= 65535;
        m_ = (uint64_t{1} << 40) / d_ + 1;
    }
    uint32_t Divide(uint32_t n) const {
        return fast_ ? static_cast<uint32_t>((n * m_) >> 40) : n / d_;
    }
    uint32_t Divisor() const { return d_; }

   private:
    uint64_t m_ = (uint64_t{1} << 40) + 1;
    uint32_t d_ = 1;
    bool fast_ = true;
};
