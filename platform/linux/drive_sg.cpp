// Placeholder drive layer: no drive is found.
#include "platform/drive.h"

DriveOpenResult DriveOpen(const char*, int*) { return DriveAbsent; }
void DriveCommand(int, const ScsiRequest&, ScsiOutcome* outcome) { *outcome = ScsiOutcome{}; }
void DriveClose(int) {}
DriveOpenResult DriveCheckAccess(const char*) { return DriveAbsent; }
