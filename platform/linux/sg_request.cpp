#include "platform/linux/sg_request.h"

#include <cstring>

int SgDirectionFor(const ScsiRequest& request) {
    // A command without data (the erase) must not promise the kernel a
    // transfer, whatever direction it names.
    if (request.length == 0) return SG_DXFER_NONE;
    switch (request.direction) {
        case ScsiDataIn: return SG_DXFER_FROM_DEV;
        case ScsiDataOut: return SG_DXFER_TO_DEV;
        default: return SgDxferUnknown;
    }
}

void BuildSgRequest(const ScsiRequest& request, uint8_t* sense, sg_io_hdr* header) {
    std::memset(header, 0, sizeof *header);
    header->interface_id = 'S';
    header->dxfer_direction = SgDirectionFor(request);
    // All 16 bytes go out, also for 6- and 10-byte commands: the callers
    // build every command in a zeroed 16-byte array.
    header->cmd_len = ScsiCdbLength;
    header->mx_sb_len = ScsiSenseLength;
    header->dxfer_len = request.length;
    header->dxferp = request.length == 0 ? nullptr : request.data;
    // The kernel only reads the command block; the field is not const.
    header->cmdp = const_cast<unsigned char*>(request.cdb);
    header->sbp = sense;
    header->timeout = SgTimeoutMs;
}

void ReadSgOutcome(const sg_io_hdr& header, int ioctlError, ScsiOutcome* outcome) {
    outcome->osError = ioctlError;
    if (ioctlError != 0) {
        outcome->carriedOut = false;
        outcome->status = 0;
        outcome->senseLength = 0;
        outcome->residual = 0;
        return;
    }
    // Sense data alone is no failure of the transport: the status byte, a
    // CHECK CONDITION, then says what the device made of the command.
    bool driverError = (header.driver_status & ~SgDriverSense) != 0;
    outcome->carriedOut = header.host_status == 0 && !driverError;
    outcome->status = header.status;
    uint32_t senseLength = header.sb_len_wr;
    outcome->senseLength = static_cast<uint8_t>(senseLength < ScsiSenseLength ? senseLength
                                                                               : ScsiSenseLength);
    outcome->residual = header.resid > 0 ? static_cast<uint32_t>(header.resid) : 0;
}
