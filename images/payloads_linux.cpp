// The two scrambled payloads, linked into the program as read-only data and
// listed by the names the updater asks for. The assembler copies the files in
// byte for byte (.incbin), so the program carries exactly what the repository
// holds; the paths come from the build (VKR_FWC_PATH, VKR_BRC_PATH).
#include "platform/linux/embedded_resources.h"

// The symbols are hidden, like every name the program does not export.
#define VKR_EMBED(symbol, path)   \
    ".globl " symbol "_begin\n"   \
    ".hidden " symbol "_begin\n"  \
    ".globl " symbol "_end\n"     \
    ".hidden " symbol "_end\n"    \
    ".balign 16\n"                \
    symbol "_begin:\n"            \
    ".incbin \"" path "\"\n"      \
    symbol "_end:\n"

asm(".pushsection .rodata.vkr_payloads, \"a\", @progbits\n"
    VKR_EMBED("vkr_fwc", VKR_FWC_PATH)
    VKR_EMBED("vkr_brc", VKR_BRC_PATH)
    ".popsection\n");

#define VKR_HIDDEN __attribute__((visibility("hidden")))
extern "C" VKR_HIDDEN const unsigned char vkr_fwc_begin[], vkr_fwc_end[];
extern "C" VKR_HIDDEN const unsigned char vkr_brc_begin[], vkr_brc_end[];

const EmbeddedResource EmbeddedResources[] = {
    {"FWC", vkr_fwc_begin, vkr_fwc_end},
    {"BRC", vkr_brc_begin, vkr_brc_end},
};
const size_t EmbeddedResourceCount = sizeof EmbeddedResources / sizeof EmbeddedResources[0];
