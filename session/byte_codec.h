#pragma once
// Little-endian writer and bounded reader for the blobs the session store
// keeps. A reader that runs short, or meets a count larger than its limit or
// than the bytes left, turns not ok and allocates nothing for it.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class ByteWriter {
  public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U32(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(uint8_t(v >> shift));
    }
    void I32(int v) { U32(static_cast<uint32_t>(v)); }
    void Text(const std::string& text) {
        U32(static_cast<uint32_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
    }
    void Pixels(const std::vector<uint16_t>& pixels) {
        U32(static_cast<uint32_t>(pixels.size()));
        const size_t at = bytes_.size();
        bytes_.resize(at + pixels.size() * 2);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        if (!pixels.empty()) std::memcpy(&bytes_[at], pixels.data(), pixels.size() * 2);
#else
        for (size_t i = 0; i < pixels.size(); ++i) {
            bytes_[at + 2 * i] = uint8_t(pixels[i]);
            bytes_[at + 2 * i + 1] = uint8_t(pixels[i] >> 8);
        }
#endif
    }
    void Reserve(size_t n) {
        bytes_.reserve(n);
    }
    std::vector<uint8_t> Take() {
        return std::move(bytes_);
    }

  private:
    std::vector<uint8_t> bytes_;
};

class ByteReader {
  public:
    // A file name is at most a path's length.
    static constexpr uint32_t MAX_TEXT = 4096;

    ByteReader(const uint8_t* bytes, size_t size) : at_(bytes), left_(bytes ? size : 0) {}
    bool ok() const { return ok_; }
    bool AtEnd() const { return left_ == 0; }
    uint8_t U8() { return Take(1) ? at_[-1] : 0; }
    uint32_t U32() {
        if (!Take(4)) return 0;
        const uint8_t* p = at_ - 4;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    int I32() { return static_cast<int>(U32()); }
    // A count no more than `limit`, of entries of at least `entryBytes` each
    // that the bytes left can hold: a damaged count allocates nothing.
    uint32_t Count(uint32_t limit, size_t entryBytes = 0) {
        const uint32_t n = U32();
        if (n > limit || size_t{n} * entryBytes > left_) ok_ = false;
        return ok_ ? n : 0;
    }
    std::string Text() {
        const uint32_t n = Count(MAX_TEXT);
        if (!Take(n)) return {};
        return std::string(reinterpret_cast<const char*>(at_ - n), n);
    }
    std::vector<uint16_t> Pixels(uint32_t limit) {
        const uint32_t n = Count(limit);
        std::vector<uint16_t> pixels;
        if (!Take(size_t{n} * 2)) return pixels;
        const uint8_t* p = at_ - size_t{n} * 2;
        pixels.resize(n);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        if (n) std::memcpy(pixels.data(), p, size_t{n} * 2);
#else
        for (uint32_t i = 0; i < n; ++i) pixels[i] = uint16_t(p[2 * i] | p[2 * i + 1] << 8);
#endif
        return pixels;
    }

  private:
    bool Take(size_t n) {
        if (!ok_ || n > left_) {
            ok_ = false;
            return false;
        }
        at_ += n;
        left_ -= n;
        return true;
    }
    const uint8_t* at_;
    size_t left_;
    bool ok_ = true;
};
