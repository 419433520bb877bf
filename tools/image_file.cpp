#include "tools/image_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool ReadWholeFile(const char* path, size_t limit, std::vector<uint8_t>* bytes, std::string* error) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        *error = std::string("cannot read ") + path + ": " + std::strerror(errno);
        return false;
    }
    bytes->assign(limit + 1, 0);
    size_t count = std::fread(bytes->data(), 1, bytes->size(), file);
    // A directory opens but does not read.
    bool failed = std::ferror(file) != 0;
    int readError = errno;
    std::fclose(file);
    if (failed) {
        *error = std::string("cannot read ") + path + ": " + std::strerror(readError);
        return false;
    }
    bytes->resize(count);
    return true;
}

bool WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes, std::string* error) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        *error = std::string("cannot write ") + path + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int writeError = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (!written) {
        std::remove(path);
        *error = std::string("cannot write ") + path + ": " + std::strerror(writeError);
    }
    return written;
}
