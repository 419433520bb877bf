// Whether the recorder is there but refuses us. Discovery cannot tell a node
// it may not open from no node at all; the system's record of each drive's
// INQUIRY strings can, without opening anything but the recorder's node.
#pragma once

#include <cstddef>

#include "platform/drive.h"

// True when the strings are the recorder's INQUIRY vendor and product as a
// system shows them: cut at the zero byte the recorder puts in each, with or
// without the blanks that pad them.
bool IsRecorderIdentity(const DriveIdentity& identity);

// The first drive among 0 to 8 that the system shows as the recorder and
// that refuses us for lack of permission: its path ("\\.\PHYSICALDRIVEn")
// into `path`. False when there is none (other drives that refuse us are not
// the recorder) or `size` is too small for the path.
bool FindDeniedRecorder(char* path, size_t size);
