#include "tools/tool_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

ToolCommand reportCommand = CommandNone;
bool reportJson = false;

void PrintJsonChar(unsigned char c) {
    if (c == '"' || c == '\\') std::printf("\\%c", c);
    else if (c < 0x20 || c >= 0x7F) std::printf("\\u%04x", c);
    else std::putchar(c);
}

}  // namespace

void ReportBegin(ToolCommand command, bool json) {
    reportCommand = command;
    reportJson = json;
}

bool ReportJson() { return reportJson; }

int ReportFailure(ToolExit code, const char* format, ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::fflush(stdout);
    std::fprintf(stderr, "vokari-tool: %s\n", message);
    if (reportJson) {
        PrintJsonHead();
        std::printf(",\"error\":");
        PrintJsonString(message);
        std::printf(",\"exitCode\":%d}\n", static_cast<int>(code));
    }
    return code;
}

void PrintJsonHead() {
    std::printf("{\"version\":%d,\"command\":", ToolJsonVersion);
    PrintJsonString(ToolCommandName(reportCommand));
}

// Bytes above 0x7E go out as \u00NN: the recorder's records are bytes, not
// UTF-8, and a reader must get back exactly the byte that was there.
void PrintJsonBytes(const uint8_t* bytes, size_t count) {
    std::putchar('"');
    for (size_t i = 0; i < count; ++i) PrintJsonChar(bytes[i]);
    std::putchar('"');
}

void PrintJsonString(const char* text) {
    PrintJsonBytes(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

void PrintTextBytes(const uint8_t* bytes, size_t count) {
    std::putchar('"');
    for (size_t i = 0; i < count; ++i) {
        unsigned char c = bytes[i];
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') std::printf("\\x%02X", c);
        else std::putchar(c);
    }
    std::putchar('"');
}

void FormatVersion(uint16_t version, char* text, size_t size) {
    std::snprintf(text, size, "%d.%d", version >> 8, version & 0xFF);
}
