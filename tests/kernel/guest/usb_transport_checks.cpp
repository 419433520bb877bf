// The Bulk-Only Transport of vokari-usb-recorder under the kernel's
// usb-storage, through the Linux drive layer: the paths a whole update does
// not take. Run in the guest against a recorder started with
// --fail-command 5; prints one line per check and exits 0 when all passed.
//   - --fail-command counts the updater's commands only, never the kernel's;
//   - a phase error (INQUIRY sent as data-out) brings usb-storage's error
//     recovery (it resets the port: the function is disabled and enabled
//     again), after which the recorder answers again;
//   - a refused data-in halts bulk-in, and the sense comes through;
//   - a short data-in of whole packets halts bulk-in, one of a part packet
//     ends with the short packet; either way the residue is right.
#include <cstdio>
#include <cstring>

#include "tests/kernel/guest/guest_check.h"
#include "tests/kernel/guest/kernel_record.h"
#include "vokari/vkr.h"

namespace {

const uint8_t Inquiry[16] = {0x12, 0, 0, 0, 96};

// One Execute_SCSI_Cmd; the kernel's answer to its one SG_IO, or null.
const SgCall* Send(int direction, const uint8_t* cdb, void* data, int length, int* result) {
    ResetRecordedCalls();
    *result = Execute_SCSI_Cmd(direction, cdb, data, length);
    return RecordedSgCount == 1 ? &RecordedSg[0] : nullptr;
}

bool InquiryWorks() {
    uint8_t answer[96];
    int result = 0;
    Send(1, Inquiry, answer, sizeof answer, &result);
    return result == 1 && std::memcmp(answer + 8, "Vexo", 4) == 0;
}

void CheckFailCommandCountsTheUpdatersCommandsOnly(int probeCommands) {
    // Commands 1..probeCommands were the probe's; command 5 fails.
    for (int number = probeCommands + 1; number <= 6; ++number) {
        uint8_t answer[96];
        int result = 0;
        const SgCall* call = Send(1, Inquiry, answer, sizeof answer, &result);
        bool failed = call != nullptr && call->status == 0x02;
        Check(result == (number == 5 ? 0 : 1) && failed == (number == 5),
              "updater command %d %s (the kernel's own commands are not counted)", number,
              number == 5 ? "fails with CHECK CONDITION" : "succeeds");
    }
}

void CheckPhaseErrorAndResetRecovery() {
    uint8_t data[36] = {};
    int result = 0;
    const SgCall* call = Send(0, Inquiry, data, sizeof data, &result);
    Check(result == 0 && call != nullptr && call->hostStatus != 0,
          "INQUIRY as data-out: a phase error, failed by the host (host_status 0x%x)",
          call != nullptr ? call->hostStatus : 0);
    Check(InquiryWorks(), "after the host's error recovery (a port reset) the recorder answers again");
}

void CheckRefusedDataIn() {
    const uint8_t unknown[16] = {0xC8, 0x7F};
    uint8_t data[512];
    int result = 0;
    const SgCall* call = Send(1, unknown, data, sizeof data, &result);
    Check(result == 0 && call != nullptr && call->status == 0x02 && call->senseWritten >= 13 &&
              call->sense[0] == 0x70 && (call->sense[2] & 0x0F) == 0x05 && call->sense[12] == 0x20,
          "an unknown vendor sub-command as data-in: CHECK CONDITION, sense ILLEGAL REQUEST 20h");
    Check(InquiryWorks(), "bulk-in halted for it and cleared: the recorder answers again");
}

void CheckShortDataIn() {
    struct Case {
        const char* what;
        uint8_t cdb[16];
        int length;
        int resid;
    };
    const Case cases[] = {
        // READ(10) of one 512-byte sector into 4 KiB: whole packets, bulk-in halted.
        {"READ(10) of 1 sector into 4096 bytes", {0x28, 0, 0, 0, 0, 0, 0, 0, 1}, 4096, 3584},
        // INQUIRY: 36 of 96 bytes, ended by a short packet.
        {"INQUIRY of 36 bytes into 96", {0x12, 0, 0, 0, 96}, 96, 60},
    };
    for (const Case& c : cases) {
        uint8_t data[4096];
        int result = 0;
        const SgCall* call = Send(1, c.cdb, data, c.length, &result);
        Check(result == 1 && call != nullptr && call->resid == c.resid, "%s: GOOD, resid %d (got %d)",
              c.what, c.resid, call != nullptr ? call->resid : -1);
        Check(InquiryWorks(), "%s: the next command goes through", c.what);
    }
}

}  // namespace

int main() {
    char node[] = "/dev/sg0";
    char* path = node;
    ResetRecordedCalls();
    if (!Check(Vkr_IsConnected(&path) == 1, "Vkr_IsConnected(\"/dev/sg0\") finds the recorder"))
        return 1;
    CheckFailCommandCountsTheUpdatersCommandsOnly(RecordedSgCount);
    CheckPhaseErrorAndResetRecovery();
    CheckRefusedDataIn();
    CheckShortDataIn();
    std::printf("usb transport checks: %d passed, %d failed\n", CheckCount() - CheckFailures(),
                CheckFailures());
    return CheckFailures() == 0 ? 0 : 1;
}
