// Reading the trace file that vokari-update-sim --trace writes: one JSON
// object per line, one line per SCSI command or failed drive open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TraceLine {
    uint64_t t = 0;
    std::string path;
    bool opened = true;  // false: "open":false, no command was sent
    std::string cdb;     // 32 lowercase hex digits
    int dir = -1;
    uint32_t len = 0;
    std::string out;  // hex
    std::string in;   // hex
    int result = -1;
};

// Reads every line of the file at `path` into `lines`. False, with the line
// number and what was wrong in `error`, on a line that is not such a record
// or a file that cannot be read.
bool ReadTraceFile(const std::string& path, std::vector<TraceLine>* lines, std::string* error);
