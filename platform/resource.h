// Resource seam: the bytes of a resource embedded in the program's own file.
#pragma once

#include <cstddef>

// Copies the first bytes of the resource `name` of the program at
// `programPath` into `destination`, at most `capacity` of them. Returns how
// many were copied: 0 when there is no such resource.
size_t ResourceCopy(const char* programPath, const char* name, void* destination, size_t capacity);

// Full path of the running program's own executable file, as the system
// reports it, cut to fit `size` bytes (terminator included); "" if unknown.
void ProgramFilePath(char* buffer, size_t size);
