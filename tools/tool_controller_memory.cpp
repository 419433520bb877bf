#include "tools/tool_controller_memory.h"

#include "controller/commands.h"
#include "tools/tool_progress.h"

bool ReadControllerRange(uint32_t start, uint32_t length, uint8_t* destination, uint64_t progressBase,
                         uint32_t* failedAt) {
    for (uint32_t done = 0; done < length;) {
        uint32_t part = length - done < uint32_t{ReadMemoryLimit} ? length - done : uint32_t{ReadMemoryLimit};
        if (!ReadMemory(static_cast<uint16_t>(start + done), static_cast<uint8_t>(part), destination + done)) {
            *failedAt = start + done;
            return false;
        }
        done += part;
        ProgressUpdate(progressBase + done);
    }
    return true;
}
