// A strict JSON reader for the tests: the whole text must be one value, as
// RFC 8259 writes it, or it is refused with the place where it went wrong.
#pragma once

#include <string>
#include <vector>

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // a string, UTF-8
    std::vector<JsonValue> items;
    // An object's members in document order: names[i] is values[i]'s.
    std::vector<std::string> names;
    std::vector<JsonValue> values;

    // Member or item; a missing one is a shared value of kind Null with
    // `missing` set, so that a test can tell absent from null.
    const JsonValue& operator[](const std::string& name) const;
    const JsonValue& operator[](size_t index) const;
    bool missing = false;
    bool Has(const std::string& name) const;
};

bool ParseJson(const std::string& text, JsonValue* value, std::string* error);
