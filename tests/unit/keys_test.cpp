#include <gtest/gtest.h>

#include "platform/keys.h"

namespace {

struct KeyCodes {
    unsigned virtualKey;
    uint8_t normal, shift, ctrl, alt;
};

// The BIOS codes, written out independently of the table they check.
constexpr KeyCodes BiosCodes[] = {
    {0x70, 0x3B, 0x54, 0x5E, 0x68}, {0x71, 0x3C, 0x55, 0x5F, 0x69}, {0x72, 0x3D, 0x56, 0x60, 0x6A},
    {0x73, 0x3E, 0x57, 0x61, 0x6B}, {0x74, 0x3F, 0x58, 0x62, 0x6C}, {0x75, 0x40, 0x59, 0x63, 0x6D},
    {0x76, 0x41, 0x5A, 0x64, 0x6E}, {0x77, 0x42, 0x5B, 0x65, 0x6F}, {0x78, 0x43, 0x5C, 0x66, 0x70},
    {0x79, 0x44, 0x5D, 0x67, 0x71}, {0x7A, 0x85, 0x87, 0x89, 0x8B}, {0x7B, 0x86, 0x88, 0x8A, 0x8C},
    {0x24, 0x47, 0x47, 0x77, 0x97},  // Home
    {0x26, 0x48, 0x48, 0x8D, 0x98},  // Up
    {0x21, 0x49, 0x49, 0x84, 0x99},  // Page Up
    {0x25, 0x4B, 0x4B, 0x73, 0x9B},  // Left
    {0x27, 0x4D, 0x4D, 0x74, 0x9D},  // Right
    {0x23, 0x4F, 0x4F, 0x75, 0x9F},  // End
    {0x28, 0x50, 0x50, 0x91, 0xA0},  // Down
    {0x22, 0x51, 0x51, 0x76, 0xA1},  // Page Down
    {0x2D, 0x52, 0x52, 0x92, 0xA2},  // Insert
    {0x2E, 0x53, 0x53, 0x93, 0xA3},  // Delete
};

TEST(KeyTable, GivesTheBiosCodeOfEachKeyInEachModifierState) {
    for (const KeyCodes& k : BiosCodes) {
        EXPECT_EQ(BiosScanCode(k.virtualKey, 0), k.normal) << std::hex << k.virtualKey;
        EXPECT_EQ(BiosScanCode(k.virtualKey, KeyShift), k.shift) << std::hex << k.virtualKey;
        EXPECT_EQ(BiosScanCode(k.virtualKey, KeyCtrl), k.ctrl) << std::hex << k.virtualKey;
        EXPECT_EQ(BiosScanCode(k.virtualKey, KeyAlt), k.alt) << std::hex << k.virtualKey;
    }
}

TEST(KeyTable, AltWinsOverCtrlAndCtrlOverShift) {
    EXPECT_EQ(BiosScanCode(VkF1, KeyAlt | KeyCtrl | KeyShift), 0x68);
    EXPECT_EQ(BiosScanCode(VkF1, KeyAlt | KeyShift), 0x68);
    EXPECT_EQ(BiosScanCode(VkF1, KeyCtrl | KeyShift), 0x5E);
    EXPECT_EQ(BiosScanCode(VkUp, KeyCtrl | KeyShift), 0x8D);
}

TEST(KeyTable, ModifiersAloneAndUnknownKeysHaveNoCode) {
    for (unsigned key : {unsigned{VkShift}, unsigned{VkControl}, unsigned{VkMenu}, 0x41u, 0x7Cu, 0u, 0x1FFu}) {
        EXPECT_EQ(BiosScanCode(key, 0), NoScanCode) << std::hex << key;
        EXPECT_EQ(BiosScanCode(key, KeyShift), NoScanCode) << std::hex << key;
    }
}

TEST(KeyTable, KeyReadCodesGiveTheCharacterOrThePrefixAndTheCode) {
    int codes[2] = {-99, -99};
    ASSERT_EQ(KeyReadCodes({true, 'y', 0, KeyAlt}, codes), 1u);
    EXPECT_EQ(codes[0], 'y');
    ASSERT_EQ(KeyReadCodes({true, 0xE9, 0, 0}, codes), 1u);
    EXPECT_EQ(codes[0], -23);  // a signed byte
    ASSERT_EQ(KeyReadCodes({false, 0, VkF12, KeyCtrl}, codes), 2u);
    EXPECT_EQ(codes[0], 0);
    EXPECT_EQ(codes[1], 0x8A);
    // A character 0 is no character: it would read as the extended prefix.
    ASSERT_EQ(KeyReadCodes({true, 0, VkHome, 0}, codes), 2u);
    EXPECT_EQ(codes[1], 0x47);
    EXPECT_EQ(KeyReadCodes({true, 0, 0, 0}, codes), 0u);
    EXPECT_EQ(KeyReadCodes({false, 0, VkShift, KeyShift}, codes), 0u);
}

}  // namespace
