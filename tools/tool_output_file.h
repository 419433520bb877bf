// A file written under a temporary name and renamed to the name asked for
// only once it is whole, so that a read cut short never leaves a partial
// file that looks like a complete one.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct OutputFile {
    std::FILE* file;
    std::string path;
    std::string temporary;
};

// Creates the temporary file beside `path`. False with a message when it
// cannot be created.
bool OutputFileOpen(OutputFile* out, const char* path, std::string* error);
bool OutputFileWrite(OutputFile* out, const void* bytes, size_t count, std::string* error);
// Closes the file and gives it its name, replacing a file of that name.
// On failure the temporary file is removed.
bool OutputFileCommit(OutputFile* out, std::string* error);
// Closes and removes the temporary file; the name asked for is left as it was.
void OutputFileDiscard(OutputFile* out);
