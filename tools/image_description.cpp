#include "tools/image_description.h"

#include <cstdlib>
#include <cstring>

#include "images/image_store.h"
#include "tools/image_layout.h"

namespace {

struct Line {
    std::vector<std::string> words;
    std::string problem;  // set when the line cannot even be split
};

// Words separated by blanks; a quoted word runs to the next quote and keeps
// its blanks; '#' outside quotes ends the line.
Line SplitLine(const std::string& text) {
    Line line;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string::npos) {
                line.problem = "unterminated quote";
                return line;
            }
            line.words.push_back(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            size_t end = text.find_first_of(" \t\r#\"", i);
            if (end == std::string::npos) end = text.size();
            line.words.push_back(text.substr(i, end - i));
            i = end;
        }
    }
    return line;
}

bool ParseNumber(const std::string& word, unsigned long max, unsigned long* value) {
    if (word.empty() || word[0] == '-' || word[0] == '+') return false;
    bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    char* end = nullptr;
    unsigned long v = std::strtoul(word.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || v > max) return false;
    *value = v;
    return true;
}

// One directive's arguments, checked one by one with a message on the first
// that does not fit.
struct Arguments {
    const std::vector<std::string>& words;
    std::string* problem;

    bool Count(size_t expected) const {
        if (words.size() - 1 == expected) return true;
        *problem = words[0] + " takes " + std::to_string(expected) + " arguments";
        return false;
    }
    bool Number(size_t index, unsigned long max, const char* what, unsigned long* value) const {
        if (ParseNumber(words[index], max, value)) return true;
        *problem = std::string("bad ") + what + " '" + words[index] + "' (0 to " + std::to_string(max) + ")";
        return false;
    }
    // An address and a byte count that stay inside the image.
    bool Range(size_t index, size_t count, unsigned long* address) const {
        if (!Number(index, ImagePayloadSize - 1, "address", address)) return false;
        if (count == 0) {
            *problem = "nothing to write at " + words[index];
            return false;
        }
        if (*address + count <= ImagePayloadSize) return true;
        *problem = "range of " + std::to_string(count) + " bytes from " + words[index] + " leaves the image";
        return false;
    }
    bool Version(size_t index, uint16_t* version) const {
        if (ParseVersionText(words[index].c_str(), version)) return true;
        *problem = "bad version '" + words[index] + "' (X.Y, each 0 to 255)";
        return false;
    }
};

bool ApplyDirective(const std::vector<std::string>& words, uint8_t* image, std::string* problem) {
    const std::string& name = words[0];
    Arguments a{words, problem};
    unsigned long address = 0, count = 0, first = 0, step = 0;
    uint16_t version = 0;
    if (name == "fill") {
        if (!a.Count(3) || !a.Number(2, ImagePayloadSize, "count", &count) || !a.Range(1, count, &address) ||
            !a.Number(3, 255, "byte", &first))
            return false;
        std::memset(image + address, static_cast<int>(first), count);
    } else if (name == "sequence") {
        if (!a.Count(4) || !a.Number(2, ImagePayloadSize, "count", &count) || !a.Range(1, count, &address) ||
            !a.Number(3, 255, "first byte", &first) || !a.Number(4, 255, "step", &step))
            return false;
        for (unsigned long i = 0; i < count; ++i) image[address + i] = static_cast<uint8_t>(first + i * step);
    } else if (name == "text") {
        if (!a.Count(2) || !a.Range(1, words[2].size(), &address)) return false;
        std::memcpy(image + address, words[2].data(), words[2].size());
    } else if (name == "bytes") {
        if (words.size() < 3) {
            *problem = "bytes takes an address and at least one byte";
            return false;
        }
        if (!a.Range(1, words.size() - 2, &address)) return false;
        for (size_t i = 2; i < words.size(); ++i) {
            if (!a.Number(i, 255, "byte", &first)) return false;
            image[address + i - 2] = static_cast<uint8_t>(first);
        }
    } else if (name == "firmware-status") {
        uint8_t marker[4];
        if (!a.Count(2) || !a.Version(1, &version)) return false;
        if (words[2].size() != 4 || !ParseFixedText(words[2].c_str(), marker, sizeof marker)) {
            *problem = "bad marker '" + words[2] + "' (4 printable characters)";
            return false;
        }
        SetFirmwareVersion(image, version);
        SetMarker(image, marker);
    } else if (name == "bootloader-info") {
        uint8_t signature[7];
        if (!a.Count(2) || !a.Version(1, &version)) return false;
        if (!ParseFixedText(words[2].c_str(), signature, sizeof signature)) {
            *problem = "bad signature '" + words[2] + "' (1 to 7 printable characters)";
            return false;
        }
        SetBootLoaderVersion(image, version);
        SetSignature(image, signature);
    } else {
        *problem = "unknown directive '" + name + "'";
        return false;
    }
    return true;
}

}  // namespace

bool BuildFromDescription(const std::string& text, const char* source, std::vector<uint8_t>* plain,
                          std::string* error) {
    plain->assign(ImagePayloadSize, 0);
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        Line line = SplitLine(text.substr(start, end - start));
        start = end + 1;
        std::string problem = line.problem;
        if (problem.empty() && !line.words.empty()) ApplyDirective(line.words, plain->data(), &problem);
        if (!problem.empty()) {
            *error = std::string(source) + ":" + std::to_string(number) + ": " + problem;
            return false;
        }
    }
    return true;
}
