// Why a Windows drive open failed, told apart the way the device wait needs:
// only a drive that is not there counts as gone, so that a busy or failing
// recorder is never taken for one that restarted.
#include <gtest/gtest.h>

#include "platform/drive_win_errors.h"

namespace {

struct Case {
    uint32_t error;
    DriveOpenResult expected;
    const char* name;
};

const Case kCases[] = {
    {2, DriveAbsent, "ERROR_FILE_NOT_FOUND: no such PHYSICALDRIVEn"},
    {3, DriveAbsent, "ERROR_PATH_NOT_FOUND"},
    {123, DriveAbsent, "ERROR_INVALID_NAME: the placeholder path"},
    {55, DriveAbsent, "ERROR_DEV_NOT_EXIST: the device is no longer available"},
    {433, DriveAbsent, "ERROR_NO_SUCH_DEVICE: Wine's answer for a node whose device is gone"},
    {1167, DriveAbsent, "ERROR_DEVICE_NOT_CONNECTED"},
    {1617, DriveAbsent, "ERROR_DEVICE_REMOVED"},
    {5, DriveDenied, "ERROR_ACCESS_DENIED: not an administrator"},
    // Still attached: a restart must not be counted on any of these.
    {32, DriveFailed, "ERROR_SHARING_VIOLATION: another program holds it"},
    {170, DriveFailed, "ERROR_BUSY"},
    {21, DriveFailed, "ERROR_NOT_READY"},
    {31, DriveFailed, "ERROR_GEN_FAILURE: the device is not functioning"},
    {1117, DriveFailed, "ERROR_IO_DEVICE"},
    {1, DriveFailed, "ERROR_INVALID_FUNCTION"},
    {50, DriveFailed, "ERROR_NOT_SUPPORTED"},
    {0, DriveFailed, "no error recorded"},
    {0xFFFFFFFFu, DriveFailed, "out of range"},
};

TEST(DriveWinErrors, EachErrorTellsAbsentDeniedOrFailed) {
    for (const Case& c : kCases)
        EXPECT_EQ(DriveOpenResultForWinError(c.error), c.expected) << c.error << " " << c.name;
}

}  // namespace
