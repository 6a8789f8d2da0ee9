// A small streaming deflate compressor with a zlib wrapper, for the lossless
// pages of twscan's PDF files: LZ77 over a 32 KB window, coded with the fixed
// Huffman tables in one block. Bilevel scans, mostly long runs of white,
// shrink well with it; no dictionary or dynamic tables are needed.
// Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class DeflateStream {
   public:
    // 'sink' receives the compressed bytes in pieces; it returns false to stop
    // (a write error), which every later call then reports.
    using Sink = std::function<bool(const uint8_t* data, size_t size)>;
    explicit DeflateStream(Sink sink);

    bool Write(const uint8_t* data, size_t size);
    // Codes what is left, the end of the block and the checksum.
    bool Finish();

   private:
    void Compress(bool final);
    void PutBits(uint32_t bits, int count);
    void PutHuffman(uint32_t code, int length);
    void Literal(uint8_t byte);
    void Match(uint32_t length, uint32_t distance);
    void Insert(int64_t position);
    bool Flush(bool all);

    Sink sink_;
    bool ok_ = true;
    std::vector<uint8_t> window_;  // history and input not yet coded
    int64_t base_ = 0;             // stream position of window_[0]
    int64_t next_ = 0;             // stream position of the next byte to code
    std::vector<int64_t> head_;
    std::vector<int64_t> prev_;
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    std::vector<uint8_t> out_;
    uint32_t adlerA_ = 1;
    uint32_t adlerB_ = 0;
};
