#include "tools/tool_output_file.h"

#include <cerrno>
#include <cstring>

namespace {

bool Problem(std::string* error, const std::string& path, int code) {
    *error = "cannot write " + path + ": " + std::strerror(code);
    return false;
}

}  // namespace

bool OutputFileOpen(OutputFile* out, const char* path, std::string* error) {
    out->path = path;
    out->temporary = out->path + ".partial";
    out->file = std::fopen(out->temporary.c_str(), "wb");
    if (out->file == nullptr) return Problem(error, out->path, errno);
    return true;
}

bool OutputFileWrite(OutputFile* out, const void* bytes, size_t count, std::string* error) {
    if (std::fwrite(bytes, 1, count, out->file) == count) return true;
    int code = errno;
    OutputFileDiscard(out);
    return Problem(error, out->path, code);
}

bool OutputFileCommit(OutputFile* out, std::string* error) {
    int closed = std::fclose(out->file);
    out->file = nullptr;
    int code = errno;
    if (closed != 0) {
        std::remove(out->temporary.c_str());
        return Problem(error, out->path, code);
    }
    // POSIX replaces the old file in one step; Windows' rename refuses an
    // existing name, which is then removed first. Nothing else is removed:
    // a directory of that name stays.
    bool renamed = std::rename(out->temporary.c_str(), out->path.c_str()) == 0;
    code = errno;
    if (!renamed && (code == EEXIST || code == EACCES) && std::remove(out->path.c_str()) == 0) {
        renamed = std::rename(out->temporary.c_str(), out->path.c_str()) == 0;
        code = errno;
    }
    if (renamed) return true;
    std::remove(out->temporary.c_str());
    return Problem(error, out->path, code);
}

void OutputFileDiscard(OutputFile* out) {
    if (out->file != nullptr) std::fclose(out->file);
    out->file = nullptr;
    std::remove(out->temporary.c_str());
}
