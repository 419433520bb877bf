#include "images/image_keystream.h"

void SeedImageKeystream(ImageKeystream* keystream, uint32_t seed) {
    keystream->state = seed;
    NextImageKeystreamOutput(keystream);
}

uint16_t NextImageKeystreamOutput(ImageKeystream* keystream) {
    // Unsigned arithmetic wraps modulo 2^32, which is the generator's modulus.
    keystream->state = keystream->state * ImageKeystreamMultiplier + 1u;
    return static_cast<uint16_t>(keystream->state >> 16 & 0x7FFFu);
}

void ApplyImageKeystream(uint8_t* bytes, size_t count) {
    if (bytes == nullptr) return;
    ImageKeystream keystream;
    SeedImageKeystream(&keystream, ImageKeystreamSeed);
    for (size_t i = 0; i < count; ++i) bytes[i] ^= static_cast<uint8_t>(NextImageKeystreamOutput(&keystream));
}
