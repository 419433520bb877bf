// The fuzzer's bytes, taken from the front as a target needs them. Once they
// run out every take gives zeros, so a short input is still a whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzInput {
    const uint8_t* data;
    size_t size;
    size_t taken;
};

inline FuzzInput FuzzInputOf(const uint8_t* data, size_t size) { return FuzzInput{data, size, 0}; }

inline bool FuzzInputEmpty(const FuzzInput& in) { return in.taken >= in.size; }

inline uint8_t TakeByte(FuzzInput* in) { return FuzzInputEmpty(*in) ? 0 : in->data[in->taken++]; }

inline uint16_t TakeU16(FuzzInput* in) {
    uint16_t low = TakeByte(in);
    return static_cast<uint16_t>(low | TakeByte(in) << 8);
}

inline uint32_t TakeU32(FuzzInput* in) {
    uint32_t low = TakeU16(in);
    return low | uint32_t{TakeU16(in)} << 16;
}

// Little-endian base-128, at most five bytes: small counts cost one byte.
inline uint32_t TakeVarint(FuzzInput* in) {
    uint32_t value = 0;
    for (int shift = 0; shift < 35; shift += 7) {
        uint8_t b = TakeByte(in);
        value |= uint32_t{b & 0x7Fu} << shift;
        if ((b & 0x80) == 0) break;
    }
    return value;
}

// Copies up to `count` bytes; the rest of `destination` gets zeros.
inline void TakeBytes(FuzzInput* in, void* destination, size_t count) {
    size_t left = in->size - (in->taken < in->size ? in->taken : in->size);
    size_t n = count < left ? count : left;
    if (n != 0) std::memcpy(destination, in->data + in->taken, n);
    if (count > n) std::memset(static_cast<uint8_t*>(destination) + n, 0, count - n);
    in->taken += n;
}
