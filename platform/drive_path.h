// Maps the Windows-style drive paths of the device layer onto device nodes.
#pragma once

#include <cstddef>

// "\\.\PHYSICALDRIVEn" (n one or more decimal digits) becomes "/dev/sgn".
// Any other "\\.\" path names no node (false). Every other path stands for
// itself. False as well when the node does not fit in `size` bytes.
bool DriveNodeForPath(const char* path, char* node, size_t size);
