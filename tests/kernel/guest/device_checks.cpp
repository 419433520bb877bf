// The device layer on a real kernel: Execute_SCSI_Cmd, Vkr_IsConnected and
// Vkr_GetDevices through the Linux drive layer, against the disk at sg0.
#include <scsi/sg.h>

#include <cstdio>
#include <cstring>

#include "device/device_state.h"
#include "platform/drive.h"
#include "tests/kernel/guest/guest_check.h"
#include "tests/kernel/guest/kernel_record.h"
#include "vokari/vkr.h"

namespace {

constexpr uint8_t CheckCondition = 0x02;
constexpr unsigned short DriverSense = 0x08;

bool PatternHolds(const uint8_t* data, uint32_t firstBlock, uint32_t blocks) {
    for (uint32_t b = 0; b < blocks; ++b)
        for (uint32_t i = 0; i < DiskBlockSize; ++i)
            if (data[b * DiskBlockSize + i] != PatternByte(firstBlock + b, i)) return false;
    return true;
}

void Read10Cdb(uint8_t* cdb, uint8_t opcode, uint32_t lba, uint16_t blocks) {
    std::memset(cdb, 0, 16);
    cdb[0] = opcode;
    cdb[2] = static_cast<uint8_t>(lba >> 24);
    cdb[3] = static_cast<uint8_t>(lba >> 16);
    cdb[4] = static_cast<uint8_t>(lba >> 8);
    cdb[5] = static_cast<uint8_t>(lba);
    cdb[7] = static_cast<uint8_t>(blocks >> 8);
    cdb[8] = static_cast<uint8_t>(blocks);
}

// The one SG_IO of the last transport call, as the kernel answered it.
const SgCall* OnlySgCall() { return RecordedSgCount == 1 ? &RecordedSg[0] : nullptr; }

void Describe(const char* what, const SgCall& call) {
    std::printf("kernel: %s: status 0x%02x host_status 0x%04x driver_status 0x%04x resid %d "
                "sense %u bytes",
                what, call.status, call.hostStatus, call.driverStatus, call.resid,
                call.senseWritten);
    for (unsigned i = 0; i < call.senseWritten && i < 18; ++i) std::printf(" %02x", call.sense[i]);
    std::printf("\n");
}

// A call that the transport reports with `expected`, and that reached the
// kernel as one SG_IO with all 16 CDB bytes, the direction and the length.
const SgCall* Send(const char* what, int32_t direction, const uint8_t* cdb, void* data,
                   uint32_t length, int expected, int kernelDirection) {
    ResetRecordedCalls();
    int result = Execute_SCSI_Cmd(direction, cdb, data, length);
    bool asExpected =
        Check(result == expected, "%s: Execute_SCSI_Cmd returns %d (got %d)", what, expected, result);
    const SgCall* call = OnlySgCall();
    if (!Check(call != nullptr, "%s: one SG_IO (got %d)", what, RecordedSgCount)) return nullptr;
    if (!asExpected) Describe(what, *call);
    Check(call->result == 0 && call->cmdLength == 16 && std::memcmp(call->cdb, cdb, 16) == 0 &&
              call->timeoutMs == 2000,
          "%s: the kernel took all 16 CDB bytes with a 2 s timeout", what);
    Check(call->dxferDirection == kernelDirection && call->dxferLength == length,
          "%s: sent as direction %d with %u bytes (got %d, %u)", what, kernelDirection, length,
          call->dxferDirection, call->dxferLength);
    return call;
}

void CheckStandardCommands(const TransportResid& resid) {
    char node[] = "/dev/sg0";
    char* path = node;
    ResetRecordedCalls();
    Check(Vkr_IsConnected(&path) == 0 && path == node && std::strcmp(DevicePath, node) == 0,
          "Vkr_IsConnected(\"/dev/sg0\"): no recorder, the path kept as the current drive");
    Check(RecordedOpenCount == 1 && RecordedOpens[0].fd >= 0 && RecordedSgCount == 1 &&
              RecordedSg[0].cdb[0] == 0x12 && RecordedSg[0].status == 0,
          "the probe opened /dev/sg0 and stopped after one INQUIRY the disk answered");

    uint8_t inquiry[16] = {0x12, 0, 0, 0, 96};
    uint8_t answer[96] = {};
    if (const SgCall* call = Send("INQUIRY", VKR_DATA_IN, inquiry, answer, sizeof answer, 1,
                                  SG_DXFER_FROM_DEV)) {
        Check(std::memcmp(answer + 8, "QEMU    QEMU HARDDISK   ", 24) == 0,
              "INQUIRY: the disk's vendor and product came back");
        int supplied = answer[4] + 5;
        Check(call->resid == static_cast<int>(sizeof answer) - supplied,
              "INQUIRY: the kernel counts %d of 96 bytes as not moved (resid %d)",
              static_cast<int>(sizeof answer) - supplied, call->resid);
    }

    uint8_t capacityCdb[16] = {0x25};
    uint8_t capacity[8] = {};
    if (Send("READ CAPACITY(10)", VKR_DATA_IN, capacityCdb, capacity, sizeof capacity, 1,
             SG_DXFER_FROM_DEV)) {
        uint32_t lastBlock = uint32_t{capacity[0]} << 24 | uint32_t{capacity[1]} << 16 |
                             uint32_t{capacity[2]} << 8 | capacity[3];
        uint32_t blockLength = uint32_t{capacity[4]} << 24 | uint32_t{capacity[5]} << 16 |
                               uint32_t{capacity[6]} << 8 | capacity[7];
        Check(lastBlock == DiskBlocks - 1 && blockLength == DiskBlockSize,
              "READ CAPACITY(10): last block %u, block length %u", lastBlock, blockLength);
    }

    static uint8_t data[4096];
    uint8_t read10[16];
    Read10Cdb(read10, 0x28, 5, 2);
    std::memset(data, 0, sizeof data);
    if (const SgCall* call = Send("READ(10) of blocks 5-6", VKR_DATA_IN, read10, data,
                                  2 * DiskBlockSize, 1, SG_DXFER_FROM_DEV)) {
        Check(PatternHolds(data, 5, 2) && call->resid == 0,
              "READ(10): blocks 5-6 hold the disk's pattern, all 1024 bytes moved");
    }

    // One block asked for, room for eight: a short transfer is a success.
    Read10Cdb(read10, 0x28, 9, 1);
    std::memset(data, 0, sizeof data);
    if (const SgCall* call = Send("READ(10) into a larger buffer", VKR_DATA_IN, read10, data,
                                  sizeof data, 1, SG_DXFER_FROM_DEV)) {
        Check(PatternHolds(data, 9, 1), "short READ(10): block 9 arrived");
        Check(call->resid == resid.shortRead, "short READ(10): the kernel reports resid %d (got %d)",
              resid.shortRead, call->resid);
    }
}

void CheckDataOutAndNoData(const TransportResid& resid) {
    // Data out: a block written through the transport is there when read back.
    static uint8_t block[DiskBlockSize];
    for (uint32_t i = 0; i < DiskBlockSize; ++i) block[i] = static_cast<uint8_t>(0xA5 ^ i);
    uint8_t cdb[16];
    Read10Cdb(cdb, 0x2A, 100, 1);
    if (const SgCall* call = Send("WRITE(10) of block 100", VKR_DATA_OUT, cdb, block,
                                  sizeof block, 1, SG_DXFER_TO_DEV))
        Check(call->status == 0 && call->resid == 0, "WRITE(10): the kernel moved all 512 bytes");
    static uint8_t back[DiskBlockSize];
    Read10Cdb(cdb, 0x28, 100, 1);
    if (Send("READ(10) of block 100", VKR_DATA_IN, cdb, back, sizeof back, 1, SG_DXFER_FROM_DEV))
        Check(std::memcmp(block, back, sizeof block) == 0, "block 100 holds what was written");

    // The vendor frame with data out: the disk refuses it, the request itself
    // is carried out and ends in CHECK CONDITION.
    uint8_t vendorOut[16] = {0xC8, 0x01, 0, 0, 0, 0, 0, 0, 1};
    if (const SgCall* call = Send("vendor 0xC8 0x01 with 512 bytes out", VKR_DATA_OUT, vendorOut,
                                  block, sizeof block, 0, SG_DXFER_TO_DEV)) {
        Describe("0xC8 data-out", *call);
        Check(call->status == CheckCondition && call->hostStatus == 0 &&
                  call->driverStatus == DriverSense && (call->sense[2] & 0x0F) == 0x05,
              "0xC8 data-out: CHECK CONDITION, ILLEGAL REQUEST, no host or driver error");
        Check(call->resid == resid.rejectedDataOut, "0xC8 data-out: resid %d (got %d)",
              resid.rejectedDataOut, call->resid);
    }

    uint8_t vendorIn[16] = {0xC8, 0x00};
    uint8_t geometry[12];
    if (const SgCall* call = Send("vendor 0xC8 0x00 with 12 bytes in", VKR_DATA_IN, vendorIn,
                                  geometry, sizeof geometry, 0, SG_DXFER_FROM_DEV))
        Describe("0xC8 data-in", *call);

    // No data phase: direction 0, a null buffer and a length of 0.
    uint8_t testUnitReady[16] = {0x00};
    if (const SgCall* call = Send("TEST UNIT READY without data", VKR_DATA_OUT, testUnitReady,
                                  nullptr, 0, 1, SG_DXFER_NONE))
        Check(call->status == 0 && call->hostStatus == 0 && call->driverStatus == 0 &&
                  call->resid == 0,
              "TEST UNIT READY: GOOD, no host or driver status, resid 0");
    uint8_t erase[16] = {0xC8, 0x0A, 0, 0, 0, 0, 0, 0, 1};
    if (const SgCall* call = Send("vendor 0xC8 0x0A without data", VKR_DATA_OUT, erase, nullptr,
                                  0, 0, SG_DXFER_NONE)) {
        Describe("0xC8 no data", *call);
        Check(call->status == CheckCondition && call->hostStatus == 0 &&
                  call->driverStatus == DriverSense && call->resid == 0,
              "0xC8 without data: CHECK CONDITION, no host or driver error, resid 0");
    }
}

void CheckAbsentDrive() {
    char absent[] = "\\\\.\\PHYSICALDRIVE7";
    char* path = absent;
    ResetRecordedCalls();
    Check(Vkr_IsConnected(&path) == 0, "Vkr_IsConnected(PHYSICALDRIVE7): no drive");
    uint8_t inquiry[16] = {0x12};
    uint8_t answer[36];
    Check(Execute_SCSI_Cmd(VKR_DATA_IN, inquiry, answer, sizeof answer) == 0,
          "Execute_SCSI_Cmd to PHYSICALDRIVE7 returns 0");
    Check(RecordedOpenCount == 2 && RecordedSgCount == 0 &&
              std::strcmp(RecordedOpens[1].path, "/dev/sg7") == 0 && RecordedOpens[1].fd < 0,
          "both calls failed at the open of /dev/sg7 and sent nothing");
    Check(DriveCheckAccess(absent) == DriveAbsent, "DriveCheckAccess(PHYSICALDRIVE7): absent");
    Check(DriveCheckAccess("\\\\.\\PHYSICALDRIVE0") == DriveOpened,
          "DriveCheckAccess(PHYSICALDRIVE0) as root: opens");
}

void CheckScan() {
    char* list[9];
    char sentinel[] = "untouched";
    for (char*& entry : list) entry = sentinel;
    long before = DiskRequestCount();
    ResetRecordedCalls();
    int32_t count = Vkr_GetDevices(list);
    long after = DiskRequestCount();
    bool untouched = true;
    for (char* entry : list) untouched = untouched && entry == sentinel;
    Check(count == 0 && untouched, "Vkr_GetDevices: no recorder, the list untouched");
    Check(std::strcmp(DevicePath, "\\\\.\\PHYSICALDRIVE8") == 0, "the scan ends on drive 8");

    bool opens = RecordedOpenCount == 9 && RecordedOpens[0].fd >= 0;
    for (int i = 1; i < RecordedOpenCount && i < 9; ++i) {
        char node[16];
        std::snprintf(node, sizeof node, "/dev/sg%d", i);
        opens = opens && std::strcmp(RecordedOpens[i].path, node) == 0 && RecordedOpens[i].fd < 0;
    }
    Check(opens, "the scan opened /dev/sg0 and failed to open /dev/sg1 to /dev/sg8");
    const SgCall* call = OnlySgCall();
    uint8_t inquiry[16] = {0x12};
    Check(call != nullptr && std::memcmp(call->cdb, inquiry, 16) == 0 &&
              call->dxferDirection == SG_DXFER_FROM_DEV && call->dxferLength == 2048 &&
              call->status == 0,
          "the scan sent one INQUIRY (allocation length 0, 2048-byte buffer) to sg0");
    Check(before >= 0 && after - before == 1, "the kernel handed the disk %ld command(s)",
          after - before);
}

}  // namespace

void CheckDeviceLayer(const TransportResid& transport) {
    CheckStandardCommands(transport);
    CheckDataOutAndNoData(transport);
    CheckAbsentDrive();
    CheckScan();
}
