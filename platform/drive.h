// Drive seam: one SCSI command to a drive named by a path.
//
// Implemented once per platform (linux/drive_sg.cpp) and by the simulated
// recorder (sim/); the program picks one at link time. A handle is a small
// integer that lives from DriveOpen to DriveClose, inside one transport call.
#pragma once

#include <cstdint>

enum DriveOpenResult : int {
    DriveOpened = 0,
    DriveAbsent = 1,  // no such drive (nothing at that path)
    DriveDenied = 2,  // the drive is there but refuses us for lack of permission
    DriveFailed = 3,  // any other failure (busy, I/O error, bad path)
};

enum : uint8_t {
    ScsiDataOut = 0,  // host to device (or no data phase when length is 0)
    ScsiDataIn = 1,   // device to host
};

enum : uint32_t {
    ScsiCdbLength = 16,
    ScsiSenseLength = 24,
    ScsiTimeoutSeconds = 2,
};

// One command as the transport hands it over. The data move directly between
// the device and `data`; no copy is made.
struct ScsiRequest {
    uint8_t cdb[ScsiCdbLength];
    uint8_t direction;  // ScsiDataIn, ScsiDataOut, anything else: unspecified
    void* data;
    uint32_t length;
};

// What became of it. `carriedOut` is false when the OS could not run the
// command at all (ioctl failure, host or driver error, timeout); `status` is
// then meaningless. `osError` keeps the raw errno / GetLastError for traces.
struct ScsiOutcome {
    bool carriedOut;
    uint8_t status;  // SCSI status byte; 0 is GOOD
    uint8_t sense[ScsiSenseLength];
    uint8_t senseLength;
    uint32_t residual;  // bytes that did not move, where the OS reports it
    int32_t osError;
};

// Opens the drive for reading and writing. On DriveOpened, *handle is valid.
DriveOpenResult DriveOpen(const char* path, int* handle);

// Carries out one command on an open drive. Always fills *outcome.
void DriveCommand(int handle, const ScsiRequest& request, ScsiOutcome* outcome);

void DriveClose(int handle);

// Opens and closes the drive at `path` to learn why it cannot be used; sends
// no command. Lets the console tell "no recorder" from "no permission", and
// the restart wait tell a recorder that went off the bus from one that only
// failed a command.
DriveOpenResult DriveCheckAccess(const char* path);

// The INQUIRY vendor and model strings that the system keeps for a drive, as
// it shows them: cut at a zero byte, padded with blanks or not, up to 8 and 16
// characters. Read without opening the drive.
struct DriveIdentity {
    char vendor[9];
    char model[17];
};

// Fills *identity for the drive at `path` from what every user may read
// (Linux: the SCSI device's sysfs attributes; Windows: the storage device
// descriptor, asked on a handle opened with no access), without opening the
// drive for reading or writing or sending it anything. False when there is no such drive or the system keeps no
// such strings. Lets the console tell the recorder's node from any other
// (the system disk) that refuses us.
bool DriveReadIdentity(const char* path, DriveIdentity* identity);
