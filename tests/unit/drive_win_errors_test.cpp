// Why a Windows drive open failed, told apart the way the device wait needs.
#include <gtest/gtest.h>

#include "platform/drive_win_errors.h"

namespace {

TEST(DriveWinErrors, NoSuchDriveIsAbsent) {
    EXPECT_EQ(DriveOpenResultForWinError(2), DriveAbsent);    // ERROR_FILE_NOT_FOUND: PHYSICALDRIVE9
    EXPECT_EQ(DriveOpenResultForWinError(3), DriveAbsent);    // ERROR_PATH_NOT_FOUND
    EXPECT_EQ(DriveOpenResultForWinError(123), DriveAbsent);  // ERROR_INVALID_NAME
}

TEST(DriveWinErrors, MissingRightsAreDenied) {
    EXPECT_EQ(DriveOpenResultForWinError(5), DriveDenied);  // ERROR_ACCESS_DENIED
}

TEST(DriveWinErrors, EverythingElseIsAFailure) {
    EXPECT_EQ(DriveOpenResultForWinError(32), DriveFailed);  // ERROR_SHARING_VIOLATION
    EXPECT_EQ(DriveOpenResultForWinError(21), DriveFailed);  // ERROR_NOT_READY
    EXPECT_EQ(DriveOpenResultForWinError(0), DriveFailed);
    EXPECT_EQ(DriveOpenResultForWinError(0xFFFFFFFFu), DriveFailed);
}

}  // namespace
