#include "tests/support/json_value.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

const JsonValue& Missing() {
    static JsonValue missing = [] {
        JsonValue v;
        v.missing = true;
        return v;
    }();
    return missing;
}

struct Reader {
    explicit Reader(const std::string& text) : s(text) {}
    const std::string& s;
    size_t at = 0;
    std::string error;
    int depth = 0;

    bool Fail(const char* what) {
        if (error.empty()) error = std::string(what) + " at offset " + std::to_string(at);
        return false;
    }
    void Space() {
        while (at < s.size() && std::strchr(" \t\r\n", s[at]) != nullptr) ++at;
    }
    bool Literal(const char* word) {
        size_t n = std::strlen(word);
        if (s.compare(at, n, word) != 0) return Fail("unknown literal");
        at += n;
        return true;
    }
    static void PutUtf8(unsigned code, std::string* out) {
        if (code < 0x80) {
            *out += static_cast<char>(code);
        } else if (code < 0x800) {
            *out += static_cast<char>(0xC0 | code >> 6);
            *out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out += static_cast<char>(0xE0 | code >> 12);
            *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            *out += static_cast<char>(0xF0 | code >> 18);
            *out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool Hex4(unsigned* code) {
        if (at + 4 > s.size()) return Fail("short \\u escape");
        *code = 0;
        for (int i = 0; i < 4; ++i) {
            char c = s[at++];
            int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0) return Fail("bad \\u escape");
            *code = *code << 4 | static_cast<unsigned>(digit);
        }
        return true;
    }
    bool Str(std::string* out) {
        if (at >= s.size() || s[at] != '"') return Fail("expected a string");
        ++at;
        while (at < s.size() && s[at] != '"') {
            unsigned char c = static_cast<unsigned char>(s[at++]);
            if (c < 0x20) return Fail("control character in a string");
            if (c != '\\') {
                *out += static_cast<char>(c);
                continue;
            }
            if (at >= s.size()) return Fail("unfinished escape");
            char e = s[at++];
            const char* from = "\"\\/bfnrt";
            const char* to = "\"\\/\b\f\n\r\t";
            if (const char* p = std::strchr(from, e); p != nullptr && e != '\0') {
                *out += to[p - from];
                continue;
            }
            if (e != 'u') return Fail("unknown escape");
            unsigned code = 0;
            if (!Hex4(&code)) return false;
            if (code >= 0xD800 && code < 0xDC00) {
                unsigned low = 0;
                if (s.compare(at, 2, "\\u") != 0) return Fail("lone surrogate");
                at += 2;
                if (!Hex4(&low) || low < 0xDC00 || low >= 0xE000) return Fail("bad surrogate pair");
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            } else if (code >= 0xDC00 && code < 0xE000) {
                return Fail("lone surrogate");
            }
            PutUtf8(code, out);
        }
        if (at >= s.size()) return Fail("unfinished string");
        ++at;
        return true;
    }
    bool Num(double* out) {
        size_t start = at;
        if (at < s.size() && s[at] == '-') ++at;
        if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return Fail("bad number");
        if (s[at] == '0') ++at;
        else
            while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
        if (at < s.size() && s[at] == '.') {
            if (++at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return Fail("bad fraction");
            while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
        }
        if (at < s.size() && (s[at] == 'e' || s[at] == 'E')) {
            ++at;
            if (at < s.size() && (s[at] == '+' || s[at] == '-')) ++at;
            if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return Fail("bad exponent");
            while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
        }
        *out = std::strtod(s.substr(start, at - start).c_str(), nullptr);
        return true;
    }
    bool Value(JsonValue* v) {
        if (++depth > 64) return Fail("nested too deeply");
        Space();
        bool ok = ValueAfterSpace(v);
        --depth;
        return ok;
    }
    bool ValueAfterSpace(JsonValue* v) {
        if (at >= s.size()) return Fail("expected a value");
        switch (s[at]) {
            case 'n': v->kind = JsonValue::Null; return Literal("null");
            case 't': v->kind = JsonValue::Bool; v->boolean = true; return Literal("true");
            case 'f': v->kind = JsonValue::Bool; return Literal("false");
            case '"': v->kind = JsonValue::String; return Str(&v->text);
            case '[': return List(v);
            case '{': return Members(v);
            default: v->kind = JsonValue::Number; return Num(&v->number);
        }
    }
    bool List(JsonValue* v) {
        v->kind = JsonValue::Array;
        ++at;
        Space();
        if (at < s.size() && s[at] == ']') return ++at, true;
        for (;;) {
            v->items.emplace_back();
            if (!Value(&v->items.back())) return false;
            Space();
            if (at < s.size() && s[at] == ',') { ++at; continue; }
            if (at < s.size() && s[at] == ']') return ++at, true;
            return Fail("expected , or ]");
        }
    }
    bool Members(JsonValue* v) {
        v->kind = JsonValue::Object;
        ++at;
        Space();
        if (at < s.size() && s[at] == '}') return ++at, true;
        for (;;) {
            Space();
            std::string name;
            if (!Str(&name)) return false;
            if (v->Has(name)) return Fail("duplicate member");
            Space();
            if (at >= s.size() || s[at] != ':') return Fail("expected :");
            ++at;
            v->names.push_back(name);
            v->values.emplace_back();
            if (!Value(&v->values.back())) return false;
            Space();
            if (at < s.size() && s[at] == ',') { ++at; continue; }
            if (at < s.size() && s[at] == '}') return ++at, true;
            return Fail("expected , or }");
        }
    }
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return values[i];
    return Missing();
}

const JsonValue& JsonValue::operator[](size_t index) const {
    return index < items.size() ? items[index] : Missing();
}

bool JsonValue::Has(const std::string& name) const { return !(*this)[name].missing; }

bool ParseJson(const std::string& text, JsonValue* value, std::string* error) {
    Reader r(text);
    *value = JsonValue{};
    bool ok = r.Value(value);
    if (ok) {
        r.Space();
        if (r.at != text.size()) ok = r.Fail("text after the value");
    }
    if (!ok) *error = r.error;
    return ok;
}
