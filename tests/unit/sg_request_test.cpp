// The Linux sg_io_hdr for one command, and what the kernel's answer means.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/drive_node.h"
#include "platform/linux/sg_request.h"

namespace {

TEST(SgRequest, HeaderPointsAtTheCallersMemory) {
    uint8_t buffer[4096];
    uint8_t sense[ScsiSenseLength];
    ScsiRequest request{{0x12}, ScsiDataIn, buffer, 2048};
    sg_io_hdr header;
    std::memset(&header, 0xEE, sizeof header);
    BuildSgRequest(request, sense, &header);

    EXPECT_EQ(header.interface_id, 'S');
    EXPECT_EQ(header.cmd_len, 16);  // for the 6-byte INQUIRY too
    EXPECT_EQ(header.cmdp, request.cdb);
    EXPECT_EQ(header.mx_sb_len, 24);
    EXPECT_EQ(header.sbp, sense);
    EXPECT_EQ(header.timeout, 2000u);
    EXPECT_EQ(header.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(header.dxferp, buffer);  // no bounce copy
    EXPECT_EQ(header.dxfer_len, 2048u);
    EXPECT_EQ(header.iovec_count, 0);
    EXPECT_EQ(header.flags, 0u);
}

TEST(SgRequest, DirectionFollowsTheDirectionByteAndTheLength) {
    uint8_t buffer[8];
    struct Case {
        uint8_t direction;
        void* data;
        uint32_t length;
        int expected;
    } cases[] = {
        {ScsiDataIn, buffer, 8, SG_DXFER_FROM_DEV},
        {ScsiDataOut, buffer, 8, SG_DXFER_TO_DEV},
        {ScsiDataOut, nullptr, 0, SG_DXFER_NONE},  // erase
        {ScsiDataIn, buffer, 0, SG_DXFER_NONE},    // nothing to move, whatever it says
        {2, buffer, 8, SgDxferUnknown},
        {0xFF, buffer, 8, SgDxferUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "direction " << int{c.direction} << " length "
                                        << c.length);
        ScsiRequest request{{0xC8}, c.direction, c.data, c.length};
        uint8_t sense[ScsiSenseLength];
        sg_io_hdr header;
        BuildSgRequest(request, sense, &header);
        EXPECT_EQ(header.dxfer_direction, c.expected);
        EXPECT_EQ(header.dxfer_len, c.length);
        EXPECT_EQ(header.dxferp, c.length == 0 ? nullptr : c.data);
    }
}

TEST(SgRequest, OutcomeTellsTransportFailuresFromDeviceStatus) {
    constexpr unsigned short DidNoConnect = 0x01, DidTimeOut = 0x03, DriverError = 0x04,
                             DriverTimeout = 0x06;
    struct Case {
        const char* name;
        int ioctlError;
        unsigned short host, driver;
        uint8_t status;
        int resid;
        uint8_t senseWritten;
        bool carriedOut;
        uint32_t residual;
        uint8_t senseLength;
    } cases[] = {
        {"good", 0, 0, 0, 0x00, 0, 0, true, 0, 0},
        {"short transfer", 0, 0, 0, 0x00, 476, 0, true, 476, 0},
        // The device rejected the command: carried out, and the status says so.
        {"check condition", 0, 0, SgDriverSense, 0x02, 512, 18, true, 512, 18},
        {"busy", 0, 0, 0, 0x08, 0, 0, true, 0, 0},
        {"no device", 0, DidNoConnect, 0, 0x00, 0, 0, false, 0, 0},
        {"host timeout", 0, DidTimeOut, 0, 0x00, 0, 0, false, 0, 0},
        {"driver timeout", 0, 0, DriverTimeout, 0x00, 0, 0, false, 0, 0},
        {"driver error with sense", 0, 0, static_cast<unsigned short>(DriverError | SgDriverSense), 0x02, 0, 18, false, 0, 18},
        {"ioctl refused", EPERM, 0, 0, 0x00, 0, 0, false, 0, 0},
        {"overrun reported as negative resid", 0, 0, 0, 0x00, -4, 0, true, 0, 0},
        {"more sense than asked for", 0, 0, SgDriverSense, 0x02, 0, 40, true, 0, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sg_io_hdr header{};
        header.host_status = c.host;
        header.driver_status = c.driver;
        header.status = c.status;
        header.resid = c.resid;
        header.sb_len_wr = c.senseWritten;
        ScsiOutcome outcome{};
        outcome.sense[0] = 0x70;
        ReadSgOutcome(header, c.ioctlError, &outcome);
        EXPECT_EQ(outcome.carriedOut, c.carriedOut);
        if (c.ioctlError == 0) {
            EXPECT_EQ(outcome.status, c.status);
        }
        EXPECT_EQ(outcome.residual, c.residual);
        EXPECT_EQ(outcome.senseLength, c.senseLength);
        EXPECT_EQ(outcome.osError, c.ioctlError);
        EXPECT_EQ(outcome.sense[0], 0x70);  // the kernel wrote it in place
    }
}

TEST(SgRequest, OpenErrorsSayWhyTheDriveCannotBeUsed) {
    struct Case {
        int error;
        DriveOpenResult expected;
    } cases[] = {
        {ENOENT, DriveAbsent}, {ENXIO, DriveAbsent},  {ENODEV, DriveAbsent},
        {EACCES, DriveDenied}, {EPERM, DriveDenied},  {EBUSY, DriveFailed},
        {EIO, DriveFailed},    {EROFS, DriveFailed},  {EMFILE, DriveFailed},
    };
    for (const Case& c : cases) EXPECT_EQ(DriveOpenResultForErrno(c.error), c.expected) << c.error;
}

}  // namespace
