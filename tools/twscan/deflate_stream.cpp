// Streaming deflate with fixed Huffman codes.
#include "tools/twscan/deflate_stream.h"

#include <algorithm>

namespace {

constexpr int64_t WindowSize = 32768;
constexpr uint32_t MinMatch = 3;
constexpr uint32_t MaxMatch = 258;
constexpr int HashBits = 15;
// How many earlier places with the same three bytes are tried.
constexpr int ChainLimit = 16;
constexpr size_t OutputChunk = 65536;

constexpr uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t distanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                       33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                       1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

}  // namespace

DeflateStream::DeflateStream(Sink sink)
    : sink_(std::move(sink)), head_(size_t{1} << HashBits, -1), prev_(WindowSize, -1) {
    out_.push_back(0x78);  // deflate, 32 KB window
    out_.push_back(0x01);  // fastest level, no dictionary; 0x7801 is a multiple of 31
    PutBits(1, 1);         // the one and only block is the last
    PutBits(1, 2);         // fixed Huffman codes
}

void DeflateStream::PutBits(uint32_t bits, int count) {
    bitBuffer_ |= bits << bitCount_;
    bitCount_ += count;
    while (bitCount_ >= 8) {
        out_.push_back(static_cast<uint8_t>(bitBuffer_));
        bitBuffer_ >>= 8;
        bitCount_ -= 8;
    }
}

// Huffman codes go out from their highest bit, unlike every other field.
void DeflateStream::PutHuffman(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
    PutBits(reversed, length);
}

void DeflateStream::Literal(uint8_t byte) {
    if (byte < 144)
        PutHuffman(0x30u + byte, 8);
    else
        PutHuffman(0x190u + (byte - 144u), 9);
}

void DeflateStream::Match(uint32_t length, uint32_t distance) {
    int l = 28;
    while (lengthBase[l] > length) --l;
    const uint32_t symbol = 257u + static_cast<uint32_t>(l);
    if (symbol < 280)
        PutHuffman(symbol - 256u, 7);
    else
        PutHuffman(0xc0u + (symbol - 280u), 8);
    PutBits(length - lengthBase[l], lengthExtra[l]);
    int d = 29;
    while (distanceBase[d] > distance) --d;
    PutHuffman(static_cast<uint32_t>(d), 5);
    PutBits(distance - distanceBase[d], distanceExtra[d]);
}

void DeflateStream::Insert(int64_t position) {
    const uint8_t* p = &window_[static_cast<size_t>(position - base_)];
    const uint32_t hash = ((uint32_t{p[0]} << 10) ^ (uint32_t{p[1]} << 5) ^ p[2]) & ((1u << HashBits) - 1);
    prev_[static_cast<size_t>(position % WindowSize)] = head_[hash];
    head_[hash] = position;
}

void DeflateStream::Compress(bool final) {
    const int64_t end = base_ + static_cast<int64_t>(window_.size());
    // Without the final flag, keep a whole longest match of look-ahead.
    const int64_t stop = final ? end : end - MaxMatch;
    while (next_ < stop) {
        const uint32_t ahead = static_cast<uint32_t>(std::min<int64_t>(end - next_, MaxMatch));
        uint32_t bestLength = 0;
        int64_t bestFrom = 0;
        if (ahead >= MinMatch) {
            const uint8_t* here = &window_[static_cast<size_t>(next_ - base_)];
            const uint32_t hash =
                ((uint32_t{here[0]} << 10) ^ (uint32_t{here[1]} << 5) ^ here[2]) & ((1u << HashBits) - 1);
            int64_t candidate = head_[hash];
            for (int tries = 0; tries < ChainLimit && candidate >= 0 && next_ - candidate <= WindowSize &&
                                candidate >= base_;
                 ++tries) {
                const uint8_t* there = &window_[static_cast<size_t>(candidate - base_)];
                uint32_t length = 0;
                while (length < ahead && there[length] == here[length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestFrom = candidate;
                    if (length == ahead) break;
                }
                const int64_t older = prev_[static_cast<size_t>(candidate % WindowSize)];
                if (older >= candidate) break;
                candidate = older;
            }
        }
        if (bestLength >= MinMatch) {
            Match(bestLength, static_cast<uint32_t>(next_ - bestFrom));
            for (uint32_t i = 0; i < bestLength; ++i) {
                if (end - (next_ + i) >= static_cast<int64_t>(MinMatch)) Insert(next_ + i);
            }
            next_ += bestLength;
        } else {
            Literal(window_[static_cast<size_t>(next_ - base_)]);
            if (ahead >= MinMatch) Insert(next_);
            ++next_;
        }
    }
    // Drop history older than the window, in large steps.
    const int64_t keepFrom = next_ - WindowSize;
    if (keepFrom - base_ > 4 * WindowSize) {
        window_.erase(window_.begin(), window_.begin() + (keepFrom - base_));
        base_ = keepFrom;
    }
}

bool DeflateStream::Flush(bool all) {
    if (!ok_) return false;
    if (out_.empty() || (!all && out_.size() < OutputChunk)) return true;
    ok_ = sink_(out_.data(), out_.size());
    out_.clear();
    return ok_;
}

bool DeflateStream::Write(const uint8_t* data, size_t size) {
    if (!ok_) return false;
    for (size_t i = 0; i < size; ++i) {
        adlerA_ += data[i];
        if (adlerA_ >= 65521) adlerA_ -= 65521;
        adlerB_ += adlerA_;
        if (adlerB_ >= 65521) adlerB_ -= 65521;
    }
    window_.insert(window_.end(), data, data + size);
    Compress(false);
    return Flush(false);
}

bool DeflateStream::Finish() {
    if (!ok_) return false;
    Compress(true);
    PutHuffman(0, 7);  // end of block
    if (bitCount_ > 0) PutBits(0, 8 - bitCount_);
    const uint32_t adler = adlerB_ << 16 | adlerA_;
    for (int shift = 24; shift >= 0; shift -= 8) out_.push_back(static_cast<uint8_t>(adler >> shift));
    return Flush(true);
}
