// Hostile callers: every exported function of libvokari, called in any order
// with arbitrary arguments (lengths, counts, strides, offsets, paths, null
// pointers) against the simulated recorder. Buffers are exactly as large as
// the header says the call fills, so that any overrun is a sanitizer report.
// Beyond not crashing, a call must keep its documented promises: results are
// 0 or 1, arguments it cannot use send nothing, a count of 0 sends nothing
// and succeeds, discovery hands out well-formed paths, no drive stays open.
//
// Input: one byte of setup (recorder slot and shape, a failing command), then
// calls, each a byte choosing the function and then its arguments.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "device/device_state.h"
#include "sim/sim.h"
#include "tests/fuzz/fuzz_input.h"
#include "vokari/vkr.h"

namespace {

// Large page transfers are cut to this many bytes of buffer: the arguments
// stay arbitrary, the memory a run may take does not.
constexpr size_t BufferLimit = 1 << 20;

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::abort();
}

// Heap memory of exactly `size` bytes (new[] of 0 is still a pointer, to
// nothing), so that the sanitizer sees a single byte too many.
struct ExactBuffer {
    explicit ExactBuffer(size_t size) : bytes(new uint8_t[size]()) {}
    uint8_t* get() { return bytes.get(); }
    std::unique_ptr<uint8_t[]> bytes;
};

void ExpectResult(int64_t result) {
    if (result != 0 && result != 1) Finding("a result other than 0 or 1");
}

// A call that must not reach the drive.
template <typename Call>
void ExpectNothingSent(int64_t expected, Call call, const char* what) {
    uint64_t before = SimCommandCount();
    if (call() != expected || SimCommandCount() != before) Finding(what);
}

struct Shape {
    SimFlashGeometry flash;
    uint32_t sectorSize;
};
const Shape Shapes[8] = {
    {{1, 2048, 64, 2048}, 512}, {{1, 2048, 64, 2048}, 4096}, {{1, 16, 4, 0}, 512},
    {{1, 16, 4, 65535}, 1},     {{0, 0, 0, 0}, 0},           {{1, 2048, 64, 2048}, 3},
    {{255, 65535, 255, 512}, 0x10000}, {{1, 1, 1, 1}, 70000},
};

void Start(uint8_t setup, FuzzInput* in) {
    SimOptions options;
    SimDefaultOptions(&options);
    options.drive = setup % 11 == 10 ? SimNoSlot : setup % 11;
    const Shape& shape = Shapes[setup / 11 % 8];
    options.flashGiven = options.sectorSizeGiven = true;
    options.flash = shape.flash;
    options.sectorSize = shape.sectorSize;
    if (setup >= 176) {
        options.failCommand = TakeByte(in);
        options.failCommandCount = TakeByte(in);
    }
    char error[128];
    if (!SimStart(options, error, sizeof error)) Finding(error);
    if (SimSlot* foreign = SimSlotAt(TakeByte(in) % SimSlotCount); foreign && foreign->kind == SlotEmpty) {
        foreign->kind = SlotForeignDisk;
        std::memcpy(foreign->inquiry, SimForeignInquiry, sizeof foreign->inquiry);
    }
    DeviceResetState();
}

// The page size and sector size the library works with, as a caller learns them.
uint32_t PageSize() {
    uint8_t params[12];
    Vkr_GetFlashParams(params);
    return params[9] | params[10] << 8;
}

// `units` of `unitSize` bytes, cut down to fit the buffer limit.
uint32_t FittingCount(uint32_t units, uint64_t unitSize) {
    if (unitSize == 0 || units * unitSize <= BufferLimit) return units;
    return static_cast<uint32_t>(BufferLimit / unitSize);
}

void CallExecute(FuzzInput* in) {
    const auto direction = static_cast<int32_t>(TakeU32(in));
    const uint8_t flags = TakeByte(in);
    uint8_t cdb[16];
    TakeBytes(in, cdb, sizeof cdb);
    uint32_t length = TakeVarint(in) % (BufferLimit + 1);
    if ((flags & 1) != 0) {
        ExpectNothingSent(0, [&] { return Execute_SCSI_Cmd(direction, nullptr, nullptr, 0); },
                          "Execute_SCSI_Cmd sent a command without a command block");
        return;
    }
    if ((flags & 2) != 0 && length != 0) {
        ExpectNothingSent(0, [&] { return Execute_SCSI_Cmd(direction, cdb, nullptr, length); },
                          "Execute_SCSI_Cmd sent a command with nowhere for its data");
        return;
    }
    std::vector<uint8_t> data(length);
    ExpectResult(Execute_SCSI_Cmd(direction, cdb, length != 0 ? data.data() : nullptr, length));
}

void CallGetDevices(FuzzInput* in) {
    if (TakeByte(in) % 8 == 0) {
        ExpectNothingSent(0, [] { return Vkr_GetDevices(nullptr); }, "Vkr_GetDevices(null) sent commands");
        return;
    }
    char* list[9] = {};
    int32_t count = Vkr_GetDevices(list);
    if (count < 0 || count > 9) Finding("Vkr_GetDevices counted more drives than there are");
    for (int32_t i = 0; i < count; ++i) {
        if (list[i] == nullptr || strnlen(list[i], 19) == 19) Finding("Vkr_GetDevices listed a bad path");
        delete[] list[i];
    }
}

void CallIsConnected(FuzzInput* in) {
    const uint8_t kind = TakeByte(in) % 4;
    if (kind == 0) {
        ExpectNothingSent(0, [] { return Vkr_IsConnected(nullptr); }, "Vkr_IsConnected(null) sent commands");
        return;
    }
    if (kind == 1) {
        char* found = nullptr;
        int32_t result = Vkr_IsConnected(&found);
        ExpectResult(result);
        if ((result != 0) != (found != nullptr)) Finding("Vkr_IsConnected's result and path disagree");
        std::free(found);
        return;
    }
    // A path of the caller's making, in a buffer of exactly its length.
    size_t length = TakeByte(in) % 40;
    std::vector<char> path(length + 1);
    TakeBytes(in, path.data(), length);
    path[length] = '\0';
    if (kind == 3) {  // the common form, with the digit from the input
        std::snprintf(path.data(), path.size(), "\\\\.\\PHYSICALDRIVE%d", TakeByte(in) % 12);
    }
    char* given = path.data();
    if (strlen(given) > 18) {
        ExpectNothingSent(0, [&] { return Vkr_IsConnected(&given); }, "Vkr_IsConnected sent a path too long");
    } else {
        ExpectResult(Vkr_IsConnected(&given));
    }
    if (given != path.data()) Finding("Vkr_IsConnected replaced a path it was given");
}

void CallPages(uint8_t which, FuzzInput* in) {
    const uint32_t page = TakeU32(in);
    const uint8_t flags = TakeByte(in);
    uint32_t count = TakeU16(in);
    const uint32_t pageSize = PageSize();
    const uint32_t sector = static_cast<uint32_t>(Vkr_GetSectorSize());
    // What the call fills or sends: whole sectors of each page when reading.
    const bool reading = which == 0;
    const uint64_t unit = reading ? (sector == 0 ? 0 : uint64_t{pageSize} / sector * sector) : pageSize;
    count = FittingCount(count, unit);
    ExactBuffer buffer(count * unit);
    uint8_t* data = (flags & 1) != 0 ? nullptr : buffer.get();
    const auto pages = static_cast<uint16_t>(count);
    auto call = [&]() -> int64_t {
        return reading ? Vkr_ReadPages(page, data, pages) : Vkr_WritePages(page, data, pages);
    };
    if (count == 0)
        ExpectNothingSent(1, call, "a page transfer of 0 pages sent commands or failed");
    else if (data == nullptr)
        ExpectNothingSent(0, call, "a page transfer without a buffer sent commands");
    else if (unit == 0 || (reading && pageSize < sector))
        ExpectNothingSent(0, call, "a page transfer with no whole unit to move sent commands");
    else
        ExpectResult(call());
}

void CallReadParts(FuzzInput* in) {
    const uint32_t page = TakeU32(in);
    const uint8_t flags = TakeByte(in);
    uint32_t count = TakeU16(in);
    const uint16_t offset = TakeU16(in), length = TakeU16(in), stride = TakeU16(in);
    count = FittingCount(count, length);
    ExactBuffer buffer(size_t{count} * length);
    uint8_t* data = (flags & 1) != 0 ? nullptr : buffer.get();
    auto call = [&]() -> int64_t {
        return Vkr_ReadPartsOfPages(page, static_cast<uint16_t>(count), offset, length, stride, data);
    };
    if (count == 0)
        ExpectNothingSent(1, call, "a part read of 0 parts sent commands or failed");
    else if (data == nullptr || length == 0)
        ExpectNothingSent(0, call, "a part read that cannot go out sent commands");
    else
        ExpectResult(call());
}

// I2C transfers; the two halves of Vkr_SendReceiveI2C may share one buffer.
void CallI2C(uint8_t which, FuzzInput* in) {
    const uint8_t flags = TakeByte(in);
    const uint8_t sendLength = TakeByte(in), receiveLength = TakeByte(in);
    const bool shared = (flags & 4) != 0;
    ExactBuffer send(shared && receiveLength > sendLength ? receiveLength : sendLength);
    ExactBuffer receive(receiveLength);
    TakeBytes(in, send.get(), sendLength);
    uint8_t* sendBuffer = (flags & 1) != 0 ? nullptr : send.get();
    uint8_t* receiveBuffer = (flags & 2) != 0 ? nullptr : shared ? send.get() : receive.get();
    const bool sendUnusable = sendLength > 64 || (sendBuffer == nullptr && sendLength != 0);
    const bool receiveUnusable = receiveLength > 64 || (receiveBuffer == nullptr && receiveLength != 0);
    switch (which) {
        case 0:
            if (sendUnusable)
                ExpectNothingSent(0, [&] { return Vkr_SendI2C(sendBuffer, sendLength); },
                                  "Vkr_SendI2C sent what it cannot");
            else
                ExpectResult(Vkr_SendI2C(sendBuffer, sendLength));
            return;
        case 1:
            if (receiveUnusable)
                ExpectNothingSent(0, [&] { return Vkr_ReceiveI2C(receiveBuffer, receiveLength); },
                                  "Vkr_ReceiveI2C sent what it cannot");
            else
                ExpectResult(Vkr_ReceiveI2C(receiveBuffer, receiveLength));
            return;
        default:
            ExpectResult(Vkr_SendReceiveI2C(sendBuffer, sendLength, receiveBuffer, receiveLength));
            return;
    }
}

void CallOne(FuzzInput* in) {
    switch (TakeByte(in) % 12) {
        case 0: CallExecute(in); return;
        case 1: CallGetDevices(in); return;
        case 2: CallIsConnected(in); return;
        case 3: Vkr_GetSectorSize(); return;
        case 4: {
            uint8_t params[12];
            Vkr_GetFlashParams(TakeByte(in) % 8 == 0 ? nullptr : params);
            return;
        }
        case 5: CallPages(0, in); return;
        case 6: CallPages(1, in); return;
        case 7: CallReadParts(in); return;
        case 8: ExpectResult(Vkr_EraseBlocks(TakeU32(in), TakeByte(in))); return;
        case 9: CallI2C(0, in); return;
        case 10: CallI2C(1, in); return;
        default: CallI2C(2, in); return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = FuzzInputOf(data, size);
    Start(TakeByte(&input), &input);
    for (int calls = 0; !FuzzInputEmpty(input) && calls < 64; ++calls) {
        CallOne(&input);
        if (SimOpenDriveCount() != 0) Finding("a drive was left open");
    }
    return 0;
}
