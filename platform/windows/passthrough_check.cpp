// The portable request block (platform/passthrough_block.h) against the
// SCSI_PASS_THROUGH_DIRECT of the SDK this program is built with: every
// offset and size at compile time, for the architecture being built.
#include <windows.h>

#include <ntddscsi.h>

#include <cstddef>

#include "platform/drive.h"
#include "platform/passthrough_block.h"

namespace {

using Spt = SCSI_PASS_THROUGH_DIRECT;
constexpr const PassThroughLayout& Layout = NativePassThroughLayout();

static_assert(sizeof(Spt) == Layout.structSize);
static_assert(sizeof(Spt) == (sizeof(void*) == 8 ? 56 : 44));
static_assert(offsetof(Spt, Length) == PassThroughLengthOffset && sizeof(Spt::Length) == 2);
static_assert(offsetof(Spt, ScsiStatus) == PassThroughStatusOffset);
static_assert(offsetof(Spt, PathId) == PassThroughPathIdOffset);
static_assert(offsetof(Spt, TargetId) == PassThroughTargetIdOffset);
static_assert(offsetof(Spt, Lun) == PassThroughLunOffset);
static_assert(offsetof(Spt, CdbLength) == PassThroughCdbLengthOffset);
static_assert(offsetof(Spt, SenseInfoLength) == PassThroughSenseInfoLengthOffset);
static_assert(offsetof(Spt, DataIn) == PassThroughDataInOffset);
static_assert(offsetof(Spt, DataTransferLength) == PassThroughDataTransferLengthOffset &&
              sizeof(Spt::DataTransferLength) == 4);
static_assert(offsetof(Spt, TimeOutValue) == PassThroughTimeOutValueOffset &&
              sizeof(Spt::TimeOutValue) == 4);
static_assert(offsetof(Spt, DataBuffer) == Layout.dataBufferOffset);
static_assert(sizeof(Spt::DataBuffer) == Layout.pointerSize);
static_assert(offsetof(Spt, SenseInfoOffset) == Layout.senseInfoOffsetField &&
              sizeof(Spt::SenseInfoOffset) == 4);
static_assert(offsetof(Spt, Cdb) == Layout.cdbOffset && sizeof(Spt::Cdb) == ScsiCdbLength);

// The block: the structure, 4 bytes of filler, 32 of sense (80 bytes on x86).
static_assert(sizeof(void*) == 8 || sizeof(Spt) + PassThroughFillerSize + PassThroughSenseAreaSize == 80);

static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == 0x4D014);
static_assert(SCSI_IOCTL_DATA_IN == ScsiDataIn && SCSI_IOCTL_DATA_OUT == ScsiDataOut);
static_assert(SCSI_IOCTL_DATA_UNSPECIFIED == 2);

}  // namespace
