#include "app/erase_user_data.h"

#include <cstdint>
#include <cstdio>

#include "app/messages.h"
#include "device/flash_params.h"
#include "vokari/vkr.h"

namespace {

enum : uint32_t {
    ProtectedBytes = 64u << 20,  // the start of the flash that the erase leaves alone
    BlocksPerCommand = 64,
};

}  // namespace

bool EraseUserData() {
    FlashParams params{};
    Vkr_GetFlashParams(&params);
    const uint32_t pageSize = FlashPageSize(params);
    const uint32_t pagesPerBlock = params.pagesPerBlock;
    // Without all of these there is nothing to locate the blocks by (and
    // nothing to divide by). The line that "Erasing memory" began still says
    // how it ended.
    if (params.unitCount == 0 || pageSize == 0 || pagesPerBlock == 0) {
        std::printf("%s", msg::ProgressFailed);
        return false;
    }

    // Divisions drop their remainders: the protected blocks are the whole
    // blocks below the first page to erase, and the first command starts at
    // that page itself, even inside a block.
    uint32_t pageAddress = ProtectedBytes / pageSize;
    const uint32_t protectedBlocks = pageAddress / pagesPerBlock;
    const uint32_t totalBlocks = uint32_t{params.unitCount} * FlashBlocksPerUnit(params);
    // A flash no larger than the protected area has nothing to erase.
    uint32_t remaining = totalBlocks > protectedBlocks ? totalBlocks - protectedBlocks : 0;

    // A failed batch does not stop the others: the more of the data area is
    // erased the better, but the line must not end in "OK".
    bool allErased = true;
    while (remaining > 0) {
        std::printf("%s", msg::ProgressMark);
        uint32_t batch = remaining < BlocksPerCommand ? remaining : BlocksPerCommand;
        if (!Vkr_EraseBlocks(pageAddress, static_cast<uint8_t>(batch))) allErased = false;
        remaining -= batch;
        pageAddress += pagesPerBlock * batch;
    }
    std::printf("%s", allErased ? msg::ProgressOk : msg::ProgressFailed);
    return allErased;
}
