// Internal to the simulator: the recorder's flash memory and the commands on
// it (READ(10) and vendor sub-commands 0x01, 0x04, 0x0A). Each returns false
// to end the command in CHECK CONDITION.
#pragma once

#include <cstdint>

struct SimOptions;

void SimFlashReset(const SimOptions& options);

// READ(10) in sectors of `blockLength` bytes: the block length the drive
// reports, which tests may change on the slot after start-up.
bool SimFlashRead10(uint32_t blockLength, const uint8_t* cdb, uint8_t* data, uint32_t length,
                    uint32_t* bytesIn);
bool SimFlashWritePages(const uint8_t* cdb, const uint8_t* data, uint32_t length);
bool SimFlashReadParts(const uint8_t* cdb, uint8_t* data, uint32_t length, uint32_t* bytesIn);
bool SimFlashErase(const uint8_t* cdb);

// The erase counts above zero and the written pages, in ascending order,
// without allocating (the state file is also saved from a signal handler).
void SimFlashVisitErased(void (*visit)(uint32_t block, uint32_t count));
void SimFlashVisitPages(void (*visit)(uint32_t page, const uint8_t* data));

// Told of every page written (page true, its number) and every block erased
// (page false, the block's number), as it happens. SimFlashReset clears it.
using SimFlashChangeWatcher = void (*)(bool page, uint32_t index);
void SimFlashWatchChanges(SimFlashChangeWatcher watcher);
