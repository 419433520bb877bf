// The generator whose output scrambles the embedded update images. XOR with
// the same keystream undoes itself, so one operation serves the updater, which
// unscrambles, and the image tool, which scrambles.
#pragma once

#include <cstddef>
#include <cstdint>

enum : uint32_t {
    ImageKeystreamSeed = 52817,             // the same for both images
    ImageKeystreamMultiplier = 0x015A4E35,  // 22,695,477
};

// A linear congruential generator. A plain value rather than one
// process-wide state, so that every user seeds its own and no load can
// disturb another.
struct ImageKeystream {
    uint32_t state;
};

// The state becomes `seed`; the first output after it is dropped.
void SeedImageKeystream(ImageKeystream* keystream, uint32_t seed);

// Steps the state and returns bits 16-30 of the new state (0 to 32,767).
uint16_t NextImageKeystreamOutput(ImageKeystream* keystream);

// XORs the low byte of each output, from a fresh seeding with
// ImageKeystreamSeed, into bytes[0..count-1] in rising order.
void ApplyImageKeystream(uint8_t* bytes, size_t count);
