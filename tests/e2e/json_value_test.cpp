// The tests' JSON reader must refuse what a real parser refuses, or a
// broken document from the tool would pass.
#include <gtest/gtest.h>

#include "tests/support/json_value.h"

namespace {

TEST(JsonReader, RefusesWhatIsNotJson) {
    for (const char* text : {"", "{", "{\"a\":1,}", "[1 2]", "{'a':1}", "{\"a\":01}", "\"tab\there\"",
                             "\"\\x41\"", "\"\\ud800\"", "{\"a\":1}{}", "{\"a\":1,\"a\":2}", "nul", "1.", "-"}) {
        JsonValue value;
        std::string error;
        EXPECT_FALSE(ParseJson(text, &value, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(JsonReader, ReadsValuesAndEscapes) {
    JsonValue v;
    std::string error;
    ASSERT_TRUE(ParseJson(" {\"s\":\"a\\\"\\\\\\u00ff\\ud83d\\ude00\",\"n\":-1.5e2,\"l\":[true,null,{}]}\n", &v,
                          &error))
        << error;
    EXPECT_EQ(v["s"].text, "a\"\\\xc3\xbf\xf0\x9f\x98\x80");
    EXPECT_EQ(v["n"].number, -150);
    EXPECT_TRUE(v["l"][0].boolean);
    EXPECT_EQ(v["l"][1].kind, JsonValue::Null);
    EXPECT_FALSE(v["l"][1].missing);
    EXPECT_TRUE(v["absent"].missing);
    EXPECT_EQ(v["l"][2].kind, JsonValue::Object);
}

}  // namespace
