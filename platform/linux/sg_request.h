// The Linux SCSI generic request (sg_io_hdr) for one command, and the reading
// of what the kernel wrote back. No system call here: the drive layer only
// issues SG_IO with the header built by these functions.
#pragma once

#include <scsi/sg.h>

#include "platform/drive.h"

constexpr unsigned SgTimeoutMs = ScsiTimeoutSeconds * 1000;

// The kernel's SG_DXFER_UNKNOWN, which the C library's header lacks: a data
// phase whose direction the caller did not say.
constexpr int SgDxferUnknown = -5;

// The driver_status bit that only says "sense data came back"; it goes with
// every CHECK CONDITION and is no transport error.
constexpr unsigned short SgDriverSense = 0x08;

// The transfer direction the kernel is told: none for a zero-length data
// phase, otherwise from the request's direction byte.
int SgDirectionFor(const ScsiRequest& request);

// Fills *header for `request`. The kernel reads the CDB from the request and
// moves the data to or from the request's buffer directly (no copy); up to
// ScsiSenseLength bytes of sense land in `sense`.
void BuildSgRequest(const ScsiRequest& request, uint8_t* sense, sg_io_hdr* header);

// Turns what SG_IO left behind into an outcome: `ioctlError` is 0 when the
// ioctl succeeded, else its errno. Leaves outcome->sense alone (the kernel
// wrote it there directly).
void ReadSgOutcome(const sg_io_hdr& header, int ioctlError, ScsiOutcome* outcome);
