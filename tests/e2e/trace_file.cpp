#include "tests/e2e/trace_file.h"

#include <cctype>
#include <fstream>

namespace {

// A cursor over one line. Every Parse* leaves it after what it took, or
// returns false.
struct Cursor {
    const std::string& s;
    size_t at = 0;

    bool Take(char c) {
        if (at >= s.size() || s[at] != c) return false;
        ++at;
        return true;
    }
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseString(Cursor& c, std::string* value) {
    if (!c.Take('"')) return false;
    value->clear();
    while (c.at < c.s.size()) {
        char ch = c.s[c.at++];
        if (ch == '"') return true;
        if (ch != '\\') {
            value->push_back(ch);
            continue;
        }
        if (c.at >= c.s.size()) return false;
        char escaped = c.s[c.at++];
        if (escaped == '"' || escaped == '\\' || escaped == '/') {
            value->push_back(escaped);
        } else if (escaped == 'u') {
            if (c.at + 4 > c.s.size()) return false;
            int code = 0;
            for (int i = 0; i < 4; ++i) {
                int digit = HexValue(c.s[c.at++]);
                if (digit < 0) return false;
                code = code * 16 + digit;
            }
            if (code > 0x7F) return false;  // the writer escapes control bytes only
            value->push_back(static_cast<char>(code));
        } else {
            return false;
        }
    }
    return false;
}

bool ParseNumber(Cursor& c, uint64_t* value) {
    size_t start = c.at;
    uint64_t v = 0;
    while (c.at < c.s.size() && std::isdigit(static_cast<unsigned char>(c.s[c.at]))) {
        v = v * 10 + static_cast<uint64_t>(c.s[c.at] - '0');
        ++c.at;
    }
    *value = v;
    return c.at > start && c.at - start <= 19;
}

bool IsHex(const std::string& text, size_t length) {
    if (length != std::string::npos && text.size() != length) return false;
    if (text.size() % 2 != 0) return false;
    for (char ch : text)
        if (HexValue(ch) < 0 || std::isupper(static_cast<unsigned char>(ch))) return false;
    return true;
}

// Which fields a line has had.
enum : unsigned {
    T = 1, Path = 2, Open = 4, Cdb = 8, Dir = 16, Len = 32, Out = 64, In = 128, Result = 256,
    FailedOpenFields = T | Path | Open | Result,
    CommandFields = T | Path | Cdb | Dir | Len | Out | In | Result,
};

bool ParseFalse(Cursor& c) {
    if (c.s.compare(c.at, 5, "false") != 0) return false;
    c.at += 5;
    return true;
}

bool ParseHex(Cursor& c, std::string* value, size_t length, const char* name, std::string* why) {
    if (!ParseString(c, value)) return false;
    if (IsHex(*value, length)) return true;
    *why = std::string(name) + " is not lowercase hex of the right length";
    return false;
}

bool ParseField(Cursor& c, const std::string& key, TraceLine* line, unsigned* seen,
                std::string* why) {
    uint64_t n = 0;
    if (key == "t") {
        *seen |= T;
        return ParseNumber(c, &line->t);
    }
    if (key == "path") {
        *seen |= Path;
        return ParseString(c, &line->path);
    }
    if (key == "open") {
        *seen |= Open;
        line->opened = false;
        return ParseFalse(c);
    }
    if (key == "cdb") {
        *seen |= Cdb;
        return ParseHex(c, &line->cdb, 32, "cdb", why);
    }
    if (key == "dir") {
        *seen |= Dir;
        if (!ParseNumber(c, &n) || n > 255) return false;
        line->dir = static_cast<int>(n);
        return true;
    }
    if (key == "len") {
        *seen |= Len;
        if (!ParseNumber(c, &n) || n > UINT32_MAX) return false;
        line->len = static_cast<uint32_t>(n);
        return true;
    }
    if (key == "out") {
        *seen |= Out;
        return ParseHex(c, &line->out, std::string::npos, "out", why);
    }
    if (key == "in") {
        *seen |= In;
        return ParseHex(c, &line->in, std::string::npos, "in", why);
    }
    if (key == "result") {
        *seen |= Result;
        if (!ParseNumber(c, &n) || n > 1) return false;
        line->result = static_cast<int>(n);
        return true;
    }
    *why = "unknown key " + key;
    return false;
}

bool ParseLine(const std::string& text, TraceLine* line, std::string* why) {
    Cursor c{text};
    unsigned seen = 0;
    if (!c.Take('{')) return false;
    do {
        std::string key;
        if (!ParseString(c, &key) || !c.Take(':')) return false;
        if (!ParseField(c, key, line, &seen, why)) return false;
    } while (c.Take(','));
    if (!c.Take('}') || c.at != text.size()) return false;

    if (seen == FailedOpenFields && line->result == 0) return true;
    if (seen == CommandFields) return true;
    *why = "fields missing or mixed";
    return false;
}

}  // namespace

bool ReadTraceFile(const std::string& path, std::vector<TraceLine>* lines, std::string* error) {
    lines->clear();
    std::ifstream file(path);
    if (!file) {
        *error = "cannot read " + path;
        return false;
    }
    std::string text;
    for (size_t number = 1; std::getline(file, text); ++number) {
        TraceLine line;
        std::string why = "malformed";
        if (!ParseLine(text, &line, &why)) {
            *error = path + ":" + std::to_string(number) + ": " + why + ": " + text;
            return false;
        }
        lines->push_back(line);
    }
    return true;
}
